// A file's bytes made into a text, and a text made into a file's bytes again. The bytes are kept
// as they are, or decoded when the file is UTF-16 or not UTF-8; what they tell about how to show
// them (the encoding, the line ends, a line too long to wrap, the non-text marker) is found as
// they stream in, each piece looked at while it is still in the processor's cache.
#pragma once

#include "text/bytetext.h"
#include "text/rtfreader.h"
#include "text/textdocument.h"
#include "text/textencoding.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

struct LoadedText {
    CTextDocument text;
    FileEncoding encoding = TextEncoding::Utf8;
    bool badUtf16 = false;   // a UTF-16 byte-order mark on bytes that are not UTF-16
    bool markerByte = false; // the bytes hold a byte 1, the non-text marker
    LineEnd lineEnd = LineEnd::Lf;
    bool mixedLineEnds = false;
    bool overlongLine = false; // a line longer than `wrapLimit`
    bool unshownLine = false;  // a line longer than kLongestLine
};

// The first byte of a file that does not decode losslessly in an encoding (with the byte-order
// mark the file has, if the encoding has one).
struct Undecodable {
    int64_t offset = -1;
    uint8_t byte = 0;
    FileEncoding encoding;
};

class CTextLoader {
public:
    // The longest line the component can lay out: it indexes a line's characters with 32 bits,
    // and leaves room to grow.
    static constexpr size_t kLongestLine = 0x70000000;
    // The part of a load that reading the file stands for when decoding follows.
    static constexpr double kDecodedReadShare = 0.5;
    // Enough of a text's start to fill a window.
    static constexpr long kHead = 1 << 16;

    // `limit`: the most bytes the text may hold; `sizeHint`: the file's size, or -1; a line
    // longer than `wrapLimit` is told about, and one longer than `longestLine` too.
    CTextLoader(long limit, int64_t sizeHint, long wrapLimit, size_t longestLine = kLongestLine);
    // The bytes are read in `encoding` (with the byte-order mark they have, if it has one)
    // rather than in the encoding they look like; set before the first Feed.
    void ReadAs(FileEncoding encoding) { m_readAs = encoding; }
    // False when the text would pass the limit, or memory ran out.
    bool Feed(const char* data, long n);
    // The share of the whole load that the bytes fed so far stand for, per byte of the file.
    double ReadShare() const;
    // The first bytes fed, while they look like text to be shown as it is.
    const std::string& Head() const { return m_head; }
    // The text, decoded if need be (`progress` is told how far decoding has come, 0 to 1), or
    // none when the decoded text would pass the limit, or the bytes do not decode losslessly in
    // the encoding they were to be read in.
    std::optional<LoadedText> Finish(const std::function<void(double)>& progress);
    // Where the bytes stopped decoding losslessly in the encoding they were to be read in, after
    // a Finish that gave none; an offset of -1 when they did not.
    const Undecodable& Undecoded() const { return m_undecodable; }

private:
    long m_nLimit;
    long m_nWrapLimit;
    int64_t m_nSizeHint;
    long m_nTotal = 0;
    CTextDocument m_text;
    EncodingDetector m_detector;
    LineEndDetector m_lineEnd;
    LongLineDetector m_longLine;
    size_t m_nLongestLine;
    LongLineDetector m_hugeLine;
    bool m_bMarkerByte = false;
    std::string m_head;
    std::optional<FileEncoding> m_readAs;
    Undecodable m_undecodable;
};

// A rich text's bytes made into a text with its runs of formats. A paragraph or line break
// becomes the line end the source itself uses first.
struct LoadedRichText {
    CTextDocument text;
    RtfDocument rich; // the formats, fonts, colours and runs; the text itself is in `text`
    LineEnd lineEnd = LineEnd::Lf;
    bool overlongLine = false; // a line longer than `wrapLimit`
    bool markerByte = false;
};
// None when memory ran out. The source is let go of once it has been read.
std::optional<LoadedRichText> LoadRichText(std::string&& source, long wrapLimit);

// The room a document loaded with `size` bytes is given: some to spare, so that the first edits
// do not regrow (copy) the whole buffer.
size_t LoadRoom(size_t size);

// The text to insert for a file's bytes into a text of the encoding `into`: the bytes decoded by
// their own encoding. False, with the first character `into` cannot hold in `refused` (0 for
// bytes that are no text), when it cannot hold them.
bool TextForInsertion(const QByteArray& bytes, FileEncoding into, QByteArray& text,
                      char32_t* refused);

// Hands the bytes of a file of `encoding` holding [start, end) of `text` to `write` a piece at a
// time; the byte-order mark first, with `mark`. False when `write` fails, or when the encoding
// cannot hold the text: then `refused` gets the first character it cannot hold (0 for bytes
// that are no text).
bool WriteText(const CTextDocument& text, long start, long end, FileEncoding encoding, bool mark,
               const std::function<bool(const char*, long)>& write, char32_t* refused);
