#include "framework/profilestore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
class ProfileStoreTest : public ::testing::Test {
protected:
    void SetUp() override { CProfileStore::SetConfigRoot(root.path()); }
    void TearDown() override {
        CProfileStore::SetConfigRoot(qEnvironmentVariable("ZORVEK_TEST_CONFIG"));
    }
    QString Conf(const char* name) const {
        QDir(root.path()).mkpath("Vantreth Plc");
        return root.filePath(QStringLiteral("Vantreth Plc/%1.conf").arg(name));
    }
    static void Write(const QString& path, const QByteArray& text) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    static QByteArray Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }
    QTemporaryDir root;
};

TEST_F(ProfileStoreTest, SectionsKeepTheirNamesAndValuesReadBackExactly) {
    const QString tricky = QStringLiteral("line 1\nline 2\r\n\ttab \\ back=slash  ");
    {
        CProfileStore store("Vantreth Plc", "Zorvek");
        store.WriteProfileInt("Editor/Viewer Settings", "nTabWidth", 7);
        store.WriteProfileString("Search & Replace Settings", "0", tricky);
        store.WriteProfileInt("Editor/Viewer Settings", "neg", -2147483647 - 1);
        store.Flush();
    }
    const QString file = root.filePath("Vantreth Plc/Zorvek.conf");
    const QByteArray text = [&] {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    EXPECT_TRUE(text.contains("[Editor/Viewer Settings]\n"));
    EXPECT_TRUE(text.contains("nTabWidth=7\n"));

    CProfileStore store("Vantreth Plc", "Zorvek");
    EXPECT_EQ(store.GetProfileInt("Editor/Viewer Settings", "nTabWidth", 3), 7);
    EXPECT_EQ(store.GetProfileInt("Editor/Viewer Settings", "neg", 0), -2147483647 - 1);
    EXPECT_EQ(store.GetProfileString("Search & Replace Settings", "0"), tricky);
    EXPECT_EQ(store.GetProfileInt("Editor/Viewer Settings", "missing", 42), 42);
    EXPECT_EQ(store.GetProfileString("Nowhere", "x", "dflt"), "dflt");
}

TEST_F(ProfileStoreTest, CorruptLinesAreIgnoredAndNonNumbersReadAsTheDefault) {
    QDir(root.path()).mkpath("Vantreth Plc");
    QFile f(root.filePath("Vantreth Plc/Zorvek.conf"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("garbage before any section\n[S]\nn=12abc\nok=5\n=novalue\n[broken\n\xff\xfe\n");
    f.close();
    CProfileStore store("Vantreth Plc", "Zorvek");
    EXPECT_EQ(store.GetProfileInt("S", "n", 9), 9);
    EXPECT_EQ(store.GetProfileInt("S", "ok", 9), 5);
}

TEST_F(ProfileStoreTest, AHandEditedFileIsReadAsWrittenAndKeepsItsCommentsWhenWritten) {
    const QString file = Conf("Zorvek");
    Write(file, "; tuned by hand\n[Editor/Viewer Settings]\nbWordWrap = 0\nNTABWIDTH=5\n");
    {
        CProfileStore store("Vantreth Plc", "Zorvek");
        EXPECT_EQ(store.GetProfileInt("Editor/Viewer Settings", "bWordWrap", 1), 0);
        EXPECT_EQ(store.GetProfileInt("Editor/Viewer Settings", "nTabWidth", 3), 5);
        store.WriteProfileInt("Editor/Viewer Settings", "bWordWrap", 1);
        store.WriteProfileInt("Editor/Viewer Settings", "nTabWidth", 5);
    }
    EXPECT_EQ(Read(file), "; tuned by hand\n[Editor/Viewer Settings]\nbWordWrap=1\nnTabWidth=5\n");
}

TEST_F(ProfileStoreTest, TwoRunsWritingTheSameProfileKeepEachOthersChanges) {
    CProfileStore first("Vantreth Plc", "Zorvek");
    CProfileStore second("Vantreth Plc", "Zorvek");
    EXPECT_EQ(first.GetProfileInt("S", "a", 0), 0); // both have read the file before
    EXPECT_EQ(second.GetProfileInt("S", "b", 0), 0);
    first.WriteProfileInt("S", "a", 1);
    second.WriteProfileInt("S", "b", 2);
    first.Flush();
    second.Flush();
    CProfileStore later("Vantreth Plc", "Zorvek");
    EXPECT_EQ(later.GetProfileInt("S", "a", 0), 1);
    EXPECT_EQ(later.GetProfileInt("S", "b", 0), 2);
}

TEST_F(ProfileStoreTest, ASettingsFileThatIsNoFileOrFarTooLargeGivesDefaultsAndStaysAsItIs) {
    const QString fifo = Conf("Zorvekfifo");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_RDWR); // idle for ever
    const QString huge = Conf("Zorvekhuge");
    QByteArray keys;
    for (int i = 0; keys.size() <= CIniFile::kMaxSize; ++i)
        keys += "[S]\nnKey" + QByteArray::number(i) + "=7\n";
    Write(huge, keys);
    for (const char* profile : {"Zorvekfifo", "Zorvekhuge"}) {
        QElapsedTimer timer;
        timer.start();
        testing::internal::CaptureStderr();
        {
            CProfileStore store("Vantreth Plc", profile);
            EXPECT_EQ(store.GetProfileInt("S", "nKey1", 42), 42) << profile;
            EXPECT_TRUE(store.IsIgnored());
            store.WriteProfileInt("S", "nKey1", 5);
            store.Flush();
        }
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_LT(timer.elapsed(), 1000) << profile;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find(profile), std::string::npos) << err;
    }
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(fifo).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(Read(huge), keys);
    ::close(writer);
}

TEST_F(ProfileStoreTest, ProfilesLiveInTheirOwnFilesAndRemovalCleansTheCompanyFolder) {
    CProfileStore work("Vantreth Plc", "Zorvekwork");
    work.WriteProfileInt("A", "k", 1);
    work.Flush();
    EXPECT_TRUE(QFile::exists(root.filePath("Vantreth Plc/Zorvekwork.conf")));
    CProfileStore other("Vantreth Plc", "Zorvek");
    EXPECT_EQ(other.GetProfileInt("A", "k", 0), 0);
    work.RemoveProfile();
    EXPECT_FALSE(QFile::exists(root.filePath("Vantreth Plc/Zorvekwork.conf")));
    EXPECT_FALSE(QDir(root.filePath("Vantreth Plc")).exists());
}

TEST_F(ProfileStoreTest, RemovalTakesOnlyTheProfilesOwnFileAndAnEmptyCompanyFolder) {
    Write(Conf("Zorvek"), "[S]\nk=1\n");
    Write(Conf("Zorvekother"), "[S]\nk=2\n");
    QDir(root.path()).mkpath("Vantreth Plc/Zorvekdir.conf/inside");
    CProfileStore("Vantreth Plc", "Zorvek").RemoveProfile();
    EXPECT_FALSE(QFile::exists(Conf("Zorvek")));
    EXPECT_TRUE(QFile::exists(Conf("Zorvekother")));
    CProfileStore("Vantreth Plc", "Zorvekdir").RemoveProfile(); // a folder is not a profile
    EXPECT_TRUE(QDir(Conf("Zorvekdir") + "/inside").exists());
}
} // namespace
