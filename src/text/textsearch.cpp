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
    m_failure.clear();
    if (needle.isEmpty() || cpMin > cpMax)
        return -1;
    if (options.regex) {
        CRegexFinder* regex = RegexFor(needle, options.matchCase);
        return regex ? FindRegex(doc, *regex, options.wholeWord, cpMin, cpMax, last, matchEnd) : -1;
    }
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

namespace {
// `$` matches at the end of what is searched when a line break follows it there.
bool LineEndsAt(const CTextDocument& doc, long pos) {
    if (pos >= doc.Length())
        return true;
    const char c = doc.CharAt(pos);
    return c == '\n' || c == '\r';
}
} // namespace

long CTextSearch::FindRegex(const CTextDocument& doc, CRegexFinder& regex, bool wholeWord,
                            long cpMin, long cpMax, bool last, long* matchEnd) const {
    // The text a match may look at starts a little before the range: not at the text's start,
    // so that the text need not be made contiguous from there (after Replace All has applied
    // a piece of its work, that would move most of the text).
    const long base = std::max(0L, cpMin - regex.ContextBefore());
    const char* text = doc.RangePointer(base, cpMax - base);
    const bool lineEnds = LineEndsAt(doc, cpMax);
    const auto match = [&](long from, bool anchored, long* start, long* end) {
        const CRegexFinder::Result r =
            regex.Match(text, cpMax - base, from - base, lineEnds, anchored, start, end);
        *start += base;
        *end += base;
        return r;
    };
    // Each start in [from, before) where a match starts, in order, until `found` says stop.
    const auto starts = [&](long from, long before, const auto& found) {
        while (from <= cpMax && from < before) {
            long start = 0, end = 0;
            const CRegexFinder::Result r = match(from, false, &start, &end);
            if (r == CRegexFinder::kFailed)
                m_failure = regex.Failure();
            if (r != CRegexFinder::kFound || start >= before)
                return false;
            if ((!wholeWord || doc.IsWord(start, end)) && found(start, end))
                return true;
            from = start < cpMax ? doc.NextChar(start) : cpMax + 1;
        }
        return false;
    };
    long pos = -1, end = -1;
    const auto take = [&](long s, long e) {
        pos = s;
        end = e;
        return !last; // the first match ends a forward search; backwards, the last one counts
    };
    if (!last) {
        starts(cpMin, cpMax + 1, take);
    } else {
        // Matches are only found forwards: the ones starting in a stretch before the end, and
        // in ever longer stretches before that until one has a match. The first is short, as
        // each match in a stretch is a search of its own.
        long before = cpMax + 1;
        for (long stretch = 8; pos == -1 && before > cpMin && m_failure.isEmpty(); stretch *= 2) {
            long from = std::max(cpMin, before - stretch);
            while (!doc.IsCharBoundary(from))
                ++from;
            // Not between the CR and LF of a line end, where `^` would match.
            if (from > cpMin && doc.CharAt(from) == '\n' && doc.CharAt(from - 1) == '\r')
                --from;
            starts(from, before, take);
            before = from;
        }
    }
    if (pos == -1)
        return -1;
    if (last) // the groups of the match taken, not of the searches after it
        match(pos, true, &pos, &end);
    m_nBase = base;
    m_nLastEnd = end;
    if (matchEnd)
        *matchEnd = end;
    return pos;
}

bool CTextSearch::IsMatch(const CTextDocument& doc, const QByteArray& needle, SearchOptions options,
                          long start, long end) const {
    if (!options.regex) {
        long matchEnd = -1;
        return Find(doc, needle, options, start, end, false, &matchEnd) == start && matchEnd == end;
    }
    CRegexFinder* regex = needle.isEmpty() ? nullptr : RegexFor(needle, options.matchCase);
    if (!regex || start > end || end > doc.Length() || !doc.IsCharBoundary(start))
        return false;
    if (options.wholeWord && !doc.IsWord(start, end))
        return false;
    // The match found there with the whole text after it to look at, or with nothing after the
    // range (as a search backwards sees it).
    long s = 0, e = 0;
    const long length = doc.Length();
    const char* text = doc.RangePointer(0, length);
    if (regex->Match(text, length, start, true, false, &s, &e) != CRegexFinder::kFound ||
        s != start || e != end) {
        if (regex->Match(text, end, start, LineEndsAt(doc, end), true, &s, &e) !=
                CRegexFinder::kFound ||
            e != end)
            return false;
    }
    m_nBase = 0;
    m_nLastEnd = end;
    return true;
}

QByteArray CTextSearch::Replacement(const CTextDocument& doc, const QByteArray& with,
                                    SearchOptions options) const {
    if (!options.regex || !m_regex)
        return with;
    return m_regex->Expand(with, doc.RangePointer(m_nBase, m_nLastEnd - m_nBase));
}

long CTextSearch::ContextBefore(const QByteArray& needle, SearchOptions options) const {
    if (!options.regex)
        return 0;
    const CRegexFinder* regex = RegexFor(needle, options.matchCase);
    return regex ? regex->ContextBefore() : 0;
}

std::optional<RegexError> CTextSearch::PatternError(const QByteArray& pattern, int* groups) {
    RegexError error;
    const std::unique_ptr<CRegexFinder> regex = CRegexFinder::Compile(pattern, true, &error);
    if (!regex)
        return error;
    if (groups)
        *groups = regex->GroupCount();
    return std::nullopt;
}

CRegexFinder* CTextSearch::RegexFor(const QByteArray& pattern, bool matchCase) const {
    if (m_regex && m_regex->IsFor(pattern, matchCase))
        return m_regex.get();
    RegexError error;
    m_regex = CRegexFinder::Compile(pattern, matchCase, &error);
    if (!m_regex)
        m_failure = error.message;
    return m_regex.get();
}

const CByteFinder& CTextSearch::FinderFor(const QByteArray& needle, bool matchCase) const {
    if (!m_finder || !m_finder->IsFor(needle, matchCase))
        m_finder.emplace(needle, matchCase);
    return *m_finder;
}
