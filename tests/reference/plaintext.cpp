#include "reference/plaintext.h"

#include "text/bytefinder.h"
#include "text/textencoding.h"

#include <QChar>
#include <QString>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace Plain {

Bytes ToBytes(const QByteArray& a) {
    return Bytes(a.constData(), a.size());
}
QByteArray ToQ(const Bytes& b) {
    return QByteArray(b.data(), static_cast<qsizetype>(b.size()));
}

bool Continues(char c) {
    return (static_cast<uint8_t>(c) & 0xC0) == 0x80;
}

namespace {
// The character at `p`, a stray byte standing for itself above Unicode; `next` gets its end.
char32_t CharAt(const Bytes& s, size_t p, size_t* next = nullptr) {
    const char* q = s.data() + p;
    char32_t c;
    if (!NextUtf8(q, s.data() + s.size(), c)) {
        c = 0x110000 + static_cast<uint8_t>(s[p]);
        ++q;
    }
    if (next)
        *next = static_cast<size_t>(q - s.data());
    return c;
}

char32_t CharBefore(const Bytes& s, size_t p) {
    size_t start = p - 1;
    while (start > 0 && p - start < 4 && Continues(s[start]))
        --start;
    size_t end;
    const char32_t c = CharAt(s, start, &end);
    return end == p ? c : 0x110000 + static_cast<uint8_t>(s[p - 1]);
}

// How the editor tells words apart: a run of letters and digits, or of punctuation.
enum Class { kSpace, kLineEnd, kWord, kPunctuation };
Class ClassOf(char32_t c) {
    if (c == '\r' || c == '\n')
        return kLineEnd;
    if (c < 0x20 || c == ' ')
        return kSpace;
    if (c < 0x80)
        return std::isalnum(static_cast<int>(c)) || c == '_' ? kWord : kPunctuation;
    return c < 0x110000 && QChar::isLetterOrNumber(c) ? kWord : kPunctuation;
}

// A match from `first` to `last` between `before` and `after` (none at the text's ends).
bool WholeWord(std::optional<char32_t> before, char32_t first, char32_t last,
               std::optional<char32_t> after) {
    const auto edge = [](char32_t inside, std::optional<char32_t> outside) {
        const Class c = ClassOf(inside);
        return !outside || ((c == kWord || c == kPunctuation) && c != ClassOf(*outside));
    };
    return edge(first, before) && edge(last, after);
}

// Where a match of `needle` starting at `p` ends, or kNone.
size_t MatchEnd(const Bytes& s, size_t p, const Bytes& needle, bool matchCase) {
    if (matchCase)
        return s.compare(p, needle.size(), needle) == 0 ? p + needle.size() : kNone;
    size_t q = p;
    for (size_t n = 0; n < needle.size();) {
        if (q >= s.size())
            return kNone;
        const char32_t want = CharAt(needle, n, &n);
        if (FoldCase(CharAt(s, q, &q)) != FoldCase(want))
            return kNone;
    }
    return q;
}

} // namespace

bool Boundary(const Bytes& s, size_t p) {
    for (size_t k = 1; k <= 3 && k <= p && p < s.size(); ++k) {
        size_t end;
        if (CharAt(s, p - k, &end) < 0x110000 && end > p)
            return false;
    }
    return true;
}

Match Find(const Bytes& s, size_t from, size_t to, const Bytes& needle, Options o, bool last,
           std::optional<std::optional<char32_t>> before,
           std::optional<std::optional<char32_t>> after) {
    const auto at = [&](size_t p) -> Match {
        if (!Boundary(s, p))
            return {};
        const size_t e = MatchEnd(s, p, needle, o.matchCase);
        if (e == kNone || e > to || !Boundary(s, e))
            return {};
        if (o.words) {
            const auto b = p == from && before ? *before
                           : p == 0            ? std::nullopt
                                               : std::optional<char32_t>(CharBefore(s, p));
            const auto a = e == to && after ? *after
                           : e == s.size()  ? std::nullopt
                                            : std::optional<char32_t>(CharAt(s, e));
            if (!WholeWord(b, CharAt(s, p), CharBefore(s, e), a))
                return {};
        }
        return {p, e};
    };
    if (last) {
        for (size_t p = to; p-- > from;)
            if (const Match m = at(p); m.start != kNone)
                return m;
    } else {
        for (size_t p = from; p < to; ++p)
            if (const Match m = at(p); m.start != kNone)
                return m;
    }
    return {};
}

std::pair<Bytes, int> ReplaceAll(const Bytes& s, const Bytes& find, const Bytes& with, Options o,
                                 bool backwards, size_t caret, size_t limit) {
    int count = 0;
    if (!backwards) {
        Bytes out = s.substr(0, caret);
        for (size_t pos = caret;; ++count) {
            const std::optional<char32_t> before =
                out.empty() ? std::nullopt : std::optional<char32_t>(CharBefore(out, out.size()));
            const Match m = Find(s, pos, limit, find, o, false, before);
            if (m.start == kNone)
                return {out + s.substr(pos), count};
            out += s.substr(pos, m.start - pos) + with;
            pos = m.end;
        }
    }
    // Backwards the text after the caret is new: its pieces are kept in reverse.
    std::vector<Bytes> tail;
    std::optional<char32_t> tailFirst =
        caret < s.size() ? std::optional(CharAt(s, caret)) : std::nullopt;
    size_t pos = caret;
    for (;; ++count) {
        const Match m = Find(s, 0, pos, find, o, true, {}, tailFirst);
        if (m.start == kNone)
            break;
        tail.push_back(s.substr(m.end, pos - m.end));
        tail.push_back(with);
        if (!with.empty())
            tailFirst = CharAt(with, 0);
        else if (m.end < pos)
            tailFirst = CharAt(s, m.end);
        pos = m.start;
    }
    Bytes out = s.substr(0, pos);
    for (auto it = tail.rbegin(); it != tail.rend(); ++it)
        out += *it;
    out += s.substr(caret);
    return {out, count};
}

std::vector<size_t> LineStarts(const Bytes& s) {
    std::vector<size_t> at = {0};
    for (size_t i = 0; i < s.size(); ++i)
        if (s[i] == '\n' || (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n')))
            at.push_back(i + 1);
    return at;
}

Bytes HexDump(const Bytes& s) {
    Bytes out;
    char cell[4];
    for (size_t line = 0; line < s.size(); line += 16) {
        Bytes hex(52, ' ');
        Bytes shown;
        for (size_t j = 0; j < 16 && line + j < s.size(); ++j) {
            const auto b = static_cast<uint8_t>(s[line + j]);
            std::snprintf(cell, sizeof cell, "%02X", b);
            hex.replace(3 * j + j / 4, 2, cell);
            shown += b >= 0x20 && b <= 0x7F ? static_cast<char>(b) : '.';
        }
        out += hex + shown + "\r\n";
    }
    return out;
}

std::string FirstDifference(const Bytes& got, const Bytes& want) {
    size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i])
        ++i;
    const auto around = [i](const Bytes& s) {
        const size_t from = i < 20 ? 0 : i - 20;
        return QByteArray::fromStdString(s.substr(from, 40)).toPercentEncoding(" ").toStdString();
    };
    return "sizes " + std::to_string(got.size()) + " and " + std::to_string(want.size()) +
           ", first difference at " + std::to_string(i) + ": [" + around(got) + "] instead of [" +
           around(want) + "]";
}

std::vector<size_t> Sizes() {
    const int scale = std::max(1, qEnvironmentVariableIntValue("ZORVEK_SCALE"));
    std::vector<size_t> sizes;
    for (size_t size : {5000, 300000, 1300000, 4600000, 9500000})
        sizes.push_back(size * scale);
    return sizes;
}

Bytes RandomText::Text(size_t size, bool raw) {
    static const char* const pieces[] = {"ab",
                                         "AB",
                                         "aB",
                                         " ",
                                         "needle",
                                         "Needle",
                                         "\t",
                                         ".",
                                         "_",
                                         "\n",
                                         "\r\n",
                                         "\r",
                                         "\r\r\n",
                                         "x",
                                         "ab ",
                                         "--",
                                         "9",
                                         "caf\xc3\xa9",
                                         "CAF\xc3\x89",
                                         "\xcf\x89",
                                         "\xce\xa9",
                                         "\xe2\x82\xac",
                                         "\xf0\x9f\x98\x80",
                                         "line of words "};
    static const Bytes rawPieces[] = {Bytes(1, '\0'), "\xff", "\x80", "\xc3"};
    Bytes s;
    s.reserve(size + 32);
    while (s.size() < size) {
        if (raw && Below(40) == 0) {
            s += rawPieces[Below(std::size(rawPieces))];
        } else {
            s += pieces[Below(std::size(pieces))];
        }
    }
    return s;
}

std::vector<EncodedFile> EncodedFiles(RandomText& random, size_t size, bool oneLine) {
    Bytes utf8 = random.Text(size, false);
    if (oneLine)
        std::replace_if(
            utf8.begin(), utf8.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    // A CR ending one read piece and its LF starting the next.
    for (size_t at = (1 << 16) - 1; at + 1 < utf8.size() && !oneLine; at += 1 << 16)
        utf8.replace(at, 2, "\r\n");
    const QString unicode = QString::fromUtf8(ToQ(utf8));
    Bytes withStrays = utf8;
    for (size_t i = 0; i < withStrays.size(); i += 997)
        if (!Continues(withStrays[i]) && static_cast<uint8_t>(withStrays[i]) < 0x80)
            withStrays[i] = '\xff';
    // Not UTF-8, nor starting as UTF-16 does; 0x80 to 0x9F, where Windows-1252 is not Latin-1,
    // are left to the round trip.
    Bytes latin = "x";
    for (size_t i = 1; i < size; ++i) {
        const auto b = static_cast<uint8_t>(random.Below(256));
        latin += static_cast<char>(b >= 0x80 && b < 0xA0 ? b + 0x40 : b);
    }
    const QByteArray utf16le(reinterpret_cast<const char*>(unicode.utf16()), unicode.size() * 2);
    QByteArray utf16be = utf16le;
    for (qsizetype i = 0; i + 1 < utf16be.size(); i += 2)
        std::swap(utf16be[i], utf16be[i + 1]);
    Bytes crOnly;
    for (size_t i = 0; i < utf8.size(); ++i)
        if (utf8[i] != '\n' || i == 0 || utf8[i - 1] != '\r')
            crOnly += utf8[i] == '\n' ? '\r' : utf8[i];
    return {
        {"UTF-8", utf8, utf8},
        {"UTF-8 with CR line ends", crOnly, crOnly},
        {"UTF-8 with stray bytes", withStrays, withStrays},
        {"UTF-8 with its mark", "\xef\xbb\xbf" + utf8, utf8},
        {"UTF-16 LE", "\xff\xfe" + ToBytes(utf16le), ToBytes(unicode.toUtf8())},
        {"UTF-16 BE", "\xfe\xff" + ToBytes(utf16be), ToBytes(unicode.toUtf8())},
        {"Windows-1252", latin, ToBytes(QString::fromLatin1(ToQ(latin)).toUtf8())},
    };
}

CTextDocument Holding(const Bytes& text) {
    CTextDocument doc;
    doc.SetUndoCollection(false);
    doc.Insert(0, ToQ(text));
    doc.SetUndoCollection(true);
    return doc;
}

Bytes NumberedLine(long i) {
    char buffer[kNumberedLineLength + 1];
    const int n = std::snprintf(buffer, sizeof buffer, "line %09ld alpha ", i);
    Bytes line(buffer, static_cast<size_t>(n));
    line.resize(kNumberedLineLength - 1, '.');
    return line + "\n";
}

Bytes TextOf(const CTextDocument& doc) {
    return ToBytes(doc.Range(0, doc.Length()));
}
} // namespace Plain
