#include "framework/setasidecopy.h"

#include "framework/file.h"
#include "framework/filename.h"
#include "framework/interruptedsaves.h"

#include <QDir>

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

CSaveRecord::~CSaveRecord() {
    if (m_fd >= 0)
        ::close(m_fd);
}

int CSaveRecord::Make(const QString& target, const QByteArray& file, bool newContent) {
    Remove();
    const QString folder = CInterruptedSaves::StateFolder();
    if (!QDir().mkpath(folder))
        return EACCES;
    QByteArray path = FileNameToBytes(folder + QStringLiteral("/save-XXXXXX") +
                                      CInterruptedSaves::RecordSuffix());
    m_fd = CreateLocked(path, 7);
    if (m_fd < 0)
        return errno;
    m_path = path;
    const QByteArray text = CInterruptedSaves::RecordText(target, file, newContent);
    int err = WriteAll(m_fd, text.constData(), static_cast<size_t>(text.size()));
    if (err == 0 && fdatasync(m_fd) != 0)
        err = errno;
    if (err == 0)
        err = SyncFolder(folder);
    if (err != 0)
        Remove();
    return err;
}

void CSaveRecord::MarkComplete(int64_t size) {
    if (m_fd < 0)
        return;
    const QByteArray line = CInterruptedSaves::CompleteLine(size);
    // Only a whole line counts when the record is read: a part of one is passed over.
    if (::lseek(m_fd, 0, SEEK_END) >= 0 &&
        WriteAll(m_fd, line.constData(), static_cast<size_t>(line.size())) == 0)
        fdatasync(m_fd);
}

void CSaveRecord::Remove() {
    if (!m_path.isEmpty())
        ::unlink(m_path.constData());
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

CSetAsideCopy::~CSetAsideCopy() {
    if (m_fd >= 0)
        ::close(m_fd);
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
    if (const int err = m_record.Make(target, m_path, false)) {
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
    m_record.MarkComplete(size);
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
    m_record.Remove();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}
