// Regular expressions (PCRE2, compiled to machine code by its JIT) over a text's bytes, which
// need not be UTF-8: a byte that is no UTF-8 matches nothing, and never stops or misleads the
// search. `^` and `$` match at the lines' ends too, whatever the line ends are; `.` matches no
// line break; letters are folded by Unicode's case folding unless the case is to match.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

struct RegexError {
    QString message;
    long offset = 0; // in the pattern's bytes
};

class CRegexFinder {
public:
    // Null, with `error` filled in, when the pattern is invalid.
    static std::unique_ptr<CRegexFinder> Compile(const QByteArray& pattern, bool matchCase,
                                                 RegexError* error = nullptr);
    ~CRegexFinder();
    CRegexFinder(const CRegexFinder&) = delete;
    CRegexFinder& operator=(const CRegexFinder&) = delete;

    bool IsFor(const QByteArray& pattern, bool matchCase) const {
        return m_pattern == pattern && m_bMatchCase == matchCase;
    }
    int GroupCount() const { return m_nGroups; }
    // How many bytes before a match's start it may look at (lookbehinds, `^`, `\b`).
    long ContextBefore() const { return m_nContextBefore; }

    enum Result { kFound, kNotFound, kFailed };
    // The first match starting at or after `from` (a character's start) in the subject's
    // `length` bytes, which `subject` points to; `lineEndsThere` tells whether the text goes on
    // with a line break after them, so that `$` matches there. `anchored`: only a match
    // starting at `from`. Fills in `start` and `end`; kFailed (see Failure) when the search gave
    // up.
    Result Match(const char* subject, long length, long from, bool lineEndsThere, bool anchored,
                 long* start, long* end);
    // Why the last Match failed.
    QString Failure() const { return m_failure; }

    // The text that replaces the last match found in `subject`: `with`, where \0 to \9 stand for
    // the whole match and its groups (a group that took part in nothing for nothing), \n for a
    // line feed, \t for a tab and \\ for a backslash; any other backslash stands for itself.
    QByteArray Expand(const QByteArray& with, const char* subject) const;

private:
    CRegexFinder(const QByteArray& pattern, bool matchCase);
    struct Pcre;
    std::unique_ptr<Pcre> m_pcre;
    QByteArray m_pattern;
    bool m_bMatchCase;
    int m_nGroups = 0;
    long m_nContextBefore = 0;
    QString m_failure;
};

// The highest group a replacement names (\1 to \9), or 0.
int HighestGroupIn(const QByteArray& with);
