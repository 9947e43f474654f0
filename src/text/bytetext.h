// What the bytes of a file say about how to show them: whether they are UTF-8, which line end
// they use and whether a line is too long to wrap. All are fed the text piece by piece as it
// streams in.
#pragma once

#include <cstddef>
#include <cstdint>

// How a well-formed UTF-8 sequence that starts with the byte `lead` goes on: the continuation
// bytes it needs (0 for a byte that starts none) and the bounds of the first of them, which rule
// out overlong forms, surrogates and what lies past U+10FFFF; the later ones are 0x80 to 0xBF.
struct Utf8Lead {
    int need;
    uint8_t lower;
    uint8_t upper;
};
constexpr Utf8Lead Utf8LeadOf(uint8_t lead) {
    if (lead >= 0xC2 && lead <= 0xDF)
        return {1, 0x80, 0xBF};
    if (lead >= 0xE0 && lead <= 0xEF)
        return {2, lead == 0xE0 ? uint8_t(0xA0) : uint8_t(0x80),
                lead == 0xED ? uint8_t(0x9F) : uint8_t(0xBF)};
    if (lead >= 0xF0 && lead <= 0xF4)
        return {3, lead == 0xF0 ? uint8_t(0x90) : uint8_t(0x80),
                lead == 0xF4 ? uint8_t(0x8F) : uint8_t(0xBF)};
    return {0, 0x80, 0xBF};
}

// Checks that a byte stream is well-formed UTF-8 (no overlong forms, no surrogates, nothing
// above U+10FFFF), and counts what is not. Sequences may be split between pieces.
class Utf8Validator {
public:
    void Feed(const char* data, size_t n);
    // True when everything fed so far is valid and no sequence is left unfinished.
    bool IsValid() const { return InvalidBytes() == 0; }
    // UTF-8 apart from a few stray bytes: it has at least as many valid multi-byte sequences
    // as stray bytes.
    bool IsMostlyUtf8() const;
    // No `more` bytes can make it mostly UTF-8: a valid sequence takes two bytes at least, and
    // stray bytes stay stray.
    bool StaysNotMostlyUtf8(uint64_t more) const {
        return m_nInvalid > m_nSequences + (more + static_cast<uint64_t>(m_nHave)) / 2 + 1;
    }
    uint64_t ValidSequences() const { return m_nSequences; }
    // Bytes that belong to no valid sequence, an unfinished one at the end included.
    uint64_t InvalidBytes() const { return m_nInvalid + (m_nNeed ? m_nHave : 0); }

private:
    void Start(uint8_t c);

    uint64_t m_nSequences = 0;  // valid multi-byte sequences
    uint64_t m_nMultiBytes = 0; // bytes of those sequences
    uint64_t m_nInvalid = 0;
    int m_nNeed = 0;        // continuation bytes still expected
    int m_nHave = 0;        // bytes of the current sequence so far
    uint8_t m_lower = 0x80; // bounds for the next continuation byte
    uint8_t m_upper = 0xBF;
};

enum class LineEnd { CrLf = 0, Cr = 1, Lf = 2 }; // the control's end-of-line mode numbers

// Finds the first line end of a stream (CR LF, a lone CR or LF), and whether another kind
// follows.
class LineEndDetector {
public:
    void Feed(const char* data, size_t n);
    // The style found, or `fallback` when the stream held no line end.
    LineEnd Result(LineEnd fallback = LineEnd::Lf) const;
    // Whether the stream holds line ends of more than one kind.
    bool Mixed() const;

private:
    void LookForOthers(const char* data, size_t n);

    enum State { None, SawCr, Found } m_state = None;
    LineEnd m_found = LineEnd::Lf;
    bool m_bMixed = false;
    bool m_bCrLast = false; // the last byte fed was a CR
};

// Tells whether a stream has a line of more than `limit` bytes, whatever its line ends.
class LongLineDetector {
public:
    explicit LongLineDetector(size_t limit) : m_nLimit(limit) {}
    void Feed(const char* data, size_t n);
    bool Found() const { return m_bFound; }

private:
    size_t m_nLimit;
    size_t m_nRun = 0; // bytes since the last line end
    bool m_bFound = false;
};
