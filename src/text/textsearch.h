// Finding a string in a text, byte for byte or with letters folded by Unicode's simple case
// folding, which the component itself, folding ASCII only, does not know; or finding a regular
// expression. A match starts and ends between characters, and whole words are judged by the
// component's word classes.
#pragma once

#include "text/bytefinder.h"
#include "text/regexfinder.h"
#include "text/textdocument.h"

#include <QByteArray>

#include <memory>
#include <optional>

struct SearchOptions {
    bool matchCase = false;
    bool wholeWord = false;
    bool regex = false;
};

class CTextSearch {
public:
    // The first (with `last`, the last) position p >= cpMin where `needle` matches with the
    // match's end <= cpMax, or -1; `matchEnd` gets that end (without matching case, a match may
    // differ from the needle in size). A range end inside a character moves to that character's
    // end; a negative cpMax stands for the end of the text.
    // A regular expression sees the text before cpMin that it looks back at, as far as cpMax.
    long Find(const CTextDocument& doc, const QByteArray& needle, SearchOptions options, long cpMin,
              long cpMax, bool last, long* matchEnd = nullptr) const;
    // Whether [start, end) is a match of its own, as the selection Replace replaces must be.
    bool IsMatch(const CTextDocument& doc, const QByteArray& needle, SearchOptions options,
                 long start, long end) const;
    // What replaces the match last found (or checked by IsMatch) while the text is unchanged:
    // `with` itself, or for a regular expression `with` with its groups filled in.
    QByteArray Replacement(const CTextDocument& doc, const QByteArray& with,
                           SearchOptions options) const;
    // Why the last search of a regular expression found nothing although there may be a match
    // (an invalid pattern, or one that backtracks beyond the limits); empty when it did not.
    QString Failure() const { return m_failure; }
    // The bytes before a match that finding it may have looked at.
    long ContextBefore(const QByteArray& needle, SearchOptions options) const;

    // The pattern's error, or nothing when it is a valid regular expression (with `groups`
    // set to how many groups it has).
    static std::optional<RegexError> PatternError(const QByteArray& pattern, int* groups = nullptr);

private:
    long FindRegex(const CTextDocument& doc, CRegexFinder& regex, bool wholeWord, long cpMin,
                   long cpMax, bool last, long* matchEnd) const;
    // The compiled pattern, made again only when the pattern or the case changes; null when the
    // pattern is invalid (and Failure says why).
    CRegexFinder* RegexFor(const QByteArray& pattern, bool matchCase) const;

    // Replace All looks for the same text hundreds of thousands of times: its finder is made once.
    const CByteFinder& FinderFor(const QByteArray& needle, bool matchCase) const;
    mutable std::optional<CByteFinder> m_finder;
    mutable std::unique_ptr<CRegexFinder> m_regex;
    mutable QString m_failure;
    // Where the text the last match was found in starts, and where that match ends.
    mutable long m_nBase = 0;
    mutable long m_nLastEnd = 0;
};
