// Reads a rich-text (RTF) stream into the text a word processor would show and the character
// formatting of its runs. Plain C++, bounded in nesting depth and output, safe on any input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct RtfFormat {
    int font = -1;    // index into RtfDocument::fonts, -1 for the default
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int color = -1;   // index into RtfDocument::colors, -1 for automatic
    bool operator==(const RtfFormat& o) const {
        return font == o.font && halfPoints == o.halfPoints && bold == o.bold &&
               italic == o.italic && underline == o.underline && strike == o.strike &&
               color == o.color;
    }
};

struct RtfRun {
    size_t start;  // byte offset into text
    size_t length; // bytes
    RtfFormat format;
};

struct RtfDocument {
    std::string text; // UTF-8
    std::vector<RtfRun> runs;
    std::vector<std::string> fonts; // face names, by the index the runs use
    std::vector<uint32_t> colors;   // 0xRRGGBB, by the index the runs use
};

// `lineEnd` is what a paragraph or line break becomes.
RtfDocument ReadRtf(const char* data, size_t size, const std::string& lineEnd = "\n");
