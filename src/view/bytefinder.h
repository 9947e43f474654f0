// Finds a byte string in a buffer, with or without matching the case of ASCII letters.
#pragma once

#include <QByteArray>

class CByteFinder {
public:
    CByteFinder(const QByteArray& needle, bool matchCase);
    // The first position in [from, end) where the needle lies wholly before end, or null.
    const char* Find(const char* from, const char* end) const;
    // The last such position, or null.
    const char* FindLast(const char* from, const char* end) const;
    qsizetype Length() const { return m_needle.size(); }

private:
    bool Matches(const char* at) const;
    // One byte that is no letter, or whose case matters: the C library finds it fastest.
    bool IsSingleByte() const;
    // The places among the sixteen from `p` where the needle's first and last bytes match.
    unsigned Candidates(const char* p) const;

    QByteArray m_needle; // folded to lower case when case does not matter
    bool m_bMatchCase;
};
