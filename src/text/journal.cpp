#include "text/journal.h"

#include "text/textencoding.h"

#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

// The file: the magic line, then records. A record is its kind (one byte), the length of its
// payload (four bytes), the payload, and a check of all three (eight bytes): a CContentHash of
// them. Numbers are little-endian.
//   'O' the origin: its fields in order, the path last;
//   'I' an insertion: the position (eight bytes), then the bytes inserted;
//   'D' a deletion: the position and the length (eight bytes each);
//   'R' a span replaced in a few places: its start, its old length and the number of places
//       (eight bytes each); for each place, its offset in the new span, its new length and its
//       old length (eight bytes each); then the new bytes of every place, in order;
//   'C' a commit: the changes before it count (no payload).
namespace {
constexpr char kMagic[] = "ZORVEK JOURNAL 1\n";
constexpr size_t kMagicSize = sizeof kMagic - 1;
constexpr size_t kHeadSize = 5;
constexpr size_t kCheckSize = 8;

uint64_t Load64(const char* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v; // the machines this runs on are little-endian
}

void Append64(QByteArray& out, uint64_t v) {
    out.append(reinterpret_cast<const char*>(&v), 8);
}

uint64_t Check(const char* record, size_t n) {
    CContentHash hash;
    hash.Feed(record, n);
    return hash.Value();
}

bool WriteAll(int fd, const char* data, size_t n) {
    while (n > 0) {
        const ssize_t done = ::write(fd, data, n);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        data += done;
        n -= static_cast<size_t>(done);
    }
    return true;
}

QByteArray OriginPayload(const JournalOrigin& o) {
    QByteArray payload;
    for (uint64_t v : {static_cast<uint64_t>(o.size), static_cast<uint64_t>(o.mtimeNs), o.device,
                       o.inode, o.hash, static_cast<uint64_t>(o.startedSecs),
                       static_cast<uint64_t>(o.pid)})
        Append64(payload, v);
    payload.append(o.path);
    // A file's name holds no NUL byte: what follows one is the encoding, when one was chosen.
    if (!o.readAs.isEmpty())
        payload.append('\0').append(o.readAs);
    return payload;
}

constexpr size_t kOriginFields = 7;

bool ParseOrigin(const char* p, size_t n, JournalOrigin& o) {
    if (n < kOriginFields * 8)
        return false;
    o.size = static_cast<int64_t>(Load64(p));
    o.mtimeNs = static_cast<int64_t>(Load64(p + 8));
    o.device = Load64(p + 16);
    o.inode = Load64(p + 24);
    o.hash = Load64(p + 32);
    o.startedSecs = static_cast<int64_t>(Load64(p + 40));
    o.pid = static_cast<int64_t>(Load64(p + 48));
    o.path = QByteArray(p + kOriginFields * 8, static_cast<qsizetype>(n - kOriginFields * 8));
    o.readAs.clear();
    if (const qsizetype nul = o.path.indexOf('\0'); nul >= 0) {
        o.readAs = o.path.mid(nul + 1);
        o.path.truncate(nul);
    }
    return true;
}

// Reads the records of a journal in order, handing each whole one to `take` (its kind, its
// payload, and where in the file it ends) until one is cut short, fails its check, or `take` says
// stop. False when the file cannot be read or is no journal.
template <class Take> bool ReadRecords(const QString& file, Take take) {
    const int fd = ::open(BytesFromEscaped(file).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    QByteArray bytes;
    char piece[1 << 16];
    for (ssize_t n; (n = ::read(fd, piece, sizeof piece)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return false;
        }
        bytes.append(piece, n);
    }
    ::close(fd);
    if (!bytes.startsWith(QByteArray::fromRawData(kMagic, kMagicSize)))
        return false;
    const char* p = bytes.constData() + kMagicSize;
    const char* end = bytes.constData() + bytes.size();
    while (static_cast<size_t>(end - p) >= kHeadSize + kCheckSize) {
        uint32_t length;
        std::memcpy(&length, p + 1, 4);
        const size_t whole = kHeadSize + length + kCheckSize;
        if (static_cast<size_t>(end - p) < whole ||
            Check(p, kHeadSize + length) != Load64(p + kHeadSize + length))
            break;
        if (!take(p[0], p + kHeadSize, static_cast<size_t>(length),
                  static_cast<int64_t>(p + whole - bytes.constData())))
            break;
        p += whole;
    }
    return true;
}
} // namespace

void CContentHash::Mix(const char* block) {
    // A multiply and a rotation a word: every bit of a word reaches every bit of its lane.
    for (int i = 0; i < 4; ++i) {
        uint64_t& lane = m_lanes[i];
        lane = (lane ^ Load64(block + 8 * i)) * 0xFF51AFD7ED558CCDULL;
        lane = (lane << 29) | (lane >> 35);
    }
}

void CContentHash::Feed(const char* data, size_t n) {
    m_nTotal += n;
    if (m_nTail > 0) {
        const size_t take = std::min(n, sizeof m_tail - m_nTail);
        std::memcpy(m_tail + m_nTail, data, take);
        m_nTail += take;
        data += take;
        n -= take;
        if (m_nTail < sizeof m_tail)
            return;
        Mix(m_tail);
        m_nTail = 0;
    }
    for (; n >= sizeof m_tail; data += sizeof m_tail, n -= sizeof m_tail)
        Mix(data);
    std::memcpy(m_tail, data, n);
    m_nTail = n;
}

uint64_t CContentHash::Value() const {
    char last[sizeof m_tail] = {};
    std::memcpy(last, m_tail, m_nTail);
    uint64_t h = m_nTotal;
    for (int i = 0; i < 4; ++i) {
        h = (h ^ m_lanes[i] ^ Load64(last + 8 * i)) * 0xC4CEB9FE1A85EC53ULL;
        h ^= h >> 33;
    }
    h *= 0xFF51AFD7ED558CCDULL;
    h ^= h >> 33;
    return h;
}

bool JournalOrigin::operator==(const JournalOrigin& o) const {
    return path == o.path && size == o.size && mtimeNs == o.mtimeNs && device == o.device &&
           inode == o.inode && hash == o.hash && startedSecs == o.startedSecs && pid == o.pid &&
           readAs == o.readAs;
}

// The copy of the origin: asked for, then made by a thread at the first change.
struct CJournalWriter::Base {
    QString source;
    int64_t size = 0;
    uint64_t hash = 0;
    std::atomic<bool> stop{false};
    std::thread copier;

    // A copy under way is finished, unless `stop` was set.
    ~Base() {
        if (copier.joinable())
            copier.join();
    }

    // Copies the source beside the journal, checking it on the way; removed when it is not the
    // origin (the file changed since it was read) or the copy is stopped.
    void Copy(const QByteArray& target) {
        // Never waits on a FIFO or a device: only a regular file is copied.
        int in = ::open(BytesFromEscaped(source).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat st {};
        if (in >= 0 && (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(in);
            in = -1;
        }
        const int out = in < 0 ? -1
                               : ::open(target.constData(),
                                        O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        bool whole = out >= 0;
        CContentHash check;
        int64_t copied = 0;
        std::vector<char> piece(1 << 20);
        while (whole && !stop) {
            const ssize_t n = ::read(in, piece.data(), piece.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                whole = n == 0;
                break;
            }
            check.Feed(piece.data(), static_cast<size_t>(n));
            copied += n;
            whole = WriteAll(out, piece.data(), static_cast<size_t>(n));
        }
        whole = whole && !stop && copied == size && check.Value() == hash &&
                ::fdatasync(out) == 0;
        if (out >= 0) {
            ::close(out);
            if (!whole)
                ::unlink(target.constData());
        }
        if (in >= 0)
            ::close(in);
    }
};

CJournalWriter::CJournalWriter(QString file, int fd) : m_strFile(std::move(file)), m_fd(fd) {}

void CJournalWriter::KeepBase(const QString& source, int64_t size, uint64_t hash) {
    m_pBase = std::make_unique<Base>();
    m_pBase->source = source;
    m_pBase->size = size;
    m_pBase->hash = hash;
}

std::unique_ptr<CJournalWriter> CJournalWriter::Start(const QString& file,
                                                      const JournalOrigin& origin,
                                                      const CTextDocument& text) {
    const int fd = ::open(BytesFromEscaped(file).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return nullptr;
    std::unique_ptr<CJournalWriter> writer(new CJournalWriter(file, fd));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !WriteAll(fd, kMagic, kMagicSize)) {
        writer->Discard();
        return nullptr;
    }
    writer->m_nWritten = kMagicSize;
    writer->Put('O', OriginPayload(origin));
    if (writer->m_bFailed) {
        writer->Discard();
        return nullptr;
    }
    writer->m_pWatch = text.Watch(*writer);
    return writer;
}

std::unique_ptr<CJournalWriter> CJournalWriter::Resume(const QString& file,
                                                       const CTextDocument& text) {
    const int fd = ::open(BytesFromEscaped(file).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    std::unique_ptr<CJournalWriter> writer(new CJournalWriter(file, fd));
    // What follows the last commit never counted: it goes, and the new changes follow the commit.
    int64_t committedEnd = -1;
    const auto findEnd = [&](char kind, const char*, size_t, int64_t end) {
        if (kind == 'O' || kind == 'C')
            committedEnd = end;
        return true;
    };
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !ReadRecords(file, findEnd) || committedEnd < 0 ||
        ::ftruncate(fd, committedEnd) != 0 || ::lseek(fd, 0, SEEK_END) < 0)
        return nullptr;
    writer->m_nWritten = static_cast<uint64_t>(committedEnd);
    writer->m_pWatch = text.Watch(*writer);
    return writer;
}

CJournalWriter::~CJournalWriter() {
    m_pWatch.reset();
    m_pBase.reset(); // a copy under way is finished first: the journal may be needed
    if (m_fd >= 0)
        ::close(m_fd);
}

void CJournalWriter::Put(char kind, const QByteArray& payload) {
    if (m_bFailed)
        return;
    if (static_cast<uint64_t>(payload.size()) > std::numeric_limits<uint32_t>::max()) {
        m_bFailed = true; // a change too large for one record: the journal stops being whole
        return;
    }
    QByteArray record;
    record.reserve(static_cast<qsizetype>(kHeadSize + payload.size() + kCheckSize));
    record.append(kind);
    const auto length = static_cast<uint32_t>(payload.size());
    record.append(reinterpret_cast<const char*>(&length), 4);
    record.append(payload);
    Append64(record, Check(record.constData(), static_cast<size_t>(record.size())));
    // One write a record: a process killed at any moment leaves whole records and at most one
    // cut short, which the reader leaves out.
    if (!WriteAll(m_fd, record.constData(), static_cast<size_t>(record.size()))) {
        m_bFailed = true;
        return;
    }
    m_nWritten += static_cast<uint64_t>(record.size());
    if (kind == 'I' || kind == 'D' || kind == 'R') { // a change
        if (m_pBase && !m_pBase->copier.joinable())
            m_pBase->copier = std::thread(&Base::Copy, m_pBase.get(),
                                          BytesFromEscaped(BaseOf(m_strFile)));
        m_bUncommitted = true;
        if (m_onWritten)
            m_onWritten();
    }
}

void CJournalWriter::Edited(long pos, const char* inserted, long n) {
    QByteArray payload;
    Append64(payload, static_cast<uint64_t>(pos));
    if (inserted) {
        payload.append(inserted, n);
        Put('I', payload);
    } else {
        Append64(payload, static_cast<uint64_t>(n));
        Put('D', payload);
    }
}

void CJournalWriter::SpanReplaced(long start, long oldLength, const char* text, long newLength,
                                  const std::vector<SpanEdit>& edits) {
    long inserted = 0;
    for (const SpanEdit& e : edits)
        inserted += e.newLength;
    // Places so close together that the span itself is shorter: the span it is.
    if (static_cast<long>(24 * edits.size()) + inserted >= newLength) {
        CEditListener::SpanReplaced(start, oldLength, text, newLength, edits);
        return;
    }
    QByteArray payload;
    payload.reserve(static_cast<qsizetype>(24 + 24 * edits.size() + inserted));
    for (long v : {start, oldLength, static_cast<long>(edits.size())})
        Append64(payload, static_cast<uint64_t>(v));
    for (const SpanEdit& e : edits)
        for (long v : {e.offset, e.newLength, e.oldLength})
            Append64(payload, static_cast<uint64_t>(v));
    for (const SpanEdit& e : edits)
        payload.append(text + e.offset, e.newLength);
    Put('R', payload);
}

namespace {
// The span a 'R' record makes of the text, or false when the record does not fit it.
bool ReplacedSpan(const CTextDocument& text, const char* p, size_t n, long& start, long& oldLength,
                  QByteArray& span) {
    if (n < 24)
        return false;
    start = static_cast<long>(Load64(p));
    oldLength = static_cast<long>(Load64(p + 8));
    const uint64_t count = Load64(p + 16);
    if (start < 0 || oldLength < 0 || oldLength > text.Length() - start || count > (n - 24) / 24)
        return false;
    const char* edit = p + 24;
    const char* bytes = edit + 24 * count;
    const char* end = p + n;
    const char* old = text.RangePointer(start, oldLength);
    long oldAt = 0;
    for (uint64_t i = 0; i < count; ++i, edit += 24) {
        const auto offset = static_cast<int64_t>(Load64(edit));
        const auto newLength = static_cast<int64_t>(Load64(edit + 8));
        const auto replaced = static_cast<int64_t>(Load64(edit + 16));
        const int64_t same = offset - span.size();
        if (same < 0 || newLength < 0 || replaced < 0 || same > oldLength - oldAt ||
            replaced > oldLength - oldAt - same || newLength > end - bytes)
            return false;
        span.append(old + oldAt, same);
        span.append(bytes, newLength);
        bytes += newLength;
        oldAt += same + replaced;
    }
    span.append(old + oldAt, oldLength - oldAt);
    return bytes == end;
}
} // namespace

bool CJournalWriter::Commit() {
    if (!m_bUncommitted)
        return !m_bFailed; // nothing new to make durable
    Put('C', QByteArray());
    m_bUncommitted = false;
    return !m_bFailed && m_fd >= 0 && ::fdatasync(m_fd) == 0;
}

void CJournalWriter::Discard() {
    m_pWatch.reset();
    if (m_pBase)
        m_pBase->stop = true;
    m_pBase.reset();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    ::unlink(BytesFromEscaped(m_strFile).constData());
    ::unlink(BytesFromEscaped(BaseOf(m_strFile)).constData());
}

bool ReadJournalOrigin(const QString& file, JournalOrigin& origin) {
    bool found = false;
    const bool read = ReadRecords(file, [&](char kind, const char* p, size_t n, int64_t) {
        found = kind == 'O' && ParseOrigin(p, n, origin);
        return false;
    });
    return read && found;
}

long CountJournalChanges(const QString& file) {
    long changes = 0, committed = 0;
    bool origin = false;
    const bool read = ReadRecords(file, [&](char kind, const char*, size_t, int64_t) {
        if (!origin)
            return origin = kind == 'O';
        if (kind == 'C')
            committed = changes;
        else
            ++changes;
        return true;
    });
    return read && origin ? committed : -1;
}

long ReplayJournal(const QString& file, CTextDocument& text) {
    const long committed = CountJournalChanges(file);
    if (committed < 0)
        return -1;
    long applied = 0;
    bool origin = false;
    bool fits = true;
    ReadRecords(file, [&](char kind, const char* p, size_t n, int64_t) {
        if (!origin)
            return origin = true;
        if (kind == 'C')
            return true;
        if (applied == committed)
            return false;
        if (n < 8)
            return fits = false;
        const auto pos = static_cast<int64_t>(Load64(p));
        const long length = text.Length();
        long start = 0, oldLength = 0;
        QByteArray span;
        if (kind == 'R' && ReplacedSpan(text, p, n, start, oldLength, span)) {
            text.Delete(start, oldLength);
            text.Insert(start, span);
        } else if (kind == 'I' && pos >= 0 && pos <= length) {
            text.Insert(static_cast<long>(pos),
                        QByteArray(p + 8, static_cast<qsizetype>(n - 8)));
        } else if (kind == 'D' && n == 16 && pos >= 0 &&
                   static_cast<int64_t>(Load64(p + 8)) <= length - pos) {
            text.Delete(static_cast<long>(pos), static_cast<long>(Load64(p + 8)));
        } else {
            return fits = false;
        }
        ++applied;
        return true;
    });
    return fits && applied == committed ? applied : -1;
}

namespace {
QString g_root;
}

void CJournalFolder::SetRoot(const QString& dir) {
    g_root = dir;
}

QString CJournalFolder::Path() {
    QString root = g_root;
    if (root.isEmpty()) {
        const QByteArray state = qgetenv("XDG_STATE_HOME");
        root = !state.isEmpty() && state.startsWith('/')
                   ? EscapedFromBytes(state)
                   : EscapedFromBytes(qgetenv("HOME")) + QStringLiteral("/.local/state");
    }
    const QString path = root + QStringLiteral("/zorvek");
    QByteArray folder;
    // Each folder on the way made in turn; the last one private.
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        folder += '/' + BytesFromEscaped(part);
        ::mkdir(folder.constData(), 0700);
    }
    return path;
}

QString CJournalFolder::NewFile() {
    static unsigned counter = 0;
    return Path() + QStringLiteral("/%1-%2-%3.journal")
                        .arg(::getpid())
                        .arg(static_cast<qint64>(::time(nullptr)))
                        .arg(++counter);
}

std::vector<LeftJournal> CJournalFolder::Left() {
    const QString path = Path();
    std::vector<std::pair<int64_t, LeftJournal>> found;
    DIR* dir = ::opendir(BytesFromEscaped(path).constData());
    if (!dir)
        return {};
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!name.endsWith(".journal"))
            continue;
        LeftJournal left;
        left.file = path + QLatin1Char('/') + EscapedFromBytes(name);
        const QByteArray native = BytesFromEscaped(left.file);
        const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        // Held by a running process: its own, not left behind.
        const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &st) == 0;
        if (free) {
            left.changes = CountJournalChanges(left.file);
            left.modifiedSecs = static_cast<int64_t>(st.st_mtime);
            if (left.changes > 0 && ReadJournalOrigin(left.file, left.origin))
                found.push_back({static_cast<int64_t>(st.st_mtime), left});
            else if (::time(nullptr) - st.st_mtime > 60) { // not one being made this moment
                ::unlink(native.constData());
                ::unlink(BytesFromEscaped(CJournalWriter::BaseOf(left.file)).constData());
            }
        }
        ::close(fd);
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<LeftJournal> left;
    for (auto& f : found)
        left.push_back(std::move(f.second));
    return left;
}
