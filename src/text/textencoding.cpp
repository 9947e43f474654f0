#include "text/textencoding.h"

#include "text/charsetcodec.h"

#include <QList>

#include <algorithm>
#include <array>
#include <cstring>

namespace {
// Windows-1252's bytes 0x80 to 0x9F; the five it leaves undefined stand for the C1 controls of
// the same number, so that every byte has a character and comes back as itself.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The byte of a character in Windows-1252, or -1.
int To1252(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh1252[i] == c)
            return 0x80 + i;
    return -1;
}

int Utf8Length(char32_t c) {
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

uint16_t Unit(const uint8_t* p, bool bigEndian) {
    return bigEndian ? static_cast<uint16_t>(p[0] << 8 | p[1])
                     : static_cast<uint16_t>(p[1] << 8 | p[0]);
}

bool IsHigh(uint16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLow(uint16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

bool StartsWith(const char* data, size_t n, const char* mark, size_t m) {
    return n >= m && std::memcmp(data, mark, m) == 0;
}

bool IsUtf16(TextEncoding kind) {
    return kind == TextEncoding::Utf16Le || kind == TextEncoding::Utf16Be ||
           kind == TextEncoding::Utf16LeNoBom || kind == TextEncoding::Utf16BeNoBom;
}

bool IsBigEndian(TextEncoding kind) {
    return kind == TextEncoding::Utf16Be || kind == TextEncoding::Utf16BeNoBom;
}

// The character sets iconv converts that the user can choose from.
struct CharsetEntry {
    const char* name;
    const char* iconvName;
    bool singleByte;
};
constexpr CharsetEntry kCharsets[] = {
    {"ISO-8859-1", "ISO-8859-1", true},
    {"ISO-8859-2", "ISO-8859-2", true},
    {"ISO-8859-3", "ISO-8859-3", true},
    {"ISO-8859-4", "ISO-8859-4", true},
    {"ISO-8859-5", "ISO-8859-5", true},
    {"ISO-8859-6", "ISO-8859-6", true},
    {"ISO-8859-7", "ISO-8859-7", true},
    {"ISO-8859-8", "ISO-8859-8", true},
    {"ISO-8859-9", "ISO-8859-9", true},
    {"ISO-8859-10", "ISO-8859-10", true},
    {"ISO-8859-11", "ISO-8859-11", true},
    {"ISO-8859-13", "ISO-8859-13", true},
    {"ISO-8859-14", "ISO-8859-14", true},
    {"ISO-8859-15", "ISO-8859-15", true},
    {"ISO-8859-16", "ISO-8859-16", true},
    {"Windows-1250", "WINDOWS-1250", true},
    {"Windows-1251", "WINDOWS-1251", true},
    {"Windows-1253", "WINDOWS-1253", true},
    {"Windows-1254", "WINDOWS-1254", true},
    {"Windows-1255", "WINDOWS-1255", true},
    {"Windows-1256", "WINDOWS-1256", true},
    {"Windows-1257", "WINDOWS-1257", true},
    {"Windows-1258", "WINDOWS-1258", true},
    {"KOI8-R", "KOI8-R", true},
    {"KOI8-U", "KOI8-U", true},
    {"IBM-866", "IBM866", true},
    {"Shift_JIS", "SHIFT_JIS", false},
    {"EUC-JP", "EUC-JP", false},
    {"GB18030", "GB18030", false},
    {"Big5", "BIG5", false},
    {"EUC-KR", "EUC-KR", false},
};

// The first offset of a UTF-8 text that starts no well-formed character, or -1.
int64_t FirstNotUtf8(const char* data, size_t n) {
    for (const char* p = data; p < data + n;) {
        char32_t c;
        if (!NextUtf8(p, data + n, c))
            return p - data;
    }
    return -1;
}

// The first offset of a UTF-16 text that is a lone surrogate, or the odd byte at its end; -1.
int64_t FirstNotUtf16(const char* data, size_t n, bool bigEndian) {
    const auto* p = reinterpret_cast<const uint8_t*>(data);
    size_t i = 0;
    for (; i + 1 < n; i += 2) {
        const uint16_t u = Unit(p + i, bigEndian);
        if (IsLow(u))
            return static_cast<int64_t>(i);
        if (IsHigh(u)) {
            if (i + 4 > n || !IsLow(Unit(p + i + 2, bigEndian)))
                return static_cast<int64_t>(i);
            i += 2;
        }
    }
    return i < n ? static_cast<int64_t>(i) : -1;
}
} // namespace

std::vector<FileEncoding> ReadableEncodings() {
    std::vector<FileEncoding> list = {TextEncoding::Utf8, TextEncoding::Utf16Le,
                                      TextEncoding::Utf16Be, TextEncoding::Windows1252};
    for (const CharsetEntry& c : kCharsets)
        if (const CCharsetCodec* codec = CCharsetCodec::Of(c.name, c.iconvName, c.singleByte))
            list.emplace_back(codec);
    return list;
}

std::vector<FileEncoding> WritableEncodings() {
    std::vector<FileEncoding> list = {TextEncoding::Utf8,         TextEncoding::Utf8Bom,
                                      TextEncoding::Utf16LeNoBom, TextEncoding::Utf16Le,
                                      TextEncoding::Utf16BeNoBom, TextEncoding::Utf16Be};
    const std::vector<FileEncoding> readable = ReadableEncodings();
    list.insert(list.end(), readable.begin() + 3, readable.end());
    return list;
}

std::optional<FileEncoding> EncodingNamed(const QString& name) {
    for (const FileEncoding& e : WritableEncodings())
        if (name == QLatin1String(EncodingName(e)))
            return e;
    return std::nullopt;
}

FileEncoding WithMarkOf(FileEncoding chosen, const char* data, size_t n) {
    switch (chosen.Kind()) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        return StartsWith(data, n, "\xEF\xBB\xBF", 3) ? TextEncoding::Utf8Bom : TextEncoding::Utf8;
    case TextEncoding::Utf16Le:
    case TextEncoding::Utf16LeNoBom:
        return StartsWith(data, n, "\xFF\xFE", 2) ? TextEncoding::Utf16Le
                                                  : TextEncoding::Utf16LeNoBom;
    case TextEncoding::Utf16Be:
    case TextEncoding::Utf16BeNoBom:
        return StartsWith(data, n, "\xFE\xFF", 2) ? TextEncoding::Utf16Be
                                                  : TextEncoding::Utf16BeNoBom;
    default:
        return chosen;
    }
}

FileEncoding WithoutMark(FileEncoding encoding) {
    switch (encoding.Kind()) {
    case TextEncoding::Utf8Bom:
        return TextEncoding::Utf8;
    case TextEncoding::Utf16LeNoBom:
        return TextEncoding::Utf16Le;
    case TextEncoding::Utf16BeNoBom:
        return TextEncoding::Utf16Be;
    default:
        return encoding;
    }
}

int64_t FirstUndecodable(FileEncoding encoding, const char* data, size_t n) {
    const size_t mark = std::min<size_t>(ByteOrderMark(encoding).size(), n);
    int64_t bad = -1;
    if (encoding.Kind() == TextEncoding::Windows1252)
        return -1; // every byte is a character
    if (encoding.Kind() == TextEncoding::Charset) {
        size_t size;
        bad = encoding.Codec()->FirstUndecodable(data + mark, n - mark, size);
    } else if (IsUtf16(encoding.Kind())) {
        bad = FirstNotUtf16(data + mark, n - mark, IsBigEndian(encoding.Kind()));
    } else {
        bad = FirstNotUtf8(data + mark, n - mark);
    }
    return bad < 0 ? -1 : bad + static_cast<int64_t>(mark);
}

const char* EncodingName(FileEncoding encoding) {
    switch (encoding.Kind()) {
    case TextEncoding::Utf8:
        return "UTF-8";
    case TextEncoding::Utf8Bom:
        return "UTF-8 BOM";
    case TextEncoding::Utf16Le:
        return "UTF-16LE";
    case TextEncoding::Utf16Be:
        return "UTF-16BE";
    case TextEncoding::Windows1252:
        return "Windows-1252";
    case TextEncoding::Utf16LeNoBom:
        return "UTF-16LE no BOM";
    case TextEncoding::Utf16BeNoBom:
        return "UTF-16BE no BOM";
    case TextEncoding::Charset:
        return encoding.Codec()->Name();
    }
    return "";
}

QByteArray ByteOrderMark(FileEncoding encoding) {
    switch (encoding.Kind()) {
    case TextEncoding::Utf8Bom:
        return QByteArrayLiteral("\xEF\xBB\xBF");
    case TextEncoding::Utf16Le:
        return QByteArrayLiteral("\xFF\xFE");
    case TextEncoding::Utf16Be:
        return QByteArrayLiteral("\xFE\xFF");
    default:
        return QByteArray();
    }
}

bool CanHold(FileEncoding encoding, char32_t c) {
    if (encoding.Kind() == TextEncoding::Windows1252)
        return To1252(c) >= 0;
    if (encoding.Kind() == TextEncoding::Charset)
        return encoding.Codec()->CanHold(c);
    return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

char32_t FirstUnholdable(FileEncoding encoding, const QString& text) {
    for (char32_t c : text.toUcs4())
        if (!CanHold(encoding, c))
            return c;
    return 0;
}

bool IsValidUtf16(const char* data, size_t n, bool bigEndian) {
    if (n % 2 != 0)
        return false;
    const auto* p = reinterpret_cast<const uint8_t*>(data);
    for (size_t i = 0; i < n; i += 2) {
        const uint16_t u = Unit(p + i, bigEndian);
        if (IsLow(u))
            return false;
        if (IsHigh(u)) {
            if (i + 4 > n || !IsLow(Unit(p + i + 2, bigEndian)))
                return false;
            i += 2;
        }
    }
    return true;
}

void EncodingDetector::Feed(const char* data, size_t n) {
    for (size_t i = 0; i < n && m_nHead < 3; ++i)
        m_head[m_nHead++] = data[i];
    m_nFed += n;
    if (m_bSettled)
        return;
    m_utf8.Feed(data, n);
    m_bSettled = m_nExpected > m_nFed && m_utf8.StaysNotMostlyUtf8(m_nExpected - m_nFed);
}

bool EncodingDetector::LikelyDecoded() const {
    return StartsWith(m_head, m_nHead, "\xFF\xFE", 2) ||
           StartsWith(m_head, m_nHead, "\xFE\xFF", 2) || !m_utf8.IsMostlyUtf8();
}

TextEncoding EncodingDetector::Result(const char* whole, size_t n, bool* badUtf16) const {
    if (badUtf16)
        *badUtf16 = false;
    const bool le = StartsWith(m_head, m_nHead, "\xFF\xFE", 2);
    const bool be = StartsWith(m_head, m_nHead, "\xFE\xFF", 2);
    if (le || be) {
        if (IsValidUtf16(whole + 2, n - 2, be))
            return be ? TextEncoding::Utf16Be : TextEncoding::Utf16Le;
        if (badUtf16)
            *badUtf16 = true;
        return TextEncoding::Windows1252;
    }
    if (StartsWith(m_head, m_nHead, "\xEF\xBB\xBF", 3))
        return TextEncoding::Utf8Bom;
    return m_utf8.IsMostlyUtf8() ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

bool NextUtf8(const char*& p, const char* end, char32_t& c) {
    const auto* s = reinterpret_cast<const uint8_t*>(p);
    const auto* e = reinterpret_cast<const uint8_t*>(end);
    const uint8_t b = s[0];
    if (b < 0x80) {
        c = b;
        ++p;
        return true;
    }
    const Utf8Lead lead = Utf8LeadOf(b);
    const int need = lead.need;
    if (need == 0)
        return false;
    uint8_t lower = lead.lower, upper = lead.upper;
    c = b & (0x3F >> need);
    if (e - s <= need)
        return false;
    for (int i = 1; i <= need; ++i) {
        const uint8_t t = s[i];
        if (t < lower || t > upper)
            return false;
        lower = 0x80;
        upper = 0xBF;
        c = (c << 6) | (t & 0x3F);
    }
    p += need + 1;
    return true;
}

char32_t From1252(uint8_t b) {
    return b >= 0x80 && b < 0xA0 ? kHigh1252[b - 0x80] : b;
}

int PutUtf8(char* out, char32_t c) {
    if (c < 0x80) {
        out[0] = static_cast<char>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<char>(0xC0 | (c >> 6));
        out[1] = static_cast<char>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (c >> 12));
        out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
    return 4;
}

namespace {
// The length of the run of ASCII bytes at `p`, eight at a time.
size_t AsciiRun(const uint8_t* p, size_t n) {
    size_t i = 0;
    for (uint64_t word; i + 8 <= n; i += 8) {
        std::memcpy(&word, p + i, 8);
        if (word & 0x8080808080808080ULL)
            break;
    }
    while (i < n && p[i] < 0x80)
        ++i;
    return i;
}

// The UTF-8 form of each byte of Windows-1252, made once: decoding looks it up rather than
// encoding the character again for every byte.
struct Utf8Form {
    uint8_t length;
    char bytes[3];
};
const std::array<Utf8Form, 256>& Utf8Of1252() {
    static const std::array<Utf8Form, 256> table = [] {
        std::array<Utf8Form, 256> forms{};
        for (int b = 0; b < 256; ++b) {
            char out[4];
            const int length = PutUtf8(out, From1252(static_cast<uint8_t>(b)));
            forms[b].length = static_cast<uint8_t>(length);
            std::memcpy(forms[b].bytes, out, static_cast<size_t>(length));
        }
        return forms;
    }();
    return table;
}

// Decodes whole characters of a Windows-1252 or UTF-16 text (its mark already skipped, and no
// surrogate pair split) into `out`, which has room for three bytes per input byte; returns the
// size written.
size_t DecodePiece(TextEncoding encoding, const uint8_t* p, size_t n, char* out) {
    char* o = out;
    if (encoding == TextEncoding::Windows1252) {
        for (size_t i = 0; i < n;) {
            const size_t run = AsciiRun(p + i, n - i);
            std::memcpy(o, p + i, run);
            o += run;
            i += run;
            if (i < n) {
                const Utf8Form& form = Utf8Of1252()[p[i++]];
                std::memcpy(o, form.bytes, sizeof form.bytes);
                o += form.length;
            }
        }
        return static_cast<size_t>(o - out);
    }
    const bool be = IsBigEndian(encoding);
    for (size_t i = 0; i + 1 < n; i += 2) {
        const uint16_t u = Unit(p + i, be);
        if (IsHigh(u) && i + 3 < n) {
            const uint16_t low = Unit(p + i + 2, be);
            o += PutUtf8(o, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (low - 0xDC00));
            i += 2;
        } else {
            o += PutUtf8(o, u);
        }
    }
    return static_cast<size_t>(o - out);
}

// Where the next piece of at most `max` input bytes from `i` ends without splitting a
// character.
size_t PieceEnd(TextEncoding encoding, const uint8_t* p, size_t i, size_t n, size_t max) {
    if (n - i <= max)
        return n;
    size_t end = i + max;
    if (encoding != TextEncoding::Windows1252 && IsHigh(Unit(p + end - 2, IsBigEndian(encoding))))
        end -= 2;
    return end;
}

size_t MarkSize(FileEncoding encoding) {
    return static_cast<size_t>(ByteOrderMark(encoding).size());
}
} // namespace

void AppendUtf8(QByteArray& out, char32_t c) {
    char buf[4];
    out.append(buf, PutUtf8(buf, c));
}

bool DecodeToUtf8(FileEncoding encoding, const char* data, size_t n,
                  const std::function<bool(const QByteArray&)>& sink) {
    const size_t mark = std::min(MarkSize(encoding), n);
    if (encoding.Kind() == TextEncoding::Charset)
        return encoding.Codec()->Decode(data + mark, n - mark, [&](const char* piece, size_t size) {
            return sink(QByteArray::fromRawData(piece, static_cast<qsizetype>(size)));
        });
    constexpr size_t kPiece = 1 << 18; // input bytes, an even number
    const auto* p = reinterpret_cast<const uint8_t*>(data);
    QByteArray buffer(static_cast<qsizetype>(3 * kPiece), Qt::Uninitialized);
    for (size_t i = mark; i < n;) {
        const size_t end = PieceEnd(encoding.Kind(), p, i, n, kPiece);
        const size_t size = DecodePiece(encoding.Kind(), p + i, end - i, buffer.data());
        if (!sink(QByteArray::fromRawData(buffer.constData(), static_cast<qsizetype>(size))))
            return false;
        i = end;
    }
    return true;
}

QByteArray DecodeToUtf8(FileEncoding encoding, const char* data, size_t n) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(DecodedSize(encoding, data, n)));
    DecodeToUtf8(encoding, data, n, [&out](const QByteArray& piece) {
        out.append(piece);
        return true;
    });
    return out;
}

size_t DecodedSize(FileEncoding encoding, const char* data, size_t n) {
    const auto* p = reinterpret_cast<const uint8_t*>(data);
    const size_t mark = std::min(MarkSize(encoding), n);
    size_t size = 0;
    if (encoding.Kind() == TextEncoding::Charset) {
        encoding.Codec()->FirstUndecodable(data + mark, n - mark, size);
        return size;
    }
    if (encoding.Kind() == TextEncoding::Windows1252) {
        for (size_t i = 0; i < n;) {
            const size_t run = AsciiRun(p + i, n - i);
            size += run;
            i += run;
            if (i < n)
                size += Utf8Of1252()[p[i++]].length;
        }
        return size;
    }
    const bool be = IsBigEndian(encoding.Kind());
    for (size_t i = mark; i + 1 < n; i += 2) {
        const uint16_t u = Unit(p + i, be);
        if (IsHigh(u) && i + 3 < n) {
            size += 4;
            i += 2;
        } else {
            size += Utf8Length(u);
        }
    }
    return size;
}

bool EncodeFromUtf8(FileEncoding encoding, const char* data, size_t n, QByteArray& out,
                    char32_t* bad) {
    if (encoding.Kind() == TextEncoding::Charset)
        return encoding.Codec()->Encode(data, n, out, bad);
    const auto* p = reinterpret_cast<const uint8_t*>(data);
    if (!IsDecoded(encoding)) {
        // UTF-8 holds any character: only bytes that are no UTF-8 fail.
        for (const char* q = data; q < data + n;) {
            char32_t c;
            if (!NextUtf8(q, data + n, c)) {
                if (bad)
                    *bad = 0;
                return false;
            }
        }
        out.append(data, static_cast<qsizetype>(n));
        return true;
    }
    const qsizetype start = out.size();
    // At most one byte of Windows-1252, or two of UTF-16, for each byte of UTF-8.
    const bool single = encoding.Kind() == TextEncoding::Windows1252;
    out.resize(start + static_cast<qsizetype>(single ? n : 2 * n));
    char* o = out.data() + start;
    const bool be = IsBigEndian(encoding.Kind());
    auto unit = [&](uint16_t u) {
        *o++ = static_cast<char>(be ? u >> 8 : u & 0xFF);
        *o++ = static_cast<char>(be ? u & 0xFF : u >> 8);
    };
    bool ok = true;
    for (size_t i = 0; i < n && ok;) {
        const size_t run = AsciiRun(p + i, n - i);
        if (single) {
            std::memcpy(o, p + i, run);
            o += run;
        } else {
            for (size_t k = 0; k < run; ++k)
                unit(p[i + k]);
        }
        i += run;
        if (i == n)
            break;
        const char* q = data + i;
        char32_t c;
        if (!NextUtf8(q, data + n, c)) {
            if (bad)
                *bad = 0;
            ok = false;
            break;
        }
        i = static_cast<size_t>(q - data);
        if (single) {
            const int b = To1252(c);
            if (b < 0) {
                if (bad)
                    *bad = c;
                ok = false;
                break;
            }
            *o++ = static_cast<char>(b);
        } else if (c >= 0x10000) {
            unit(static_cast<uint16_t>(0xD800 + ((c - 0x10000) >> 10)));
            unit(static_cast<uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            unit(static_cast<uint16_t>(c));
        }
    }
    out.resize(o - out.constData());
    return ok;
}

size_t WholeCharacters(const char* data, size_t n, size_t max) {
    if (n <= max)
        return n;
    size_t end = max;
    // Back over at most three continuation bytes to the start of the split character.
    for (int i = 0; i < 3 && end > 0 && (static_cast<uint8_t>(data[end]) & 0xC0) == 0x80; ++i)
        --end;
    return end > 0 ? end : max;
}

QString EscapedFromBytes(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    const char* p = bytes.constData();
    const char* end = p + bytes.size();
    while (p < end) {
        const char* start = p;
        char32_t c;
        if (NextUtf8(p, end, c))
            text += QString::fromUtf8(start, p - start);
        else
            text += QChar(static_cast<char16_t>(0xDC00 + static_cast<uint8_t>(*p++)));
    }
    return text;
}

bool IsEscapedByteAt(const QString& text, qsizetype i) {
    // The second half of a character beyond the basic plane can be any low surrogate.
    return IsEscapedByte(text[i].unicode()) && (i == 0 || !text[i - 1].isHighSurrogate());
}

QByteArray BytesFromEscaped(const QString& text) {
    QByteArray bytes;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !IsEscapedByteAt(text, i))
            continue;
        bytes += QStringView(text).mid(from, i - from).toUtf8();
        if (i < text.size())
            bytes += static_cast<char>(text[i].unicode() - 0xDC00);
        from = i + 1;
    }
    return bytes;
}
