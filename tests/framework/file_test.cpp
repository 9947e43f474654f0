#include "framework/file.h"
#include "framework/filemetadata.h"
#include "framework/interruptedsaves.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <functional>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
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
    ASSERT_EQ(::link(QFile::encodeName(P("a")).constData(), QFile::encodeName(P("b")).constData()),
              0);
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
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                  hardLinked ? 2 : 1);
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

// Replaces one system call of the save for as long as it lives.
template <typename Fn> struct Replaced {
    Replaced(Fn& slot, Fn with) : slot(slot), saved(slot) { slot = with; }
    ~Replaced() { slot = saved; }
    Fn& slot;
    Fn saved;
};

int g_renameError = 0;
int RefuseRename(const char*, const char*) {
    errno = g_renameError;
    return -1;
}
// A refused rename after which the disk fills up once the set-aside copy is made.
size_t g_asideSize = 0;
int RefuseRenameThenFill(const char*, const char*) {
    FailingWrites::s_budget = g_asideSize;
    FailingWrites::s_error = ENOSPC;
    errno = EBUSY;
    return -1;
}

class SaveStepTest : public SafeSaveTest {
protected:
    void SetUp() override {
        saved = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath("state")));
    }
    void TearDown() override { qputenv("XDG_STATE_HOME", saved); }
    ino_t Inode(const char* name) const {
        struct stat st {};
        stat(QFile::encodeName(P(name)).constData(), &st);
        return st.st_ino;
    }
    QStringList Files() const {
        return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    QByteArray saved;
};

TEST_F(SaveStepTest, AFailureAtEveryStepLeavesTheFileAndNothingElse) {
    const QByteArray old(200000, 'o');
    const QByteArray fresh(300000, 'n');
    g_asideSize = old.size();
    struct Step {
        const char* name;
        bool hardLinked;
        std::function<void()> fail; // arms the failure once the save has begun
        int cause;
    };
    const Step steps[] = {
        {"write", false,
         [] {
             FailingWrites::s_budget = 1000;
             FailingWrites::s_error = ENOSPC;
         },
         CFileException::diskFull},
        {"flush", false,
         [] {
             FileSystem().fsync = [](int) {
                 errno = EIO;
                 return -1;
             };
         },
         CFileException::hardIO},
        {"rename", false,
         [] {
             g_renameError = EIO;
             FileSystem().rename = RefuseRename;
         },
         CFileException::hardIO},
        {"in-place fallback", false, [] { FileSystem().rename = RefuseRenameThenFill; },
         CFileException::diskFull},
        {"in-place write", true,
         [] {
             FailingWrites::s_budget = 1000;
             FailingWrites::s_error = ENOSPC;
         },
         CFileException::diskFull},
        {"in-place flush", true,
         [] {
             FileSystem().fsync = [](int) {
                 errno = EIO;
                 return -1;
             };
         },
         CFileException::hardIO},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        QFile::remove(P("link"));
        Write(P("f"), old);
        if (step.hardLinked)
            ::link(QFile::encodeName(P("f")).constData(), QFile::encodeName(P("link")).constData());
        const QStringList before = Files();
        const auto calls = FileSystem();
        int cause = -1;
        try {
            FailingWrites writes(SIZE_MAX, 0);
            CSafeSaveFile file(P("f"));
            step.fail();
            file.Write(fresh.constData(), fresh.size());
            file.Commit();
        } catch (const CFileException& e) {
            cause = e.m_cause;
        }
        FileSystem() = calls;
        EXPECT_EQ(cause, step.cause);
        EXPECT_EQ(Read(P("f")), old);
        EXPECT_EQ(Files(), before) << "no temporary file or set-aside copy is left";
        EXPECT_TRUE(CInterruptedSaves::Pending().isEmpty());
    }
}

TEST_F(SaveStepTest, ANewFileThatCannotBeCreatedIsReported) {
    Replaced<int (*)(char*, int)> full(FileSystem().mkostemp, [](char*, int) {
        errno = ENOSPC;
        return -1;
    });
    try {
        CSafeSaveFile file(P("new"));
        FAIL();
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::diskFull);
    }
    EXPECT_TRUE(Files().isEmpty());
}

// A bind-mounted file, or one on a file system that takes no rename over it, is written in
// place instead, silently; a rename refused for any other reason is reported.
TEST_F(SaveStepTest, ARefusedRenameFallsBackToWritingInPlace) {
    const struct {
        int error;
        bool saved;
    } cases[] = {{EBUSY, true}, {EXDEV, true}, {EPERM, true}, {EACCES, true}, {EIO, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::strerror(c.error));
        Write(P("f"), "old content");
        const ino_t inode = Inode("f");
        g_renameError = c.error;
        Replaced<int (*)(const char*, const char*)> refused(FileSystem().rename, RefuseRename);
        bool inPlace = false;
        try {
            CSafeSaveFile file(P("f"));
            file.Write("new", 3);
            file.Commit();
            inPlace = file.IsInPlace();
            EXPECT_TRUE(file.NotKept().isEmpty());
        } catch (const CFileException&) {
        }
        EXPECT_EQ(inPlace, c.saved);
        EXPECT_EQ(Read(P("f")), c.saved ? "new" : "old content");
        EXPECT_EQ(Inode("f"), inode);
        EXPECT_EQ(Files(), QStringList{"f"});
        EXPECT_TRUE(CInterruptedSaves::Pending().isEmpty());
    }
}

TEST_F(SaveStepTest, AFullSetAsideFolderIsNamedInsteadOfTheFile) {
    Write(P("f"), "old content");
    ::link(QFile::encodeName(P("f")).constData(), QFile::encodeName(P("link")).constData());
    FailingWrites full(0, ENOSPC);
    try {
        CSafeSaveFile file(P("f"));
        FAIL();
    } catch (const CFileException& e) {
        EXPECT_EQ(e.GetErrorMessage(e.m_strFileName),
                  "Disk full while accessing " + dir.path() + ".");
    }
    EXPECT_EQ(Read(P("f")), "old content");
}

// ACL entries as the kernel stores them: a version, then tag, permissions and id per entry.
QByteArray Acl(std::initializer_list<std::array<uint32_t, 3>> entries) {
    QByteArray acl;
    const auto put = [&acl](uint32_t v, int bytes) {
        acl.append(reinterpret_cast<const char*>(&v), bytes);
    };
    put(2, 4);
    for (const auto& e : entries) {
        put(e[0], 2);
        put(e[1], 2);
        put(e[2], 4);
    }
    return acl;
}

QByteArray Attribute(const QString& path, const char* name) {
    char buf[4096];
    const ssize_t n = getxattr(QFile::encodeName(path).constData(), name, buf, sizeof buf);
    return n < 0 ? QByteArray("<none>") : QByteArray(buf, n);
}

// Runs as root and once more as an unprivileged user (see tests/CMakeLists.txt).
class SaveKeepsUnprivilegedToo : public SaveStepTest {};

TEST_F(SaveKeepsUnprivilegedToo, OwnerModeAclAndAttributes) {
    const bool root = geteuid() == 0;
    const QByteArray f = QFile::encodeName(P("f"));
    Write(P("f"), "old");
    // Another user's file for root; setgid needs the file's group to be the user's own.
    if (root)
        ASSERT_EQ(chown(f.constData(), 65534, 65534), 0);
    const mode_t mode = root ? 06754 : 02754;
    ASSERT_EQ(chmod(f.constData(), mode), 0);
    constexpr uint32_t none = 0xFFFFFFFF;
    // A named user may write, but the mask lets the group and that user only read.
    const QByteArray acl =
        Acl({{0x01, 6, none}, {0x02, 6, 4242}, {0x04, 6, none}, {0x10, 4, none}, {0x20, 4, none}});
    ASSERT_EQ(setxattr(f.constData(), "system.posix_acl_access", acl.constData(), acl.size(), 0), 0)
        << std::strerror(errno);
    ASSERT_EQ(setxattr(f.constData(), "user.origin", "zorvek", 6, 0), 0) << std::strerror(errno);
    if (root)
        ASSERT_EQ(setxattr(f.constData(), "trusted.note", "kept", 4, 0), 0);
    struct stat before {};
    stat(f.constData(), &before);
    const QByteArray aclBefore = Attribute(P("f"), "system.posix_acl_access");

    CSafeSaveFile file(P("f"));
    file.Write("new", 3);
    file.Commit();

    struct stat after {};
    stat(f.constData(), &after);
    EXPECT_FALSE(file.IsInPlace());
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode & 07777, before.st_mode & 07777);
    EXPECT_EQ(after.st_mode & 07000, mode & 07000);
    EXPECT_EQ(Attribute(P("f"), "system.posix_acl_access"), aclBefore);
    EXPECT_EQ(Attribute(P("f"), "user.origin"), "zorvek");
    if (root)
        EXPECT_EQ(Attribute(P("f"), "trusted.note"), "kept");
    EXPECT_TRUE(file.NotKept().isEmpty()) << file.NotKept().join(", ").toStdString();
    EXPECT_EQ(Read(P("f")), "new");
}

TEST_F(SaveKeepsUnprivilegedToo, AFolderDefaultAclDoesNotOpenUpTheFile) {
    const QByteArray sub = QFile::encodeName(P("shared"));
    ASSERT_EQ(mkdir(sub.constData(), 0755), 0);
    const QString f = P("shared") + "/f";
    Write(f, "old");
    chmod(QFile::encodeName(f).constData(), 0600);
    constexpr uint32_t none = 0xFFFFFFFF;
    const QByteArray everyone = Acl({{0x01, 7, none}, {0x04, 7, none}, {0x20, 7, none}});
    ASSERT_EQ(setxattr(sub.constData(), "system.posix_acl_default", everyone.constData(),
                       everyone.size(), 0),
              0);
    CSafeSaveFile file(f);
    file.Write("new", 3);
    file.Commit();
    struct stat st {};
    stat(QFile::encodeName(f).constData(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(Attribute(f, "system.posix_acl_access"), "<none>");
}

TEST_F(SaveKeepsUnprivilegedToo, AnInPlaceSaveKeepsSetuidAndSetgid) {
    const QByteArray f = QFile::encodeName(P("f"));
    Write(P("f"), "old");
    ::link(f.constData(), QFile::encodeName(P("link")).constData());
    const mode_t mode = geteuid() == 0 ? 06755 : 02755;
    chmod(f.constData(), mode);
    CSafeSaveFile file(P("f"));
    file.Write("new", 3);
    file.Commit();
    EXPECT_TRUE(file.IsInPlace());
    struct stat st {};
    stat(f.constData(), &st);
    EXPECT_EQ(st.st_mode & 07777, mode);
    EXPECT_EQ(Read(P("link")), "new");
}

TEST_F(SaveStepTest, WhatCannotBeKeptIsNamed) {
    const QByteArray old = QFile::encodeName(P("old"));
    Write(P("old"), "x");
    ASSERT_EQ(setxattr(old.constData(), "user.origin", "zorvek", 6, 0), 0);
    struct stat st {};
    stat(old.constData(), &st);
    Write(P("new"), "y");
    // A descriptor that allows neither a mode nor an attribute to be set.
    const int fd = ::open(QFile::encodeName(P("new")).constData(), O_PATH);
    EXPECT_EQ(CFileMetadata::KeepModeAndAttributes(old, st, fd),
              QStringList({"the permissions", "the attribute user.origin"}));
    ::close(fd);
}

// The system drops the setgid bit of a file saved by a user outside its group, without an
// error: that is said, as any metadata that cannot be kept.
TEST(FileMetadata, ASetgidBitTheSystemDropsIsSaid) {
    if (geteuid() != 0)
        GTEST_SKIP() << "making a file of a group the saving user is not in needs root";
    QTemporaryDir dir;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0777), 0);
    const QByteArray path = QFile::encodeName(dir.filePath("shared"));
    const int made = ::open(path.constData(), O_CREAT | O_WRONLY, 0664);
    ASSERT_GE(made, 0);
    ::close(made);
    const uid_t nobody = 65534;
    ASSERT_EQ(::chown(path.constData(), nobody, 0), 0);
    ASSERT_EQ(::chmod(path.constData(), 02775), 0);
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t child = ::fork();
    if (child == 0) { // the owner, outside the file's group, saves it
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            ::_exit(2);
        const int fd = ::open(path.constData(), O_RDWR);
        if (::write(fd, "new", 3) != 3) // writing clears the bit
            ::_exit(3);
        const QByteArray said = CFileMetadata::SetMode(fd, 02775).join('|').toUtf8();
        [[maybe_unused]] const ssize_t n = ::write(out[1], said.constData(), said.size());
        ::_exit(0);
    }
    ::close(out[1]);
    char said[256] = {};
    [[maybe_unused]] const ssize_t n = ::read(out[0], said, sizeof said - 1);
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_STREQ(said, "the setgid bit");
}
} // namespace
