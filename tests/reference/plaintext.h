// The plain way of doing what the editor does on texts in large pieces, a few lines each: the
// reference that tests compare its fast paths with, byte for byte, on random texts of every size.
#pragma once

#include "text/textdocument.h"

#include <QByteArray>

#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace Plain {
using Bytes = std::string;
constexpr size_t kNone = Bytes::npos;

Bytes ToBytes(const QByteArray& a);
QByteArray ToQ(const Bytes& b);

bool Continues(char c);
// No character goes on across `p`: a byte that is no UTF-8 is a character of its own.
bool Boundary(const Bytes& s, size_t p);

struct Options {
    bool matchCase = true;
    bool words = false;
};

struct Match {
    size_t start = kNone, end = kNone;
};

// The first (or last) match starting between characters in [from, to) and ending by `to`; at the
// range's ends, `before` and `after` stand for what lies outside the text when given.
Match Find(const Bytes& s, size_t from, size_t to, const Bytes& needle, Options o, bool last,
           std::optional<std::optional<char32_t>> before = {},
           std::optional<std::optional<char32_t>> after = {});

// Replaces one match at a time, from the caret on (or back), forwards up to `limit`; gives the
// text and the number of replacements.
std::pair<Bytes, int> ReplaceAll(const Bytes& s, const Bytes& find, const Bytes& with, Options o,
                                 bool backwards, size_t caret, size_t limit);

std::vector<size_t> LineStarts(const Bytes& s);

// A text core document holding `text`, with nothing to undo; and the text a document holds.
CTextDocument Holding(const Bytes& text);
Bytes TextOf(const CTextDocument& doc);
Bytes HexDump(const Bytes& s);

// Where two texts part, with a little of each from there, for a failure's message.
std::string FirstDifference(const Bytes& got, const Bytes& want);

// A text just past 2 GiB, where 32-bit positions would wrap: kPastTwoGiBLines lines of
// kNumberedLineLength bytes each, line `i` holding its number ("line 000000042 alpha ...").
constexpr long kNumberedLineLength = 100;
constexpr long kTwoGiB = 2L << 30;
constexpr long kPastTwoGiBLines = (kTwoGiB + (32L << 20)) / kNumberedLineLength;
Bytes NumberedLine(long i);

// The sizes of the random texts: under every limit; past a load's first window (64 KiB), a read
// piece (256 KiB) and a batch of 256 line ends; past the spare room of a load (1 MiB and
// 64 KiB); past the 4 MiB span of a queue of replacements and, with a dense needle, its 65,536
// edits; past both twice. ZORVEK_SCALE=N makes each N times larger.
std::vector<size_t> Sizes();

class RandomText;

// A file of a random text, in each encoding a file can have, and the text shown for it.
struct EncodedFile {
    const char* name;
    Bytes file;
    Bytes shown;
};
// With `oneLine`, the text has no line end at all. Each CR LF straddles a read piece's end.
std::vector<EncodedFile> EncodedFiles(RandomText& random, size_t size, bool oneLine);

class RandomText {
public:
    explicit RandomText(unsigned seed) : m_random(seed) {}
    size_t Below(size_t n) { return m_random() % n; }
    // Words, blanks, punctuation, line ends of every kind, and letters that fold beyond ASCII;
    // with `raw`, NULs and stray bytes too.
    Bytes Text(size_t size, bool raw);

private:
    std::minstd_rand m_random;
};
} // namespace Plain
