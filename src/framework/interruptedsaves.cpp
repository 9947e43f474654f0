#include "framework/interruptedsaves.h"

#include "framework/file.h"
#include "framework/filename.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// A file is created and locked in one step as far as anyone can tell, but not quite: one this
// young may be a save that has yet to take its lock.
constexpr time_t kYoungSeconds = 10;

QString Canonical(const QString& path) {
    const QString canonical = CanonicalFileName(path);
    return canonical.isEmpty() ? AbsoluteFileName(path) : canonical;
}

// The same file under any of its names: hard links included.
bool SameFile(const QString& a, const QString& b) {
    struct stat sa {};
    struct stat sb {};
    if (::stat(FileNameToBytes(a).constData(), &sa) == 0 &&
        ::stat(FileNameToBytes(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return Canonical(a) == Canonical(b);
}

struct Record {
    QString target;
    QString copy;
};

Record ReadRecord(int fd) {
    char buf[16384];
    const ssize_t got = pread(fd, buf, sizeof buf, 0);
    const QList<QByteArray> lines = QByteArray(buf, got > 0 ? got : 0).split('\n');
    if (lines.size() < 2)
        return {};
    return {FileNameFromBytes(lines[0]), FileNameFromBytes(lines[1])};
}

QStringList RecordFiles() {
    const QDir folder(CInterruptedSaves::StateFolder());
    QStringList paths;
    for (const QString& name : folder.entryList(
             {QLatin1Char('*') + CInterruptedSaves::RecordSuffix()}, QDir::Files | QDir::Hidden))
        paths << folder.filePath(name);
    return paths;
}
} // namespace

QString CInterruptedSaves::StateFolder() {
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/zorvek");
}

QList<CInterruptedSaves::Copy> CInterruptedSaves::Pending(const QString& target) {
    QList<Copy> found;
    for (const QString& path : RecordFiles()) {
        const int fd = ::open(FileNameToBytes(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        // A record its save still holds locked belongs to a save in progress.
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
            const Record r = ReadRecord(fd);
            if (!r.copy.isEmpty() && !QFileInfo::exists(r.copy))
                QFile::remove(path); // the save finished but was stopped before tidying up
            else if (!r.copy.isEmpty() && (target.isEmpty() || SameFile(r.target, target)))
                found.push_back({r.target, r.copy, path});
        }
        ::close(fd);
    }
    return found;
}

void CInterruptedSaves::Restore(const Copy& copy) {
    {
        CReadFile from(copy.copy);
        CSafeSaveFile to(copy.target);
        std::vector<char> buf(1 << 20);
        while (const size_t got = from.Read(buf.data(), buf.size()))
            to.Write(buf.data(), got);
        to.Commit();
    }
    Discard(copy);
}

void CInterruptedSaves::Discard(const Copy& copy) {
    QFile::remove(copy.copy);
    QFile::remove(copy.record);
}

void CInterruptedSaves::RemoveStale(const QString& folder) {
    QSet<QString> recorded;
    for (const QString& path : RecordFiles()) {
        const int fd = ::open(FileNameToBytes(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        recorded.insert(Canonical(ReadRecord(fd).copy));
        ::close(fd);
    }
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({TempPrefix() + QLatin1Char('*'), AsidePrefix() + QLatin1Char('*')},
                      QDir::Files | QDir::Hidden | QDir::System);
    const time_t now = time(nullptr);
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        if (name.startsWith(AsidePrefix()) && recorded.contains(Canonical(path)))
            continue; // old content that may still be needed: offered back, never swept
        const QByteArray native = FileNameToBytes(path);
        struct stat seen {};
        if (lstat(native.constData(), &seen) != 0 || !S_ISREG(seen.st_mode) ||
            seen.st_uid != geteuid() || now - seen.st_mtime < kYoungSeconds)
            continue;
        const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat opened {};
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &opened) == 0 &&
            opened.st_ino == seen.st_ino && opened.st_dev == seen.st_dev)
            ::unlink(native.constData());
        ::close(fd);
    }
}
