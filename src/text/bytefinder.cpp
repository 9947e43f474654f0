#include "text/bytefinder.h"

#include "text/textencoding.h"

#include <QChar>

#include <algorithm>
#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
#include <utility>

namespace {
// A needle byte that is no UTF-8 matches only itself; it is kept as a character above Unicode.
constexpr char32_t kRawByte = 0x110000;

// Every character that folds to `folded`, itself included.
std::vector<char32_t> Variants(char32_t folded) {
    // Pairs (folded, character) of every character that folding changes; none lies above
    // the supplementary multilingual plane.
    static const std::vector<std::pair<char32_t, char32_t>> table = [] {
        std::vector<std::pair<char32_t, char32_t>> t;
        for (char32_t c = 0; c < 0x20000; ++c)
            if (FoldCase(c) != c)
                t.emplace_back(FoldCase(c), c);
        std::sort(t.begin(), t.end());
        return t;
    }();
    std::vector<char32_t> v{folded};
    if (folded >= kRawByte)
        return v;
    auto it = std::lower_bound(table.begin(), table.end(), std::make_pair(folded, char32_t(0)));
    for (; it != table.end() && it->first == folded; ++it)
        v.push_back(it->second);
    return v;
}

QByteArray Encoded(char32_t c) {
    QByteArray b;
    if (c >= kRawByte)
        b.append(static_cast<char>(c - kRawByte));
    else
        AppendUtf8(b, c);
    return b;
}

void AddOnce(QByteArray& set, char b) {
    if (!set.contains(b))
        set.append(b);
}

#ifdef __SSE2__
__m128i Matching(__m128i block, const QByteArray& set) {
    __m128i m = _mm_setzero_si128();
    for (char b : set)
        m = _mm_or_si128(m, _mm_cmpeq_epi8(block, _mm_set1_epi8(b)));
    return m;
}
#else
// Bit i set: the byte at p + i is one of `set`.
unsigned Matching(const char* p, const QByteArray& set) {
    unsigned m = 0;
    for (unsigned i = 0; i < 16; ++i)
        if (set.contains(p[i]))
            m |= 1u << i;
    return m;
}
#endif
} // namespace

char32_t FoldCase(char32_t c) {
    if (c < 0x80)
        return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
    return QChar::toCaseFolded(c);
}

CByteFinder::CByteFinder(const QByteArray& needle, bool matchCase)
    : m_needle(needle), m_bMatchCase(matchCase) {
    const qsizetype n = needle.size();
    if (n == 0)
        return;
    if (matchCase) {
        m_first.append(needle[0]);
        if (n > 1) {
            m_second.append(needle[n - 1]);
            m_nSecondAt = n - 1;
        }
        m_nMinLength = n;
        return;
    }
    for (const char *p = needle.constData(), *end = p + n; p < end;) {
        char32_t c;
        if (NextUtf8(p, end, c))
            m_folded.push_back(FoldCase(c));
        else
            m_folded.push_back(kRawByte + static_cast<uint8_t>(*p++));
    }
    // The variants' sizes: a match has a fixed size only when each character's variants
    // share theirs.
    bool fixed = true;
    qsizetype firstSize = -1;
    std::vector<std::vector<QByteArray>> forms;
    for (char32_t f : m_folded) {
        std::vector<QByteArray> v;
        qsizetype shortest = 4;
        for (char32_t c : Variants(f)) {
            v.push_back(Encoded(c));
            shortest = std::min(shortest, v.back().size());
            fixed = fixed && v.back().size() == v.front().size();
        }
        if (firstSize < 0)
            firstSize = fixed ? v.front().size() : 0;
        m_nMinLength += shortest;
        forms.push_back(std::move(v));
    }
    for (const QByteArray& b : forms.front())
        AddOnce(m_first, b[0]);
    if (fixed && m_nMinLength > 1) {
        for (const QByteArray& b : forms.back())
            AddOnce(m_second, b[b.size() - 1]);
        m_nSecondAt = m_nMinLength - 1;
    } else if (firstSize > 0 && forms.size() > 1) {
        for (const QByteArray& b : forms[1])
            AddOnce(m_second, b[0]);
        m_nSecondAt = firstSize;
    }
}

const char* CByteFinder::MatchAt(const char* at, const char* end) const {
    if (m_bMatchCase) {
        const qsizetype n = m_needle.size();
        return end - at >= n && std::memcmp(at, m_needle.constData(), n) == 0 ? at + n : nullptr;
    }
    const char* q = at;
    for (char32_t f : m_folded) {
        if (q >= end)
            return nullptr;
        const auto b = static_cast<uint8_t>(*q);
        char32_t c;
        if (f >= kRawByte) {
            c = kRawByte + b;
            ++q;
        } else if (b < 0x80) {
            c = FoldCase(b);
            ++q;
        } else if (NextUtf8(q, end, c)) {
            c = FoldCase(c);
        } else {
            return nullptr;
        }
        if (c != f)
            return nullptr;
    }
    return q;
}

// Only places where the filter's bytes match are compared in full; those are found sixteen
// places at a time.
unsigned CByteFinder::Candidates(const char* p) const {
#ifdef __SSE2__
    __m128i mask = Matching(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), m_first);
    if (!m_second.isEmpty())
        mask = _mm_and_si128(
            mask,
            Matching(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + m_nSecondAt)), m_second));
    return static_cast<unsigned>(_mm_movemask_epi8(mask));
#else
    const unsigned mask = Matching(p, m_first);
    return m_second.isEmpty() ? mask : mask & Matching(p + m_nSecondAt, m_second);
#endif
}

bool CByteFinder::IsSingleByte() const {
    return m_nMinLength == 1 && m_first.size() == 1 &&
           (m_bMatchCase || (m_folded.size() == 1 && m_folded[0] < 0x80));
}

const char* CByteFinder::Find(const char* from, const char* end, const char** matchEnd) const {
    const char* found = nullptr;
    const char* stop = nullptr;
    if (m_nMinLength == 0 || end - from < m_nMinLength)
        return nullptr;
    if (IsSingleByte()) {
        found = static_cast<const char*>(std::memchr(from, m_first[0], end - from));
        stop = found ? found + 1 : nullptr;
    } else {
        const char* last = end - m_nMinLength; // the last place a match can start
        const char* p = from;
        for (; p + 15 <= last && !found; p += 16) {
            for (unsigned mask = Candidates(p); mask; mask &= mask - 1) {
                const char* candidate = p + __builtin_ctz(mask);
                if ((stop = MatchAt(candidate, end))) {
                    found = candidate;
                    break;
                }
            }
        }
        for (; p <= last && !found; ++p)
            if ((stop = MatchAt(p, end)))
                found = p;
    }
    if (found && matchEnd)
        *matchEnd = stop;
    return found;
}

const char* CByteFinder::FindLast(const char* from, const char* end, const char* before,
                                  const char** matchEnd) const {
    if (m_nMinLength == 0 || end - from < m_nMinLength)
        return nullptr;
    const char* p = end - m_nMinLength; // the last place a match can start
    if (before && before - 1 < p)
        p = before - 1;
    if (p < from)
        return nullptr;
    const char* found = nullptr;
    const char* stop = nullptr;
    if (IsSingleByte()) {
        found = static_cast<const char*>(memrchr(from, m_first[0], p + 1 - from));
        stop = found ? found + 1 : nullptr;
    } else {
        for (; p - 15 >= from && !found; p -= 16) {
            const char* block = p - 15;
            for (unsigned mask = Candidates(block); mask;
                 mask &= ~(1u << (31 - __builtin_clz(mask)))) {
                const char* candidate = block + (31 - __builtin_clz(mask));
                if ((stop = MatchAt(candidate, end))) {
                    found = candidate;
                    break;
                }
            }
        }
        for (; p >= from && !found; --p)
            if ((stop = MatchAt(p, end)))
                found = p;
    }
    if (found && matchEnd)
        *matchEnd = stop;
    return found;
}
