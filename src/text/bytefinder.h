// Finds a string in a UTF-8 buffer, either byte for byte or with letters folded by simple Unicode
// case folding, so that "café" finds "CAFÉ", "ς" finds "Σ" and "k" finds the Kelvin sign.
#pragma once

#include <QByteArray>

#include <vector>

// Simple Unicode case folding of one character.
char32_t FoldCase(char32_t c);

class CByteFinder {
public:
    CByteFinder(const QByteArray& needle, bool matchCase);
    // The first position in [from, end) where a match starts and ends at or before `end`, or
    // null; `matchEnd` gets where that match ends. Without matching case a match may differ
    // from the needle in size.
    const char* Find(const char* from, const char* end, const char** matchEnd = nullptr) const;
    // The last such position before `before` (null: anywhere in the range), or null.
    const char* FindLast(const char* from, const char* end, const char* before = nullptr,
                         const char** matchEnd = nullptr) const;

    bool IsFor(const QByteArray& needle, bool matchCase) const {
        return m_needle == needle && m_bMatchCase == matchCase;
    }

private:
    // The end of a match starting at `at`, or null.
    const char* MatchAt(const char* at, const char* end) const;
    // One byte whose case matters not: the C library finds it fastest.
    bool IsSingleByte() const;
    // The places among the sixteen from `p` that may start a match.
    unsigned Candidates(const char* p) const;

    QByteArray m_needle;
    bool m_bMatchCase;
    std::vector<char32_t> m_folded; // the needle's characters, folded
    // What the filter looks at: bytes that may start a match, and bytes that may stand
    // `m_nSecondAt` bytes later (none when that distance differs between matches).
    QByteArray m_first;
    QByteArray m_second;
    qsizetype m_nSecondAt = 0;
    qsizetype m_nMinLength = 0; // the shortest text a match can be
};
