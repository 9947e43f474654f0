#include "text/textsearch.h"

#include <algorithm>
#include <cstdint>

long CTextSearch::Find(const CTextDocument& doc, const QByteArray& needle, SearchOptions options,
                       long cpMin, long cpMax, bool last, long* matchEnd) const {
    const long length = doc.Length();
    cpMin = std::clamp(cpMin, 0L, length);
    cpMax = cpMax < 0 ? length : std::min(cpMax, length);
    while (!doc.IsCharBoundary(cpMin))
        ++cpMin;
    while (!doc.IsCharBoundary(cpMax))
        ++cpMax;
    if (needle.isEmpty() || cpMin > cpMax)
        return -1;
    const CByteFinder& finder = FinderFor(needle, options.matchCase);
    const char* base = doc.RangePointer(cpMin, cpMax - cpMin);
    const char* end = base + (cpMax - cpMin);
    // Most bytes start a character: only a continuation byte needs a closer look.
    const auto boundary = [&](const char* at, long pos) {
        return (at < end && (static_cast<uint8_t>(*at) & 0xC0) != 0x80) || doc.IsCharBoundary(pos);
    };
    const char* stop = nullptr;
    const char* p =
        last ? finder.FindLast(base, end, nullptr, &stop) : finder.Find(base, end, &stop);
    while (p) {
        const long pos = cpMin + static_cast<long>(p - base);
        const long posEnd = cpMin + static_cast<long>(stop - base);
        if (boundary(p, pos) && boundary(stop, posEnd) &&
            (!options.wholeWord || doc.IsWord(pos, posEnd))) {
            if (matchEnd)
                *matchEnd = posEnd;
            return pos;
        }
        p = last ? finder.FindLast(base, end, p, &stop) : finder.Find(p + 1, end, &stop);
    }
    return -1;
}

const CByteFinder& CTextSearch::FinderFor(const QByteArray& needle, bool matchCase) const {
    if (!m_finder || !m_finder->IsFor(needle, matchCase))
        m_finder.emplace(needle, matchCase);
    return *m_finder;
}
