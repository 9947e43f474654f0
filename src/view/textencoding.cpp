#include "view/textencoding.h"

#include <QList>

#include <cstring>

namespace {
// Windows-1252's bytes 0x80 to 0x9F; the five it leaves undefined stand for the C1 controls of
// the same number, so that every byte has a character and comes back as itself.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t From1252(uint8_t b) {
    return b >= 0x80 && b < 0xA0 ? kHigh1252[b - 0x80] : b;
}

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
    int need;
    uint8_t lower = 0x80, upper = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        need = 1;
        c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        need = 2;
        c = b & 0x0F;
        lower = b == 0xE0 ? 0xA0 : 0x80;
        upper = b == 0xED ? 0x9F : 0xBF;
    } else if (b >= 0xF0 && b <= 0xF4) {
        need = 3;
        c = b & 0x07;
        lower = b == 0xF0 ? 0x90 : 0x80;
        upper = b == 0xF4 ? 0x8F : 0xBF;
    } else {
        return false;
    }
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

void AppendUtf8(QByteArray& out, char32_t c) {
    char buf[4];
    int n = Utf8Length(c);
    switch (n) {
    case 1:
        buf[0] = static_cast<char>(c);
        break;
    case 2:
        buf[0] = static_cast<char>(0xC0 | (c >> 6));
        buf[1] = static_cast<char>(0x80 | (c & 0x3F));
        break;
    case 3:
        buf[0] = static_cast<char>(0xE0 | (c >> 12));
        buf[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buf[2] = static_cast<char>(0x80 | (c & 0x3F));
        break;
    default:
        buf[0] = static_cast<char>(0xF0 | (c >> 18));
        buf[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        buf[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        buf[3] = static_cast<char>(0x80 | (c & 0x3F));
        break;
    }
    out.append(buf, n);
}

namespace {
// Calls `take` with each character of a UTF-16 text (after its mark) or Windows-1252 text.
template <typename Take>
void ForEachCharacter(TextEncoding encoding, const char* data, size_t n, Take take) {
    const auto* p = reinterpret_cast<const uint8_t*>(data);
    if (encoding == TextEncoding::Windows1252) {
        for (size_t i = 0; i < n; ++i)
            take(From1252(p[i]));
        return;
    }
    const bool be = encoding == TextEncoding::Utf16Be;
    for (size_t i = 2; i + 1 < n; i += 2) {
        const uint16_t u = Unit(p + i, be);
        if (IsHigh(u) && i + 3 < n) {
            const uint16_t low = Unit(p + i + 2, be);
            take(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (low - 0xDC00));
            i += 2;
        } else {
            take(u);
        }
    }
}
} // namespace

bool DecodeToUtf8(TextEncoding encoding, const char* data, size_t n,
                  const std::function<bool(const QByteArray&)>& sink) {
    constexpr qsizetype kPiece = 1 << 20;
    QByteArray piece;
    piece.reserve(kPiece + 4);
    bool going = true;
    ForEachCharacter(encoding, data, n, [&](char32_t c) {
        AppendUtf8(piece, c);
        if (piece.size() >= kPiece && going) {
            going = sink(piece);
            piece.clear();
        }
    });
    return going && (piece.isEmpty() || sink(piece));
}

QByteArray DecodeToUtf8(TextEncoding encoding, const char* data, size_t n) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(DecodedSize(encoding, data, n)));
    ForEachCharacter(encoding, data, n, [&](char32_t c) { AppendUtf8(out, c); });
    return out;
}

size_t DecodedSize(TextEncoding encoding, const char* data, size_t n) {
    size_t size = 0;
    ForEachCharacter(encoding, data, n, [&](char32_t c) { size += Utf8Length(c); });
    return size;
}

bool EncodeFromUtf8(TextEncoding encoding, const char* data, size_t n, QByteArray& out,
                    char32_t* bad) {
    const char* p = data;
    const char* end = data + n;
    const bool be = encoding == TextEncoding::Utf16Be;
    auto unit = [&](uint16_t u) {
        const char b[2] = {static_cast<char>(be ? u >> 8 : u & 0xFF),
                           static_cast<char>(be ? u & 0xFF : u >> 8)};
        out.append(b, 2);
    };
    while (p < end) {
        char32_t c;
        if (!NextUtf8(p, end, c)) {
            if (bad)
                *bad = 0;
            return false;
        }
        switch (encoding) {
        case TextEncoding::Windows1252: {
            const int b = To1252(c);
            if (b < 0) {
                if (bad)
                    *bad = c;
                return false;
            }
            out.append(static_cast<char>(b));
            break;
        }
        case TextEncoding::Utf16Le:
        case TextEncoding::Utf16Be:
            if (c >= 0x10000) {
                unit(static_cast<uint16_t>(0xD800 + ((c - 0x10000) >> 10)));
                unit(static_cast<uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
            } else {
                unit(static_cast<uint16_t>(c));
            }
            break;
        default:
            AppendUtf8(out, c);
            break;
        }
    }
    return true;
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
