#include "framework/file.h"

#include "framework/filename.h"

#include "resources/strings.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
ssize_t SysRead(int fd, void* buf, size_t n) { return ::read(fd, buf, n); }
ssize_t SysWrite(int fd, const void* buf, size_t n) { return ::write(fd, buf, n); }

QByteArray Native(const QString& path) {
    return FileNameToBytes(path);
}

// Writes all of buf or returns the errno that stopped it. Putting old content back bypasses the
// replaceable system calls, so that a failure made up by a test cannot stop the repair.
int WriteAll(int fd, const char* buf, size_t n, bool repair = false) {
    while (n > 0) {
        const ssize_t done = repair ? ::write(fd, buf, n) : FileSystem().write(fd, buf, n);
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0)
            return errno;
        if (done == 0)
            return ENOSPC;
        buf += done;
        n -= static_cast<size_t>(done);
    }
    return 0;
}

// Copies the whole of `from` (from its start) over `to` (from its start, truncated first).
int CopyContent(int from, int to) {
    if (lseek(from, 0, SEEK_SET) < 0 || lseek(to, 0, SEEK_SET) < 0 || ftruncate(to, 0) < 0)
        return errno;
    char buf[65536];
    for (;;) {
        const ssize_t got = ::read(from, buf, sizeof buf);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        if (int err = WriteAll(to, buf, static_cast<size_t>(got), true))
            return err;
    }
}

QString ResolveLinks(const QString& path) {
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}
} // namespace

FileSystemCalls& FileSystem() {
    static FileSystemCalls calls{SysRead, SysWrite};
    return calls;
}

int CFileException::CauseFromErrno(int error) {
    switch (error) {
    case 0: return none;
    case ENOENT: return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL: return badPath;
    case EMFILE:
    case ENFILE: return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EEXIST: return accessDenied;
    case EBADF: return invalidFile;
    case ESPIPE: return badSeek;
    case EIO:
    case ENXIO:
    case ENODEV: return hardIO;
    case EBUSY:
    case ETXTBSY: return sharingViolation;
    case ENOLCK:
    case EDEADLK: return lockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return diskFull;
    default: return generic;
    }
}

QString CFileException::GetErrorMessage(const QString& path) const {
    if (!m_strMessage.isEmpty())
        return m_strMessage;
    const int count = static_cast<int>(sizeof Str::FileErrors / sizeof Str::FileErrors[0]);
    const int cause = m_cause >= 0 && m_cause < count ? m_cause : generic;
    return QString::fromUtf8(Str::FileErrors[cause]).arg(path);
}

CReadFile::CReadFile(const QString& path) {
    m_strPath = path;
    // Non-blocking only while opening, so that a pipe without a writer cannot hang us.
    m_fd = ::open(Native(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (m_fd < 0)
        throw CFileException::FromErrno(errno, path);
    struct stat st {};
    if (fstat(m_fd, &st) < 0 || S_ISDIR(st.st_mode)) {
        const int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(m_fd);
        m_fd = -1;
        throw CFileException::FromErrno(err, path);
    }
    fcntl(m_fd, F_SETFL, fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
    m_nLength = S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : -1;
}

CReadFile::~CReadFile() {
    if (m_fd >= 0)
        ::close(m_fd);
}

size_t CReadFile::Read(void* buf, size_t n) {
    for (;;) {
        const ssize_t got = FileSystem().read(m_fd, buf, n);
        if (got >= 0)
            return static_cast<size_t>(got);
        if (errno != EINTR && errno != EAGAIN)
            throw CFileException::FromErrno(errno, m_strPath);
    }
}

void CReadFile::Write(const void*, size_t) { throw CFileException(CFileException::accessDenied); }

CSafeSaveFile::CSafeSaveFile(const QString& path) {
    m_strPath = path;
    m_strTarget = ResolveLinks(path);
    struct stat st {};
    const bool exists = ::stat(Native(m_strTarget).constData(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode))
        throw CFileException::FromErrno(EISDIR, path);
    if (exists && (st.st_nlink > 1 || !S_ISREG(st.st_mode))) {
        OpenInPlace(0);
        return;
    }
    const QString folder = QFileInfo(m_strTarget).absolutePath();
    m_tempName = Native(folder + QStringLiteral("/.zorvek-save-XXXXXX"));
    m_fd = mkostemp(m_tempName.data(), O_CLOEXEC);
    if (m_fd < 0) {
        const int err = errno;
        m_tempName.clear();
        if (!exists)
            throw CFileException::FromErrno(err, path);
        OpenInPlace(err);
        return;
    }
    if (exists) {
        struct stat mine {};
        fstat(m_fd, &mine);
        fchmod(m_fd, st.st_mode & 07777);
        if ((mine.st_uid != st.st_uid || mine.st_gid != st.st_gid) &&
            fchown(m_fd, st.st_uid, st.st_gid) != 0) {
            Abandon();
            OpenInPlace(0);
        }
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(m_fd, 0666 & ~mask);
    }
}

void CSafeSaveFile::OpenInPlace(int firstError) {
    m_bInPlace = true;
    m_fd = ::open(Native(m_strTarget).constData(), O_RDWR | O_CLOEXEC);
    if (m_fd < 0)
        throw CFileException::FromErrno(firstError ? firstError : errno, m_strPath);
    const QByteArray tempDir = Native(QDir::tempPath());
    m_asideFd = ::open(tempDir.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    int err = m_asideFd < 0 ? errno : CopyContent(m_fd, m_asideFd);
    if (err == 0 && (lseek(m_fd, 0, SEEK_SET) < 0 || ftruncate(m_fd, 0) < 0))
        err = errno;
    if (err != 0) {
        // Without a copy of the old content the file is not touched at all.
        ::close(m_fd);
        m_fd = -1;
        if (m_asideFd >= 0)
            ::close(m_asideFd);
        m_asideFd = -1;
        throw CFileException::FromErrno(err, m_strPath);
    }
}

CSafeSaveFile::~CSafeSaveFile() {
    if (!m_bCommitted)
        Abandon();
}

size_t CSafeSaveFile::Read(void*, size_t) { throw CFileException(CFileException::accessDenied); }

void CSafeSaveFile::Write(const void* buf, size_t n) {
    if (int err = WriteAll(m_fd, static_cast<const char*>(buf), n))
        throw CFileException::FromErrno(err, m_strPath);
    m_nWritten += static_cast<int64_t>(n);
    // Start writing back what is written so far, so that Commit has little left to wait for.
    constexpr int64_t kWriteBackStep = 8 << 20;
    if (m_nWritten - m_nWrittenBack >= kWriteBackStep) {
        sync_file_range(m_fd, m_nWrittenBack, m_nWritten - m_nWrittenBack, SYNC_FILE_RANGE_WRITE);
        m_nWrittenBack = m_nWritten;
    }
}

void CSafeSaveFile::Commit() {
    if (fdatasync(m_fd) != 0 && errno != EINVAL)
        throw CFileException::FromErrno(errno, m_strPath);
    if (!m_bInPlace) {
        if (::rename(m_tempName.constData(), Native(m_strTarget).constData()) != 0)
            throw CFileException::FromErrno(errno, m_strPath);
        m_tempName.clear();
    }
    ::close(m_fd);
    m_fd = -1;
    if (m_asideFd >= 0)
        ::close(m_asideFd);
    m_asideFd = -1;
    m_bCommitted = true;
}

void CSafeSaveFile::Abandon() {
    if (m_bInPlace && m_fd >= 0 && m_asideFd >= 0)
        CopyContent(m_asideFd, m_fd);
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_asideFd >= 0)
        ::close(m_asideFd);
    if (!m_tempName.isEmpty())
        ::unlink(m_tempName.constData());
    m_fd = m_asideFd = -1;
    m_tempName.clear();
}
