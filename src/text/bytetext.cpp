#include "text/bytetext.h"

#include <algorithm>
#include <cstring>

void Utf8Validator::Start(uint8_t c) {
    const Utf8Lead lead = Utf8LeadOf(c);
    m_nNeed = lead.need;
    m_lower = lead.lower;
    m_upper = lead.upper;
    m_nHave = 1;
    if (lead.need == 0) {
        m_nHave = 0;
        ++m_nInvalid;
    }
}

void Utf8Validator::Feed(const char* data, size_t n) {
    const auto* p = reinterpret_cast<const uint8_t*>(data);
    const uint8_t* end = p + n;
    while (p < end) {
        if (m_nNeed == 0) {
            // Skip runs of ASCII 32 bytes, then eight bytes, at a time.
            while (end - p >= 32) {
                uint64_t words[4];
                std::memcpy(words, p, 32);
                if ((words[0] | words[1] | words[2] | words[3]) & 0x8080808080808080ULL)
                    break;
                p += 32;
            }
            while (end - p >= 8) {
                uint64_t word;
                std::memcpy(&word, p, 8);
                if (word & 0x8080808080808080ULL)
                    break;
                p += 8;
            }
            if (p == end)
                break;
            const uint8_t c = *p++;
            if (c >= 0x80)
                Start(c);
            continue;
        }
        const uint8_t c = *p;
        if (c < m_lower || c > m_upper) {
            // The sequence so far is stray bytes; this byte may start the next one.
            m_nInvalid += m_nHave;
            m_nNeed = 0;
            continue;
        }
        ++p;
        ++m_nHave;
        m_lower = 0x80;
        m_upper = 0xBF;
        if (--m_nNeed == 0) {
            ++m_nSequences;
            m_nMultiBytes += m_nHave;
        }
    }
}

bool Utf8Validator::IsMostlyUtf8() const {
    // A valid multi-byte sequence is strong evidence: text in a single-byte encoding forms one
    // only by chance (an accented letter is followed by ASCII), while a stray byte is a single
    // slip. So sequences are weighed against stray bytes, one for one.
    const uint64_t invalid = InvalidBytes();
    return invalid == 0 || (m_nSequences > 0 && m_nSequences >= invalid);
}

void LineEndDetector::Feed(const char* data, size_t n) {
    if (n == 0)
        return;
    if (m_state == Found) {
        LookForOthers(data, n);
        return;
    }
    if (m_state == SawCr) {
        m_found = data[0] == '\n' ? LineEnd::CrLf : LineEnd::Cr;
        m_state = Found;
        LookForOthers(data, n);
        return;
    }
    const char* cr = static_cast<const char*>(std::memchr(data, '\r', n));
    const char* lf = static_cast<const char*>(std::memchr(data, '\n', cr ? cr - data : n));
    if (lf) {
        m_found = LineEnd::Lf;
        m_state = Found;
    } else if (cr) {
        if (cr + 1 < data + n) {
            m_found = cr[1] == '\n' ? LineEnd::CrLf : LineEnd::Cr;
            m_state = Found;
        } else {
            m_state = SawCr;
            m_bCrLast = true;
            return;
        }
    }
    if (m_state == Found)
        LookForOthers(data, n); // the first line end is found again: it is of its own kind
    else
        m_bCrLast = data[n - 1] == '\r';
}

// A scan of the bytes for the characters a line end of another kind has: a CR for a text of
// LFs, an LF for one of CRs, and an LF without its CR or a CR without its LF for CR LF.
void LineEndDetector::LookForOthers(const char* data, size_t n) {
    const bool crBefore = m_bCrLast;
    m_bCrLast = data[n - 1] == '\r';
    if (m_bMixed)
        return;
    const char* end = data + n;
    switch (m_found) {
    case LineEnd::Lf:
        m_bMixed = std::memchr(data, '\r', n) != nullptr;
        return;
    case LineEnd::Cr:
        // The LF of a CR LF split between pieces counts too.
        m_bMixed = std::memchr(data, '\n', n) != nullptr;
        return;
    case LineEnd::CrLf:
        m_bMixed = crBefore && data[0] != '\n'; // the last piece's CR stood alone
        for (const char* p = data; p < end && !m_bMixed;) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', end - p));
            const char* to = lf ? lf : end;
            // Every CR before this LF but the one right before it stands alone.
            for (const char* cr = p; cr < to && !m_bMixed;) {
                cr = static_cast<const char*>(std::memchr(cr, '\r', to - cr));
                if (!cr)
                    break;
                m_bMixed = cr + 1 < end && cr + 1 != lf;
                ++cr;
            }
            if (lf)
                m_bMixed = m_bMixed || (lf == data ? !crBefore : lf[-1] != '\r');
            p = lf ? lf + 1 : end;
        }
        return;
    }
}

LineEnd LineEndDetector::Result(LineEnd fallback) const {
    if (m_state == Found)
        return m_found;
    return m_state == SawCr ? LineEnd::Cr : fallback;
}

bool LineEndDetector::Mixed() const {
    // A CR at the very end of a text of CR LF ends no line of its kind.
    return m_bMixed || (m_state == Found && m_found == LineEnd::CrLf && m_bCrLast);
}

namespace {
// The last CR or LF of the `n` bytes at `p`, or null.
const char* LastLineEnd(const char* p, size_t n) {
    const auto* lf = static_cast<const char*>(memrchr(p, '\n', n));
    const char* after = lf ? lf + 1 : p;
    const auto* cr = static_cast<const char*>(memrchr(after, '\r', p + n - after));
    return cr ? cr : lf;
}
} // namespace

// Only a window of the bytes needs looking at, from its end: a line end in it starts the next
// window after the last one; a whole window without one is a line too long. Texts of short lines
// are crossed a window (the limit) at a time instead of a line at a time.
void LongLineDetector::Feed(const char* data, size_t n) {
    const char* p = data;
    const char* const end = data + n;
    while (p < end && !m_bFound) {
        // A line end must come within this many bytes for the run to stay within the limit.
        const size_t room = m_nLimit - m_nRun + 1;
        const size_t window = std::min(room, static_cast<size_t>(end - p));
        if (const char* last = LastLineEnd(p, window))
            m_nRun = static_cast<size_t>(p + window - (last + 1));
        else if (window == room)
            m_bFound = true;
        else
            m_nRun += window;
        p += window;
    }
}
