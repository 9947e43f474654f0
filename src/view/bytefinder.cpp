#include "view/bytefinder.h"

#include <cstdint>
#include <cstring>
#include <emmintrin.h>

namespace {
inline uint8_t Fold(uint8_t c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }
inline uint8_t Upper(uint8_t c) { return c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c; }
} // namespace

CByteFinder::CByteFinder(const QByteArray& needle, bool matchCase)
    : m_needle(needle), m_bMatchCase(matchCase) {
    if (!matchCase)
        for (char& c : m_needle)
            c = static_cast<char>(Fold(static_cast<uint8_t>(c)));
}

bool CByteFinder::Matches(const char* at) const {
    const qsizetype n = m_needle.size();
    if (m_bMatchCase)
        return std::memcmp(at, m_needle.constData(), n) == 0;
    for (qsizetype i = 0; i < n; ++i)
        if (Fold(static_cast<uint8_t>(at[i])) != static_cast<uint8_t>(m_needle[i]))
            return false;
    return true;
}

unsigned CByteFinder::Candidates(const char* p) const {
    const qsizetype n = m_needle.size();
    const uint8_t f = static_cast<uint8_t>(m_needle[0]);
    const uint8_t l = static_cast<uint8_t>(m_needle[n - 1]);
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 1));
    const __m128i first =
        _mm_or_si128(_mm_cmpeq_epi8(a, _mm_set1_epi8(static_cast<char>(f))),
                     _mm_cmpeq_epi8(a, _mm_set1_epi8(static_cast<char>(m_bMatchCase ? f : Upper(f)))));
    const __m128i last =
        _mm_or_si128(_mm_cmpeq_epi8(b, _mm_set1_epi8(static_cast<char>(l))),
                     _mm_cmpeq_epi8(b, _mm_set1_epi8(static_cast<char>(m_bMatchCase ? l : Upper(l)))));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(first, last)));
}

// Only places where both the first and the last byte of the needle match are compared in full;
// those are found sixteen places at a time.
bool CByteFinder::IsSingleByte() const {
    const uint8_t c = static_cast<uint8_t>(m_needle[0]);
    return m_needle.size() == 1 && (m_bMatchCase || Upper(c) == c);
}

const char* CByteFinder::Find(const char* from, const char* end) const {
    const qsizetype n = m_needle.size();
    if (n == 0 || end - from < n)
        return nullptr;
    if (IsSingleByte())
        return static_cast<const char*>(std::memchr(from, m_needle[0], end - from));
    const char* last = end - n; // the last place a match can start
    const char* p = from;
    for (; p + 16 <= last + 1; p += 16) {
        for (unsigned mask = Candidates(p); mask; mask &= mask - 1) {
            const char* candidate = p + __builtin_ctz(mask);
            if (Matches(candidate))
                return candidate;
        }
    }
    for (; p <= last; ++p)
        if (Matches(p))
            return p;
    return nullptr;
}

const char* CByteFinder::FindLast(const char* from, const char* end) const {
    const qsizetype n = m_needle.size();
    if (n == 0 || end - from < n)
        return nullptr;
    if (IsSingleByte())
        return static_cast<const char*>(memrchr(from, m_needle[0], end - from));
    const char* p = end - n; // the last place a match can start
    for (; p - 15 >= from; p -= 16) {
        const char* block = p - 15;
        for (unsigned mask = Candidates(block); mask; mask &= ~(1u << (31 - __builtin_clz(mask)))) {
            const char* candidate = block + (31 - __builtin_clz(mask));
            if (Matches(candidate))
                return candidate;
        }
    }
    for (; p >= from; --p)
        if (Matches(p))
            return p;
    return nullptr;
}
