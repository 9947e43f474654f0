#include "framework/setasidecopy.h"

#include "framework/file.h"
#include "framework/filename.h"
#include "framework/interruptedsaves.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {
// Creates a new file from `pattern` (ending in XXXXXX and `suffixLength` more characters),
// locked for as long as it stays open, so that no one takes it for a leftover.
int CreateLocked(QByteArray& pattern, int suffixLength) {
    const int fd = mkostemps(pattern.data(), suffixLength, O_CLOEXEC);
    if (fd >= 0)
        flock(fd, LOCK_EX);
    return fd;
}

bool Refused(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}
} // namespace

CSetAsideCopy::~CSetAsideCopy() {
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_recordFd >= 0)
        ::close(m_recordFd);
}

void CSetAsideCopy::Make(int fd, const QString& target) {
    const QString places[] = {FolderOf(target), CInterruptedSaves::StateFolder(), QDir::tempPath()};
    int reported = 0;
    QString reportedPlace;
    for (const QString& place : places) {
        const int err = MakeIn(place, fd);
        if (err == 0)
            break;
        // "Access denied" of one place says less than "disk full" of another.
        if (reported == 0 || (Refused(reported) && !Refused(err))) {
            reported = err;
            reportedPlace = place;
        }
    }
    if (m_fd < 0)
        throw CFileException::FromErrno(reported, reportedPlace);
    // Read back by a later run, perhaps started in another folder.
    const QByteArray record = CInterruptedSaves::RecordText(target, m_path);
    int err = 0;
    QByteArray recordPath =
        FileNameToBytes(CInterruptedSaves::StateFolder() + QStringLiteral("/save-XXXXXX") +
                        CInterruptedSaves::RecordSuffix());
    if (!QDir().mkpath(CInterruptedSaves::StateFolder()))
        err = EACCES;
    if (err == 0 && (m_recordFd = CreateLocked(recordPath, 7)) < 0)
        err = errno;
    if (err == 0)
        err = WriteAll(m_recordFd, record.constData(), static_cast<size_t>(record.size()));
    if (err == 0 && fdatasync(m_recordFd) != 0)
        err = errno;
    if (err == 0)
        err = SyncFolder(CInterruptedSaves::StateFolder());
    if (m_recordFd >= 0)
        m_recordPath = recordPath;
    if (err != 0) {
        Discard();
        throw CFileException::FromErrno(err, CInterruptedSaves::StateFolder());
    }
}

int CSetAsideCopy::MakeIn(const QString& folder, int from) {
    if (!QDir().mkpath(folder))
        return EACCES;
    QByteArray path = FileNameToBytes(folder + QLatin1Char('/') + CInterruptedSaves::AsidePrefix() +
                                      QStringLiteral("XXXXXX"));
    const int fd = CreateLocked(path, 0);
    if (fd < 0)
        return errno;
    int err = CopyFileContent(from, fd, false);
    if (err == 0 && fdatasync(fd) != 0)
        err = errno;
    if (err == 0)
        err = SyncFolder(folder);
    if (err != 0) {
        ::unlink(path.constData());
        ::close(fd);
        return err;
    }
    m_fd = fd;
    m_path = path;
    return 0;
}

void CSetAsideCopy::MarkComplete(int64_t size) {
    if (m_recordFd < 0)
        return;
    const QByteArray line = CInterruptedSaves::CompleteLine(size);
    // Only a whole line counts when the record is read: a part of one is passed over.
    if (::lseek(m_recordFd, 0, SEEK_END) >= 0 &&
        WriteAll(m_recordFd, line.constData(), static_cast<size_t>(line.size())) == 0)
        fdatasync(m_recordFd);
}

int CSetAsideCopy::PutBack(int fd) const {
    if (int err = CopyFileContent(m_fd, fd, true))
        return err;
    return fdatasync(fd) == 0 || errno == EINVAL ? 0 : errno;
}

void CSetAsideCopy::Discard() {
    // The copy goes first: a record without its copy is harmless, a copy without a record is
    // merely a spare.
    if (!m_path.isEmpty())
        ::unlink(m_path.constData());
    if (!m_recordPath.isEmpty())
        ::unlink(m_recordPath.constData());
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_recordFd >= 0)
        ::close(m_recordFd);
    m_fd = m_recordFd = -1;
    m_path.clear();
    m_recordPath.clear();
}
