// Changes made to whole lines of a text.
#pragma once

#include "text/bytetext.h"
#include "text/textdocument.h"

#include <QByteArray>

#include <utility>

// Indents the lines from `first` to `last` by a tab, or unindents them by one blank or tab
// where they start with one, as one undo step. Returns the selection [selMin, selMax] put back
// over the same text: each end moves by what was inserted or removed before it.
std::pair<long, long> IndentLines(CTextDocument& text, long first, long last, bool increase,
                                  long selMin, long selMax);

// `text` with each of its line ends, whichever it is, made `lineEnd`.
QByteArray WithLineEnds(const QByteArray& text, LineEnd lineEnd);
