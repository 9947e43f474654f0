#include "framework/file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {
QByteArray Read(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

void Save(const QString& path, const QByteArray& bytes) {
    CSafeSaveFile file(path);
    file.Write(bytes.constData(), bytes.size());
    file.Commit();
}

// Makes writes fail with `error` once `budget` bytes have been written.
struct FailingWrites {
    FailingWrites(size_t budget, int error) {
        s_budget = budget;
        s_error = error;
        saved = FileSystem().write;
        FileSystem().write = [](int fd, const void* buf, size_t n) -> ssize_t {
            if (s_budget == 0) {
                errno = s_error;
                return -1;
            }
            const size_t now = std::min(n, s_budget);
            s_budget -= now;
            return ::write(fd, buf, now);
        };
    }
    ~FailingWrites() { FileSystem().write = saved; }
    static inline size_t s_budget = 0;
    static inline int s_error = 0;
    ssize_t (*saved)(int, const void*, size_t);
};

TEST(FileErrors, ErrnoMapsToCauseAndText) {
    struct {
        int error;
        int cause;
        const char* text;
    } cases[] = {
        {ENOENT, CFileException::fileNotFound, "/x/f was not found."},
        {EACCES, CFileException::accessDenied, "Access to /x/f was denied."},
        {EROFS, CFileException::accessDenied, "Access to /x/f was denied."},
        {ENOSPC, CFileException::diskFull, "Disk full while accessing /x/f."},
        {EMFILE, CFileException::tooManyOpenFiles,
         "/x/f could not be opened because there are too many open files."},
        {ENOTDIR, CFileException::badPath, "/x/f contains an invalid path."},
        {ENAMETOOLONG, CFileException::badPath, "/x/f contains an invalid path."},
        {EIO, CFileException::hardIO, "A hardware I/O error was reported while accessing /x/f."},
        {EXDEV, CFileException::generic, "An unknown error occurred while accessing /x/f."},
    };
    for (const auto& c : cases) {
        const CFileException e = CFileException::FromErrno(c.error, "/x/f");
        EXPECT_EQ(e.m_cause, c.cause) << c.error;
        EXPECT_EQ(e.GetErrorMessage("/x/f"), c.text) << c.error;
    }
}

class SafeSaveTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString P(const char* name) const { return dir.filePath(name); }
};

TEST_F(SafeSaveTest, ReplacesAtomicallyKeepingModeAndLeavesNoTemporaryFile) {
    Write(P("f"), "old");
    chmod(QFile::encodeName(P("f")).constData(), 0640);
    Save(P("f"), QByteArray("new\0bytes", 9));
    EXPECT_EQ(Read(P("f")), QByteArray("new\0bytes", 9));
    struct stat st {};
    stat(QFile::encodeName(P("f")).constData(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

TEST_F(SafeSaveTest, FollowsSymbolicLinks) {
    Write(P("target"), "old");
    QFile::link(P("target"), P("link"));
    Save(P("link"), "new");
    EXPECT_TRUE(QFileInfo(P("link")).isSymLink());
    EXPECT_EQ(Read(P("target")), "new");
}

TEST_F(SafeSaveTest, KeepsHardLinksByWritingInPlace) {
    Write(P("a"), "old content");
    ASSERT_EQ(::link(QFile::encodeName(P("a")).constData(), QFile::encodeName(P("b")).constData()), 0);
    CSafeSaveFile file(P("a"));
    EXPECT_TRUE(file.IsInPlace());
    file.Write("new", 3);
    file.Commit();
    EXPECT_EQ(Read(P("b")), "new");
}

TEST_F(SafeSaveTest, AFailurePartWayLeavesTheFileAsItWas) {
    const QByteArray old(100000, 'o');
    for (bool hardLinked : {false, true}) {
        Write(P("f"), old);
        if (hardLinked)
            ::link(QFile::encodeName(P("f")).constData(), QFile::encodeName(P("g")).constData());
        try {
            CSafeSaveFile file(P("f"));
            EXPECT_EQ(file.IsInPlace(), hardLinked);
            FailingWrites failing(5000, ENOSPC);
            const QByteArray data(20000, 'n');
            file.Write(data.constData(), data.size());
            FAIL() << "the write should have failed";
        } catch (const CFileException& e) {
            EXPECT_EQ(e.m_cause, CFileException::diskFull);
        }
        EXPECT_EQ(Read(P("f")), old) << "hard linked: " << hardLinked;
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), hardLinked ? 2 : 1);
    }
}

TEST_F(SafeSaveTest, NewFilesGetTheUsualPermissions) {
    const mode_t mask = umask(022);
    Save(P("fresh"), "x");
    umask(mask);
    struct stat st {};
    stat(QFile::encodeName(P("fresh")).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(SafeSaveTest, ReadingAFolderOrAMissingFileFails) {
    try {
        CReadFile f(dir.path());
        FAIL();
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::accessDenied);
    }
    try {
        CReadFile f(P("missing"));
        FAIL();
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    }
}
} // namespace
