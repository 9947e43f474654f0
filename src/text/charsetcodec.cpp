#include "text/charsetcodec.h"

#include "text/textencoding.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace {
// Input taken at a time: what is held besides the file and the text stays bounded.
constexpr size_t kWindow = 1 << 20;

class CIconv {
public:
    CIconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~CIconv() {
        if (Ok())
            iconv_close(m_cd);
    }
    CIconv(const CIconv&) = delete;
    CIconv& operator=(const CIconv&) = delete;
    bool Ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts [in, in + left), appending to `out`, and moves `in` past what was converted:
    // 0 when all was, else EILSEQ (a sequence it cannot convert) or EINVAL (one cut short at
    // the end). The state is flushed at the end, so that a set that holds back a character
    // (to combine it with the next) gives it.
    int Convert(const char*& in, size_t left, std::string& out) {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in);
        int error = Step(&src, &left, out, std::max<size_t>(4 * left, 64));
        in = src;
        if (error == 0)
            error = Step(nullptr, nullptr, out, 64);
        return error;
    }

private:
    // One call of iconv, given more room for as long as it asks for it.
    int Step(char** src, size_t* left, std::string& out, size_t room) {
        for (;;) {
            const size_t start = out.size();
            out.resize(start + room);
            char* dst = out.data() + start;
            size_t free = room;
            const size_t rc = iconv(m_cd, src, left, &dst, &free);
            const int error = rc == static_cast<size_t>(-1) ? errno : 0;
            out.resize(static_cast<size_t>(dst - out.data()));
            if (error != E2BIG)
                return error;
        }
    }

    iconv_t m_cd;
};

// The first index at which the two differ.
size_t FirstDifference(const char* a, size_t na, const char* b, size_t nb) {
    const size_t n = std::min(na, nb);
    return static_cast<size_t>(std::mismatch(a, a + n, b).first - a);
}
} // namespace

const CCharsetCodec* CCharsetCodec::Of(const char* name, const char* iconvName, bool singleByte) {
    static std::mutex lock;
    static std::map<std::string, std::unique_ptr<CCharsetCodec>> made;
    const std::lock_guard<std::mutex> hold(lock);
    auto it = made.find(iconvName);
    if (it == made.end()) {
        std::unique_ptr<CCharsetCodec> codec(new CCharsetCodec(name, iconvName, singleByte));
        const bool known = CIconv("UTF-8", iconvName).Ok() && CIconv(iconvName, "UTF-8").Ok() &&
                           (!singleByte || codec->BuildTable());
        it = made.emplace(iconvName, known ? std::move(codec) : nullptr).first;
    }
    return it->second.get();
}

CCharsetCodec::CCharsetCodec(const char* name, const char* iconvName, bool singleByte)
    : m_name(name), m_iconvName(iconvName), m_bSingleByte(singleByte) {}

bool CCharsetCodec::BuildTable() {
    CIconv decoder("UTF-8", m_iconvName);
    CIconv encoder(m_iconvName, "UTF-8");
    m_encode.assign(0x10000, -1);
    std::string text, back;
    for (int b = 0; b < 256; ++b) {
        const char byte = static_cast<char>(b);
        const char* in = &byte;
        text.clear();
        if (decoder.Convert(in, 1, text) != 0)
            continue;
        // Exactly one character of the basic plane, which comes back as this byte.
        const char* p = text.data();
        char32_t c;
        if (text.empty() || !NextUtf8(p, text.data() + text.size(), c) ||
            p != text.data() + text.size() || c > 0xFFFF)
            continue;
        back.clear();
        const char* q = text.data();
        if (encoder.Convert(q, text.size(), back) != 0 || back != std::string(1, byte))
            continue;
        m_decode[b].length = static_cast<uint8_t>(text.size());
        std::memcpy(m_decode[b].bytes, text.data(), text.size());
        m_encode[c] = static_cast<int16_t>(b);
    }
    m_bAsciiAsIs = true;
    for (int b = 0; b < 0x80; ++b)
        m_bAsciiAsIs = m_bAsciiAsIs && m_decode[b].length == 1 && m_decode[b].bytes[0] == b;
    return true;
}

int64_t CCharsetCodec::FirstUndecodable(const char* data, size_t n, size_t& size) const {
    size = 0;
    if (m_bSingleByte) {
        const auto* p = reinterpret_cast<const uint8_t*>(data);
        for (size_t i = 0; i < n; ++i) {
            const uint8_t length = m_decode[p[i]].length;
            if (length == 0)
                return static_cast<int64_t>(i);
            size += length;
        }
        return -1;
    }
    CIconv decoder("UTF-8", m_iconvName);
    CIconv encoder(m_iconvName, "UTF-8");
    std::string text, back;
    for (size_t pos = 0; pos < n;) {
        const size_t end = std::min(n, pos + kWindow);
        const char* in = data + pos;
        text.clear();
        const int error = decoder.Convert(in, end - pos, text);
        const size_t done = static_cast<size_t>(in - (data + pos));
        // What did convert must come back as the same bytes.
        back.clear();
        const char* t = text.data();
        const int backError = encoder.Convert(t, text.size(), back);
        if (backError != 0 || back.size() != done || back.compare(0, done, data + pos, done) != 0)
            return static_cast<int64_t>(
                pos + FirstDifference(back.data(), back.size(), data + pos, done));
        size += text.size();
        pos += done;
        if (error == EILSEQ || (error == EINVAL && end == n) || (error != 0 && done == 0))
            return static_cast<int64_t>(pos);
    }
    return -1;
}

bool CCharsetCodec::Decode(const char* data, size_t n,
                           const std::function<bool(const char*, size_t)>& sink) const {
    if (m_bSingleByte) {
        const auto* p = reinterpret_cast<const uint8_t*>(data);
        std::string piece(3 * kWindow / 4, '\0');
        for (size_t pos = 0; pos < n;) {
            const size_t end = std::min(n, pos + kWindow / 4);
            char* o = piece.data();
            for (size_t i = pos; i < end; ++i) {
                if (p[i] < 0x80 && m_bAsciiAsIs) {
                    *o++ = static_cast<char>(p[i]);
                    continue;
                }
                const Utf8Of& u = m_decode[p[i]];
                std::memcpy(o, u.bytes, 3);
                o += u.length;
            }
            if (!sink(piece.data(), static_cast<size_t>(o - piece.data())))
                return false;
            pos = end;
        }
        return true;
    }
    CIconv decoder("UTF-8", m_iconvName);
    std::string text;
    for (size_t pos = 0; pos < n;) {
        const size_t end = std::min(n, pos + kWindow);
        const char* in = data + pos;
        text.clear();
        const int error = decoder.Convert(in, end - pos, text);
        const size_t done = static_cast<size_t>(in - (data + pos));
        if ((error != 0 && (error != EINVAL || end == n)) || done == 0)
            return false;
        if (!sink(text.data(), text.size()))
            return false;
        pos += done;
    }
    return true;
}

bool CCharsetCodec::EncodeByTable(const char* data, size_t n, QByteArray& out,
                                  char32_t* bad) const {
    const qsizetype start = out.size();
    out.resize(start + static_cast<qsizetype>(n)); // at most a byte for each byte of UTF-8
    char* o = out.data() + start;
    const char* end = data + n;
    bool ok = true;
    for (const char* p = data; p < end;) {
        if (m_bAsciiAsIs && static_cast<uint8_t>(*p) < 0x80) {
            *o++ = *p++;
            continue;
        }
        char32_t c;
        if (!NextUtf8(p, end, c)) {
            *bad = 0;
            ok = false;
            break;
        }
        const int b = c <= 0xFFFF ? m_encode[c] : -1;
        if (b < 0) {
            *bad = c;
            ok = false;
            break;
        }
        *o++ = static_cast<char>(b);
    }
    out.resize(o - out.constData());
    return ok;
}

bool CCharsetCodec::Encode(const char* data, size_t n, QByteArray& out, char32_t* bad) const {
    char32_t refused = 0;
    if (!bad)
        bad = &refused;
    if (m_bSingleByte)
        return EncodeByTable(data, n, out, bad);
    CIconv encoder(m_iconvName, "UTF-8");
    CIconv decoder("UTF-8", m_iconvName);
    std::string bytes, back;
    for (size_t pos = 0; pos < n;) {
        const size_t end = std::min(n, pos + kWindow);
        const char* in = data + pos;
        bytes.clear();
        const int error = encoder.Convert(in, end - pos, bytes);
        const size_t done = static_cast<size_t>(in - (data + pos));
        // A character split by the window is taken up by the next one.
        if (error != 0 && !(error == EINVAL && end < n && done > 0)) {
            // The character it stopped at, or bytes that are no UTF-8.
            const char* p = in;
            char32_t c = 0;
            *bad = NextUtf8(p, data + n, c) ? c : 0;
            return false;
        }
        // A character that would come back as another is not held either.
        back.clear();
        const char* b = bytes.data();
        if (decoder.Convert(b, bytes.size(), back) != 0 || back.size() != done ||
            back.compare(0, done, data + pos, done) != 0) {
            for (const char* p = data + pos; p < data + pos + done;) {
                char32_t c;
                if (!NextUtf8(p, data + n, c)) {
                    *bad = 0;
                    return false;
                }
                if (!CanHold(c)) {
                    *bad = c;
                    return false;
                }
            }
            *bad = 0;
            return false;
        }
        out.append(bytes.data(), static_cast<qsizetype>(bytes.size()));
        pos += done;
    }
    return true;
}

bool CCharsetCodec::CanHold(char32_t c) const {
    if (m_bSingleByte)
        return c <= 0xFFFF && m_encode[c] >= 0;
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return false;
    char utf8[4];
    const int length = PutUtf8(utf8, c);
    CIconv encoder(m_iconvName, "UTF-8");
    CIconv decoder("UTF-8", m_iconvName);
    std::string bytes, back;
    const char* in = utf8;
    if (encoder.Convert(in, static_cast<size_t>(length), bytes) != 0)
        return false;
    const char* b = bytes.data();
    return decoder.Convert(b, bytes.size(), back) == 0 &&
           back == std::string(utf8, static_cast<size_t>(length));
}
