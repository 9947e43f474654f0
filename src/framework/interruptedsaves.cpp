#include "framework/interruptedsaves.h"

#include "framework/file.h"
#include "framework/filename.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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
    qint64 completeSize = -1; // the size of the whole new content, once written
    bool newContent = false;
};

constexpr char kRecordHeader[] = "zorvek-record 2";

Record ReadRecord(int fd) {
    char buf[16384];
    const ssize_t got = pread(fd, buf, sizeof buf, 0);
    const QList<QByteArray> lines = QByteArray(buf, got > 0 ? got : 0).split('\n');
    if (lines.size() < 2)
        return {};
    if (lines[0] != kRecordHeader) // written before names were encoded: two lines as they are
        return {FileNameFromBytes(lines[0]), FileNameFromBytes(lines[1])};
    if (lines.size() < 3)
        return {};
    Record r{FileNameFromBytes(QByteArray::fromPercentEncoding(lines[1])),
             FileNameFromBytes(QByteArray::fromPercentEncoding(lines[2]))};
    for (qsizetype i = 3; i + 1 < lines.size(); ++i) { // whole lines only
        if (lines[i] == "new")
            r.newContent = true;
        if (lines[i].startsWith("complete ")) {
            bool ok = false;
            const qint64 size = lines[i].mid(9).toLongLong(&ok);
            if (ok)
                r.completeSize = size;
        }
    }
    return r;
}

qint64 SizeOf(const QString& path) {
    struct stat st {};
    return ::stat(FileNameToBytes(path).constData(), &st) == 0 ? st.st_size : -1;
}

// Whether the recorded copy may give what the file lacks: the old content of a file the save
// did not finish writing in place, or the whole new content of a save stopped before its end.
bool Needed(const Record& r) {
    const bool whole =
        r.completeSize >= 0 && SizeOf(r.newContent ? r.copy : r.target) == r.completeSize;
    return r.newContent == whole;
}

// Whether two files hold the same bytes.
bool SameContent(const QString& a, const QString& b) {
    if (SizeOf(a) != SizeOf(b))
        return false;
    try {
        CReadFile x(a), y(b);
        std::vector<char> bx(1 << 20), by(1 << 20);
        for (;;) {
            const size_t got = x.Read(bx.data(), bx.size());
            if (y.Read(by.data(), got) != got || std::memcmp(bx.data(), by.data(), got) != 0)
                return false;
            if (got == 0)
                return true;
        }
    } catch (const CFileException&) {
        return false;
    }
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
            const Copy copy{r.target, r.copy, path, SizeOf(r.target), SizeOf(r.copy), r.newContent};
            if (r.copy.isEmpty() || (!target.isEmpty() && !SameFile(r.target, target)))
                ; // another file's
            else if (copy.copySize < 0)
                QFile::remove(path); // the save finished but was stopped before tidying up
            else if (!Needed(r) || SameContent(r.target, r.copy))
                Discard(copy); // nothing to offer: the file holds what the copy would give
            else
                found.push_back(copy);
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
    ::unlink(FileNameToBytes(copy.copy).constData());
    ::unlink(FileNameToBytes(copy.record).constData());
}

QString CInterruptedSaves::Keep(const Copy& copy) {
    // Named after the file it belongs to, where the copy is, and never over another file.
    const QString base =
        FolderOf(copy.copy) + QLatin1Char('/') + QFileInfo(copy.target).fileName() +
        (copy.newContent ? QStringLiteral(".unsaved") : QStringLiteral(".before-save"));
    for (int n = 0; n < 100; ++n) {
        const QString kept = n == 0 ? base : base + QLatin1Char('-') + QString::number(n);
        if (::link(FileNameToBytes(copy.copy).constData(), FileNameToBytes(kept).constData()) ==
            0) {
            Discard(copy);
            return kept;
        }
        if (errno != EEXIST)
            break;
    }
    return QString();
}

QByteArray CInterruptedSaves::RecordText(const QString& target, const QByteArray& copy,
                                         bool newContent) {
    return QByteArray(kRecordHeader) + '\n' +
           FileNameToBytes(AbsoluteFileName(target)).toPercentEncoding() + '\n' +
           copy.toPercentEncoding() + '\n' + (newContent ? "new\n" : "");
}

QByteArray CInterruptedSaves::CompleteLine(qint64 size) {
    return "complete " + QByteArray::number(size) + '\n';
}

void CInterruptedSaves::RemoveStale(const QString& folder) {
    QSet<QString> recorded;
    for (const QString& path : RecordFiles()) {
        const int fd = ::open(FileNameToBytes(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (const Record r = ReadRecord(fd); Needed(r))
            recorded.insert(Canonical(r.copy));
        ::close(fd);
    }
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({TempPrefix() + QLatin1Char('*'), AsidePrefix() + QLatin1Char('*')},
                      QDir::Files | QDir::Hidden | QDir::System);
    const time_t now = time(nullptr);
    for (const QString& name : names) {
        const QString path = dir.filePath(name);
        if (recorded.contains(Canonical(path)))
            continue; // content that may still be needed: offered back, never swept here
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
