// Finding a string in a text, byte for byte or with letters folded by Unicode's simple case
// folding, which the component itself, folding ASCII only, does not know; a match starts and ends
// between characters, and whole words are judged by the component's word classes.
#pragma once

#include "text/bytefinder.h"
#include "text/textdocument.h"

#include <QByteArray>

#include <optional>

struct SearchOptions {
    bool matchCase = false;
    bool wholeWord = false;
};

class CTextSearch {
public:
    // The first (with `last`, the last) position p >= cpMin where `needle` matches with the
    // match's end <= cpMax, or -1; `matchEnd` gets that end (without matching case, a match may
    // differ from the needle in size). A range end inside a character moves to that character's
    // end; a negative cpMax stands for the end of the text.
    long Find(const CTextDocument& doc, const QByteArray& needle, SearchOptions options, long cpMin,
              long cpMax, bool last, long* matchEnd = nullptr) const;

private:
    // Replace All looks for the same text hundreds of thousands of times: its finder is made once.
    const CByteFinder& FinderFor(const QByteArray& needle, bool matchCase) const;
    mutable std::optional<CByteFinder> m_finder;
};
