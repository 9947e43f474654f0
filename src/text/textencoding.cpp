#include "text/textencoding.h"

#include <QList>

#include <algorithm>
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
} // namespace

const char* EncodingName(TextEncoding encoding) {
    switch (encoding) {
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
    }
    return "";
}

QByteArray ByteOrderMark(TextEncoding encoding) {
    switch (encoding) {
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

bool CanHold(TextEncoding encoding, char32_t c) {
    if (encoding == TextEncoding::Windows1252)
        return To1252(c) >= 0;
    return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

char32_t FirstUnholdable(TextEncoding encoding, const QString& text) {
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
    m_utf8.Feed(data, n);
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
            if (i < n)
                o += PutUtf8(o, From1252(p[i++]));
        }
        return static_cast<size_t>(o - out);
    }
    const bool be = encoding == TextEncoding::Utf16Be;
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
    if (encoding != TextEncoding::Windows1252 &&
        IsHigh(Unit(p + end - 2, encoding == TextEncoding::Utf16Be)))
        end -= 2;
    return end;
}

size_t MarkSize(TextEncoding encoding) {
    return encoding == TextEncoding::Windows1252 ? 0 : 2;
}
} // namespace

void AppendUtf8(QByteArray& out, char32_t c) {
    char buf[4];
    out.append(buf, PutUtf8(buf, c));
}

bool DecodeToUtf8(TextEncoding encoding, const char* data, size_t n,
                  const std::function<bool(const QByteArray&)>& sink) {
    constexpr size_t kPiece = 1 << 18; // input bytes, an even number
    const auto* p = reinterpret_cast<const uint8_t*>(data);
    QByteArray buffer(static_cast<qsizetype>(3 * kPiece), Qt::Uninitialized);
    for (size_t i = std::min(MarkSize(encoding), n); i < n;) {
        const size_t end = PieceEnd(encoding, p, i, n, kPiece);
        const size_t size = DecodePiece(encoding, p + i, end - i, buffer.data());
        if (!sink(QByteArray::fromRawData(buffer.constData(), static_cast<qsizetype>(size))))
            return false;
        i = end;
    }
    return true;
}

QByteArray DecodeToUtf8(TextEncoding encoding, const char* data, size_t n) {
    QByteArray out(static_cast<qsizetype>(DecodedSize(encoding, data, n)), Qt::Uninitialized);
    const size_t mark = std::min(MarkSize(encoding), n);
    DecodePiece(encoding, reinterpret_cast<const uint8_t*>(data) + mark, n - mark, out.data());
    return out;
}

size_t DecodedSize(TextEncoding encoding, const char* data, size_t n) {
    const auto* p = reinterpret_cast<const uint8_t*>(data);
    size_t size = 0;
    if (encoding == TextEncoding::Windows1252) {
        for (size_t i = 0; i < n;) {
            const size_t run = AsciiRun(p + i, n - i);
            size += run;
            i += run;
            if (i < n)
                size += Utf8Length(From1252(p[i++]));
        }
        return size;
    }
    const bool be = encoding == TextEncoding::Utf16Be;
    for (size_t i = 2; i + 1 < n; i += 2) {
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

bool EncodeFromUtf8(TextEncoding encoding, const char* data, size_t n, QByteArray& out,
                    char32_t* bad) {
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
    out.resize(start + static_cast<qsizetype>(encoding == TextEncoding::Windows1252 ? n : 2 * n));
    char* o = out.data() + start;
    const bool be = encoding == TextEncoding::Utf16Be;
    auto unit = [&](uint16_t u) {
        *o++ = static_cast<char>(be ? u >> 8 : u & 0xFF);
        *o++ = static_cast<char>(be ? u & 0xFF : u >> 8);
    };
    bool ok = true;
    for (size_t i = 0; i < n && ok;) {
        const size_t run = AsciiRun(p + i, n - i);
        if (encoding == TextEncoding::Windows1252) {
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
        if (encoding == TextEncoding::Windows1252) {
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
