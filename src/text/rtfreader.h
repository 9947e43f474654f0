// Reads a rich-text (RTF) stream into the text a word processor would show and the character
// formatting of its runs. Plain C++, bounded in nesting depth and output, safe on any input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

struct RtfFormat {
    int font = -1; // index into RtfDocument::fonts, -1 for the default
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int color = -1; // index into RtfDocument::colors, -1 for automatic
    bool operator==(const RtfFormat& o) const {
        return font == o.font && halfPoints == o.halfPoints && bold == o.bold &&
               italic == o.italic && underline == o.underline && strike == o.strike &&
               color == o.color;
    }
};

// A stretch of text in one format. Machine-written and hostile files have millions of runs, so a
// run is four bytes: a longer stretch takes several runs.
struct RtfRun {
    uint16_t length; // bytes of text
    uint16_t format; // index into RtfDocument::formats
};

struct RtfDocument {
    std::string text;               // UTF-8
    std::deque<RtfRun> runs;        // in the order of the text, covering it; grows without copying
    std::vector<RtfFormat> formats; // each format the runs use, once
    std::vector<std::string> fonts; // face names, by the index the formats use
    std::vector<uint32_t> colors;   // 0xRRGGBB, by the index the formats use
};

// `lineEnd` is what a paragraph or line break becomes.
RtfDocument ReadRtf(const char* data, size_t size, const std::string& lineEnd = "\n");

// What the first bytes of a file say about it: rich text starts with "{\rtf", after optional
// white space. `Undecided` while the bytes given are all white space or a beginning of "{\rtf".
enum class RtfSignature { Rich, Plain, Undecided };
RtfSignature RtfSignatureOf(const char* data, size_t size);
