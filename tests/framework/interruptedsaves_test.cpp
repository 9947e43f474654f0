#include "framework/file.h"
#include "framework/filename.h"
#include "framework/interruptedsaves.h"
#include "support/savechild.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
}

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

// Leftover files look as old as a crash long ago, so that they count as stale.
void Age(const QString& path) {
    const timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
    utimensat(AT_FDCWD, Native(path).constData(), old, AT_SYMLINK_NOFOLLOW);
}

QStringList Hidden(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System).filter("zorvek");
}

// Each test keeps its records of interrupted saves to itself, child processes included.
class InterruptedSaveTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", Native(dir.filePath("state")));
    }
    void TearDown() override { qputenv("XDG_STATE_HOME", saved); }
    QString P(const char* name) const { return dir.filePath(name); }
    void Link(const char* from, const char* to) const {
        ASSERT_EQ(::link(Native(P(from)).constData(), Native(P(to)).constData()), 0);
    }

    QTemporaryDir dir;
    QByteArray saved;
};

// A save killed at any moment leaves the old content or the new one; a save in place may
// leave the file cut short, but then its old content is kept aside and can be put back.
TEST_F(InterruptedSaveTest, KilledAtAnyMomentLosesNothing) {
    const QByteArray old = QByteArray(24 << 20, 'o') + "end of the old content";
    const qint64 newSize = 32 << 20;
    for (const bool inPlace : {false, true}) {
        SCOPED_TRACE(inPlace ? "in place" : "through a temporary file");
        // How long a save takes here, so that the kills spread over all of it.
        Write(P("f"), old);
        if (inPlace)
            Link("f", "link");
        QElapsedTimer timer;
        timer.start();
        {
            SaveChild whole(P("f"), newSize);
            ASSERT_TRUE(whole.Finished());
        }
        const qint64 duration = std::max<qint64>(timer.elapsed(), 20);
        constexpr int kKills = 14;
        int cut = 0;
        for (int i = 0; i < kKills; ++i) {
            QFile::remove(P("link"));
            Write(P("f"), old);
            if (inPlace)
                Link("f", "link");
            SaveChild child(P("f"), newSize);
            ASSERT_EQ(child.Next(), 's');
            usleep(static_cast<useconds_t>(duration * 1000 * i / kKills));
            child.Kill();
            child.Finished();
            const QByteArray now = Read(P("f"));
            const bool whole = now == old || now == QByteArray(newSize, 'n');
            const auto pending = CInterruptedSaves::Pending(P("f"));
            // A save in place stopped once the whole new content was in, or before the file
            // was touched, needs nothing back; a save through a temporary file stopped once the
            // whole new content was written offers it, the file still holding the old one.
            if (whole)
                for (const auto& copy : pending)
                    EXPECT_TRUE(!inPlace && copy.newContent && now == old &&
                                Read(copy.copy) == QByteArray(newSize, 'n'))
                        << "offered after a kill at " << i;
            if (!whole) {
                ++cut;
                ASSERT_TRUE(inPlace) << "a cut-off file after a kill at " << i;
                ASSERT_EQ(pending.size(), 1);
                EXPECT_EQ(Read(pending[0].copy), old);
                CInterruptedSaves::Restore(pending[0]);
                EXPECT_EQ(Read(P("f")), old);
                EXPECT_EQ(Read(P("link")), old);
                EXPECT_TRUE(CInterruptedSaves::Pending().isEmpty());
            }
            for (const auto& copy : CInterruptedSaves::Pending())
                CInterruptedSaves::Discard(copy);
        }
        if (inPlace)
            RecordProperty("cut-off files restored", cut);
        QFile::remove(P("link"));
    }
}

// Stopped the moment the file holds all of its new content, a save in place needs nothing back:
// the file is known to be whole before it is.
TEST_F(InterruptedSaveTest, AFileInPlaceWithAllItsNewContentIsNeverOfferedTheOld) {
    Write(P("f"), "old content");
    Link("f", "link");
    {
        SaveChild child(P("f"), 1 << 20, SaveChild::kOnceWhole);
        ASSERT_EQ(child.Next(), 's');
        ASSERT_EQ(child.Next(), 'h');
    } // killed there
    EXPECT_EQ(Read(P("f")), QByteArray(1 << 20, 'n'));
    EXPECT_TRUE(CInterruptedSaves::Pending(P("f")).isEmpty());
}

TEST_F(InterruptedSaveTest, AStaleTemporaryFileIsRemovedButNoOneElses) {
    Write(P("f"), "old");
    {
        SaveChild child(P("f"), 1 << 20, 1 << 19);
        ASSERT_EQ(child.Next(), 's');
        ASSERT_EQ(child.Next(), 'h');
    } // killed half way
    QStringList left = Hidden(dir.path());
    ASSERT_EQ(left.size(), 1);
    const QString stale = dir.filePath(left[0]);
    // Too young to tell from a save that has yet to lock it.
    CInterruptedSaves::RemoveStale(dir.path());
    EXPECT_TRUE(QFile::exists(stale));

    Age(stale);
    // A live save's file: locked by its owner.
    const QString live = P(".zorvek-save-live01");
    Write(live, "in progress");
    Age(live);
    const int liveFd = ::open(Native(live).constData(), O_RDONLY);
    ASSERT_EQ(flock(liveFd, LOCK_EX), 0);
    // Not ours: another program's name, and another user's file.
    Write(P(".zorvek-other"), "x");
    Age(P(".zorvek-other"));
    const QString foreign = P(".zorvek-save-theirs");
    Write(foreign, "x");
    Age(foreign);
    const bool root = geteuid() == 0;
    if (root)
        ASSERT_EQ(chown(Native(foreign).constData(), 65534, 65534), 0);

    CInterruptedSaves::RemoveStale(dir.path());
    EXPECT_FALSE(QFile::exists(stale));
    EXPECT_TRUE(QFile::exists(live));
    EXPECT_TRUE(QFile::exists(P(".zorvek-other")));
    EXPECT_EQ(QFile::exists(foreign), root);
    EXPECT_EQ(Read(P("f")), "old");
    ::close(liveFd);
}

TEST_F(InterruptedSaveTest, ACopyStillNeededIsNeverSweptAndASpareOneIs) {
    const QByteArray old(1 << 20, 'o');
    Write(P("f"), old);
    Link("f", "link");
    {
        SaveChild child(P("f"), 2 << 20, 1 << 20);
        ASSERT_EQ(child.Next(), 's');
        ASSERT_EQ(child.Next(), 'h');
    }
    const auto pending = CInterruptedSaves::Pending(P("link"));
    ASSERT_EQ(pending.size(), 1) << "found through any of the file's names";
    EXPECT_EQ(QFileInfo(pending[0].copy).absolutePath(), dir.path()) << "kept beside the file";
    Age(pending[0].copy);
    CInterruptedSaves::RemoveStale(dir.path());
    EXPECT_EQ(Read(pending[0].copy), old);

    // Without a record, a set-aside copy was made before the file was touched: a spare.
    QFile::remove(pending[0].record);
    CInterruptedSaves::RemoveStale(dir.path());
    EXPECT_FALSE(QFile::exists(pending[0].copy));
}

TEST_F(InterruptedSaveTest, AWaitingSaveIsNotOfferedBack) {
    const QByteArray old(1 << 20, 'o');
    Write(P("f"), old);
    Link("f", "link");
    SaveChild child(P("f"), 2 << 20, 1 << 20);
    ASSERT_EQ(child.Next(), 's');
    ASSERT_EQ(child.Next(), 'h');
    EXPECT_TRUE(CInterruptedSaves::Pending().isEmpty()) << "its save is still running";
    child.Kill();
    child.Finished();
    EXPECT_EQ(CInterruptedSaves::Pending().size(), 1);
}
// A record keeps every byte of the names, line breaks included, and records written before
// names were encoded are still read; a record that says the new content was whole, matching
// the file, or a copy equal to the file, is passed over and tidied away.
TEST_F(InterruptedSaveTest, RecordsKeepAnyNameAndSayWhenTheNewContentWasWhole) {
    const QString state = CInterruptedSaves::StateFolder();
    QDir().mkpath(state);
    const auto record = [&](const char* name, const QByteArray& text) {
        Write(state + "/" + name + CInterruptedSaves::RecordSuffix(), text);
    };
    const QByteArray odd = Native(dir.path()) + "/line\nbreak \xe9.txt";
    const QString target = FileNameFromBytes(odd);
    const auto put = [](const QByteArray& path, const QByteArray& bytes) {
        const int fd = ::open(path.constData(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, bytes.constData(), bytes.size()), bytes.size());
        ::close(fd);
    };
    put(odd, "cut");
    put(Native(P(".zorvek-aside-odd")), "the old content");
    record("a", CInterruptedSaves::RecordText(target, Native(P(".zorvek-aside-odd")), false));
    Write(P("plain"), "cu");
    Write(P(".zorvek-aside-plain"), "old");
    record("b", Native(P("plain")) + "\n" + Native(P(".zorvek-aside-plain")) + "\n");
    auto pending = CInterruptedSaves::Pending();
    ASSERT_EQ(pending.size(), 2);
    std::sort(pending.begin(), pending.end(),
              [](const auto& x, const auto& y) { return x.record < y.record; });
    EXPECT_EQ(pending[0].target, target);
    EXPECT_EQ(pending[0].targetSize, 3);
    EXPECT_EQ(pending[0].copySize, 15);
    EXPECT_EQ(pending[1].target, P("plain"));

    // The new content was whole: the copy goes without a question. So does a copy that is the
    // file's content (the save stopped before it touched the file).
    record("a", CInterruptedSaves::RecordText(target, Native(P(".zorvek-aside-odd")), false) +
                    CInterruptedSaves::CompleteLine(3));
    Write(P("plain"), "old");
    EXPECT_TRUE(CInterruptedSaves::Pending().isEmpty());
    EXPECT_FALSE(QFile::exists(P(".zorvek-aside-odd")));
    EXPECT_FALSE(QFile::exists(P(".zorvek-aside-plain")));
    EXPECT_TRUE(QDir(state).entryList(QDir::Files).isEmpty());
}
// Names that are no UTF-8, for the file, a hard link of it and a symbolic link to it: a save
// through the symbolic link killed half way leaves a copy recorded under the real name, found
// through any of the names, and put back into that very file.
TEST_F(InterruptedSaveTest, NamesThatAreNoUtf8SurviveAKilledSave) {
    const QByteArray folder = Native(dir.path());
    const QByteArray real = folder + "/caf\xe9.txt";
    const QByteArray old(1 << 20, 'o');
    {
        const int fd = ::open(real.constData(), O_CREAT | O_WRONLY, 0644);
        ASSERT_EQ(::write(fd, old.constData(), old.size()), old.size());
        ::close(fd);
    }
    ASSERT_EQ(::link(real.constData(), (folder + "/hard\xff").constData()), 0);
    ASSERT_EQ(::symlink("caf\xe9.txt", (folder + "/sym\xfe").constData()), 0);
    {
        SaveChild child(FileNameFromBytes(folder + "/sym\xfe"), 2 << 20, 1 << 19);
        ASSERT_EQ(child.Next(), 's');
        ASSERT_EQ(child.Next(), 'h');
    }
    const auto pending = CInterruptedSaves::Pending(FileNameFromBytes(folder + "/hard\xff"));
    ASSERT_EQ(pending.size(), 1);
    EXPECT_EQ(pending[0].target, FileNameFromBytes(real));
    CInterruptedSaves::Restore(pending[0]);
    for (const char* name : {"/caf\xe9.txt", "/hard\xff", "/sym\xfe"}) {
        QByteArray back(old.size() + 1, '\0');
        const int fd = ::open((folder + name).constData(), O_RDONLY);
        ASSERT_GE(fd, 0) << name;
        EXPECT_EQ(::read(fd, back.data(), back.size()), old.size()) << name;
        ::close(fd);
    }
    struct stat st {};
    ASSERT_EQ(::lstat((folder + "/sym\xfe").constData(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    // No twin under a name with replacement marks.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QChar(0xFFFD)),
              QStringList());
}
} // namespace
