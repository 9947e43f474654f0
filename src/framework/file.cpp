#include "framework/file.h"

#include "framework/filemetadata.h"
#include "framework/filename.h"
#include "framework/interruptedsaves.h"

#include "framework/messages.h"
#include "text/memoryfit.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
ssize_t SysRead(int fd, void* buf, size_t n) { return ::read(fd, buf, n); }
ssize_t SysWrite(int fd, const void* buf, size_t n) { return ::write(fd, buf, n); }
int SysMkostemp(char* pattern, int flags) { return ::mkostemp(pattern, flags); }
int SysFsync(int fd) { return ::fsync(fd); }
int SysRename(const char* from, const char* to) { return ::rename(from, to); }

QByteArray Native(const QString& path) {
    return FileNameToBytes(path);
}

// Refusals that say nothing about the file's content but only that this file cannot be
// replaced by another: a bind mount, another file system, or a folder or mount that allows
// writing the file but not renaming over it.
bool RenameRefusedButWritable(int error, const QByteArray& target) {
    if (error == EBUSY || error == EXDEV)
        return true;
    return (error == EPERM || error == EACCES) && ::access(target.constData(), W_OK) == 0;
}

QString ResolveLinks(const QString& path) {
    const QByteArray name = FileNameToBytes(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    const QString canonical = CanonicalFileName(path);
    if (!canonical.isEmpty())
        return canonical;
    // A link to a file yet to be made: the file it names.
    QByteArray target(PATH_MAX, '\0');
    const ssize_t n = ::readlink(name.constData(), target.data(), target.size());
    if (n <= 0)
        return path;
    target.truncate(n);
    const QString named = FileNameFromBytes(target);
    return AbsoluteFileName(target.startsWith('/') ? named : FolderOf(path) + '/' + named);
}
} // namespace

FileSystemCalls& FileSystem() {
    static FileSystemCalls calls{SysRead,  SysWrite,  SysMkostemp,
                                 SysFsync, SysRename, AvailableMemory};
    return calls;
}

int WriteAll(int fd, const char* buf, size_t n, bool repair) {
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

int ReadPieces(int from, const std::function<int(const char*, size_t)>& take) {
    if (lseek(from, 0, SEEK_SET) < 0)
        return errno;
    std::vector<char> buf(1 << 20);
    for (;;) {
        const ssize_t got = ::read(from, buf.data(), buf.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return errno;
        if (got == 0)
            return 0;
        if (int err = take(buf.data(), static_cast<size_t>(got)))
            return err;
    }
}

int CopyFileContent(int from, int to, bool repair) {
    if (lseek(to, 0, SEEK_SET) < 0 || ftruncate(to, 0) < 0)
        return errno;
    return ReadPieces(from,
                      [&](const char* piece, size_t n) { return WriteAll(to, piece, n, repair); });
}

mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

int SyncFolder(const QString& folder) {
    const int dir = ::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return errno;
    const int err = ::fsync(dir) == 0 || errno == EINVAL ? 0 : errno;
    ::close(dir);
    return err;
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

size_t CReadFile::ReadAt(int64_t offset, void* buf, size_t n) {
    size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(m_fd, static_cast<char*>(buf) + done, n - done,
                                    static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (got == 0)
            break;
        if (got > 0)
            done += static_cast<size_t>(got);
        else if (errno != EINTR && errno != EAGAIN)
            throw CFileException::FromErrno(errno, m_strPath);
    }
    return done;
}

void CReadFile::Write(const void*, size_t) { throw CFileException(CFileException::accessDenied); }

CSafeSaveFile::CSafeSaveFile(const QString& path) {
    m_strPath = path;
    m_strTarget = ResolveLinks(path);
    const QByteArray target = Native(m_strTarget);
    m_bExisted = ::stat(target.constData(), &m_old) == 0;
    if (m_bExisted && S_ISDIR(m_old.st_mode))
        throw CFileException::FromErrno(EISDIR, path);
    if (m_bExisted && (m_old.st_nlink > 1 || !S_ISREG(m_old.st_mode))) {
        OpenInPlace(0);
        return;
    }
    const QString folder = FolderOf(m_strTarget);
    m_tempName = Native(folder + QLatin1Char('/') + CInterruptedSaves::TempPrefix() +
                        QStringLiteral("XXXXXX"));
    m_fd = FileSystem().mkostemp(m_tempName.data(), O_CLOEXEC);
    if (m_fd < 0) {
        const int err = errno;
        m_tempName.clear();
        if (!m_bExisted)
            throw CFileException::FromErrno(err, path);
        OpenInPlace(err);
        return;
    }
    // Held until the save ends: an unlocked temporary file is a leftover anyone may remove.
    flock(m_fd, LOCK_EX);
    // Recorded, so that a save killed once the whole new content is written can be finished by
    // the next run, and any other leftover swept then. A save goes on without the record.
    m_tempRecord.Make(m_strTarget, m_tempName, true);
    if (!m_bExisted) {
        fchmod(m_fd, NewFileMode());
    } else if (!CFileMetadata::KeepOwner(m_fd, m_old)) {
        Abandon();
        OpenInPlace(0);
    }
}

void CSafeSaveFile::OpenInPlace(int firstError) {
    m_bInPlace = true;
    m_fd = ::open(Native(m_strTarget).constData(), O_RDWR | O_CLOEXEC);
    if (m_fd < 0)
        throw CFileException::FromErrno(firstError ? firstError : errno, m_strPath);
    struct stat st {};
    fstat(m_fd, &st);
    if (!S_ISREG(st.st_mode))
        return; // a device or a pipe: written straight through, there is nothing to set aside
    try {
        m_aside.Make(m_fd, m_strTarget);
    } catch (const CFileException&) {
        // Without a copy of the old content on disk the file is not touched at all.
        ::close(m_fd);
        m_fd = -1;
        throw;
    }
    if (lseek(m_fd, 0, SEEK_SET) < 0 || ftruncate(m_fd, 0) < 0) {
        const int err = errno;
        m_aside.Discard();
        ::close(m_fd);
        m_fd = -1;
        throw CFileException::FromErrno(err, m_strPath);
    }
}

CSafeSaveFile::~CSafeSaveFile() {
    if (!m_bCommitted)
        Abandon();
}

size_t CSafeSaveFile::Read(void*, size_t) { throw CFileException(CFileException::accessDenied); }

void CSafeSaveFile::Write(const void* buf, size_t n) {
    // Start writing back what is written so far, so that Commit has little left to wait for;
    // before this piece, so that nothing stands between the last piece and Commit recording
    // that the whole content is in. What was started a step before is waited for and let go of:
    // a save of gigabytes does not fill memory with pages the text holds already (which made
    // saving 4 GB six times slower than writing it).
    constexpr int64_t kWriteBackStep = 8 << 20;
    if (m_nWritten - m_nWrittenBack >= kWriteBackStep) {
        if (m_nWrittenBack > m_nLetGo) {
            sync_file_range(m_fd, m_nLetGo, m_nWrittenBack - m_nLetGo,
                            SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                SYNC_FILE_RANGE_WAIT_AFTER);
            posix_fadvise(m_fd, m_nLetGo, m_nWrittenBack - m_nLetGo, POSIX_FADV_DONTNEED);
            m_nLetGo = m_nWrittenBack;
        }
        sync_file_range(m_fd, m_nWrittenBack, m_nWritten - m_nWrittenBack, SYNC_FILE_RANGE_WRITE);
        m_nWrittenBack = m_nWritten;
    }
    const char* bytes = static_cast<const char*>(buf);
    size_t now = n;
    if (m_aside.IsMade() && n > 0) {
        if (m_bHolding)
            WriteHeld();
        m_cHeld = bytes[--now];
        m_bHolding = true;
    }
    if (int err = WriteAll(m_fd, bytes, now))
        throw CFileException::FromErrno(err, m_strPath);
    m_nWritten += static_cast<int64_t>(n);
}

void CSafeSaveFile::WriteHeld() {
    if (int err = WriteAll(m_fd, &m_cHeld, 1))
        throw CFileException::FromErrno(err, m_strPath);
    m_bHolding = false;
}

void CSafeSaveFile::Commit() {
    if (m_bInPlace) {
        CommitInPlace();
        return;
    }
    const QByteArray target = Native(m_strTarget);
    // Only now: writing to a file clears its setuid and setgid bits and its capabilities.
    if (m_bExisted)
        m_notKept = CFileMetadata::KeepModeAndAttributes(target, m_old, m_fd);
    m_tempRecord.MarkComplete(m_nWritten);
    if (FileSystem().fsync(m_fd) != 0 && errno != EINVAL)
        throw CFileException::FromErrno(errno, m_strPath);
    if (FileSystem().rename(m_tempName.constData(), target.constData()) != 0) {
        const int err = errno;
        if (!m_bExisted || !RenameRefusedButWritable(err, target))
            throw CFileException::FromErrno(err, m_strPath);
        ReplaceInPlace(err);
        return;
    }
    m_tempName.clear();
    SyncFolder(FolderOf(m_strTarget));
    m_tempRecord.Remove();
    ::close(m_fd);
    m_fd = -1;
    m_bCommitted = true;
}

void CSafeSaveFile::ReplaceInPlace(int renameError) {
    m_tempFd = m_fd;
    m_fd = -1;
    m_notKept.clear(); // the file stays the same file, with all that it carries
    OpenInPlace(renameError);
    // Written again, as the new content was written into the temporary file.
    m_nWritten = m_nWrittenBack = m_nLetGo = 0;
    if (int err = ReadPieces(m_tempFd, [this](const char* piece, size_t n) {
            Write(piece, n);
            return 0;
        }))
        throw CFileException::FromErrno(err, m_strPath);
    CommitInPlace();
    ::unlink(m_tempName.constData());
    m_tempRecord.Remove();
    m_tempName.clear();
    ::close(m_tempFd);
    m_tempFd = -1;
}

void CSafeSaveFile::CommitInPlace() {
    struct stat now {};
    // All of the new content but its last byte is in the file (written back by the system even
    // if this program stops now): recorded as complete, it takes that byte, and the old content
    // is no longer needed.
    if (fstat(m_fd, &now) == 0)
        m_aside.MarkComplete(now.st_size + (m_bHolding ? 1 : 0));
    if (m_bHolding)
        WriteHeld();
    // Writing clears the setuid and setgid bits: they are set again.
    if (m_bExisted && S_ISREG(now.st_mode) && (now.st_mode & 07777) != (m_old.st_mode & 07777))
        m_notKept << CFileMetadata::SetMode(m_fd, m_old.st_mode);
    if (FileSystem().fsync(m_fd) != 0 && errno != EINVAL)
        throw CFileException::FromErrno(errno, m_strPath);
    // Written into a file that another program deleted or replaced meanwhile, the text is in no
    // file anyone can open: that is no save.
    struct stat named {};
    if (fstat(m_fd, &now) == 0 && S_ISREG(now.st_mode) &&
        (::stat(Native(m_strTarget).constData(), &named) != 0 || named.st_ino != now.st_ino ||
         named.st_dev != now.st_dev))
        throw CFileException(
            CFileException::fileNotFound, ENOENT, m_strPath,
            QString::fromUtf8(Str::GoneDuringSave).arg(DisplayFileName(m_strPath)));
    m_aside.Discard();
    ::close(m_fd);
    m_fd = -1;
    m_bCommitted = true;
}

void CSafeSaveFile::Abandon() {
    // When the old content cannot be put back, its copy and record stay: they are offered back.
    if (m_bInPlace && m_fd >= 0 && m_aside.IsMade() && m_aside.PutBack(m_fd) == 0)
        m_aside.Discard();
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_tempFd >= 0)
        ::close(m_tempFd);
    if (!m_tempName.isEmpty())
        ::unlink(m_tempName.constData());
    m_tempRecord.Remove();
    m_fd = m_tempFd = -1;
    m_tempName.clear();
}
