// How a file's bytes become the text the control shows, and back again: the encodings the editor
// recognises, the rule that picks one, and conversions that give back exactly the bytes read.
#pragma once

#include "text/bytetext.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

class CCharsetCodec;

// The control always shows UTF-8. A UTF-8 file (stray bytes and all) is shown as it is, without
// its byte-order mark; a file in any other encoding is shown decoded. UTF-16 and Windows-1252 have
// conversions of their own; any other character set (`Charset`) is converted by iconv.
enum class TextEncoding {
    Utf8,
    Utf8Bom,
    Utf16Le, // with its byte-order mark, as are the next
    Utf16Be,
    Windows1252,
    Utf16LeNoBom,
    Utf16BeNoBom,
    Charset,
};

// An encoding as a text carries it: its kind, and for a character set the codec that converts it.
class FileEncoding {
public:
    FileEncoding(TextEncoding kind = TextEncoding::Utf8) : m_kind(kind) {} // NOLINT: a kind is one
    explicit FileEncoding(const CCharsetCodec* codec)
        : m_kind(TextEncoding::Charset), m_pCodec(codec) {}
    TextEncoding Kind() const { return m_kind; }
    const CCharsetCodec* Codec() const { return m_pCodec; }
    bool operator==(const FileEncoding& o) const {
        return m_kind == o.m_kind && m_pCodec == o.m_pCodec;
    }
    bool operator!=(const FileEncoding& o) const { return !(*this == o); }

private:
    TextEncoding m_kind;
    const CCharsetCodec* m_pCodec = nullptr;
};

// The encodings a file can be read in, in the order they are offered: UTF-8 and UTF-16 once each,
// since the file's own bytes tell whether it has a byte-order mark, then the character sets
// iconv has.
std::vector<FileEncoding> ReadableEncodings();
// The encodings a text can be written in: the same, UTF-8 and UTF-16 with and without their mark.
std::vector<FileEncoding> WritableEncodings();
// The encoding of the list whose name (EncodingName) is `name`; none when there is none.
std::optional<FileEncoding> EncodingNamed(const QString& name);

// The encoding chosen to read a file in, with the byte-order mark the file starts with, if any.
FileEncoding WithMarkOf(FileEncoding chosen, const char* data, size_t n);
// The same encoding as offered for reading: without the byte-order mark.
FileEncoding WithoutMark(FileEncoding encoding);
// The offset of the first byte of a file (its byte-order mark included) that does not decode
// losslessly in `encoding`, which already says whether it has a mark; -1 when all does.
int64_t FirstUndecodable(FileEncoding encoding, const char* data, size_t n);

// The name the status bar shows.
const char* EncodingName(FileEncoding encoding);

// The byte-order mark that a file of the encoding starts with, if any.
QByteArray ByteOrderMark(FileEncoding encoding);

// True when the file's bytes are not the text the control holds, so that they are converted on
// the way in and out.
inline bool IsDecoded(FileEncoding encoding) {
    return encoding.Kind() != TextEncoding::Utf8 && encoding.Kind() != TextEncoding::Utf8Bom;
}

// Whether a file of the encoding can hold the character.
bool CanHold(FileEncoding encoding, char32_t c);

// The first character of `text` that a file of the encoding cannot hold, or 0.
char32_t FirstUnholdable(FileEncoding encoding, const QString& text);

// Tells a UTF-16 text with its byte-order mark from bytes that only start like one: an even
// length and every surrogate paired.
bool IsValidUtf16(const char* data, size_t n, bool bigEndian);

// The encoding to show a whole file in; `badUtf16` is set when the file starts with a UTF-16
// byte-order mark but is not UTF-16, and so is shown byte by byte.
class EncodingDetector {
public:
    // The file's size, when it is known: once its stray bytes outweigh every valid sequence the
    // rest could hold, the rest is not looked at.
    void ExpectSize(uint64_t size) { m_nExpected = size; }
    // Fed the file piece by piece; pieces may split a character.
    void Feed(const char* data, size_t n);
    // What has been fed so far is probably to be decoded once all is in: it starts with a UTF-16
    // byte-order mark, or is not mostly UTF-8.
    bool LikelyDecoded() const;
    // Called once all has been fed; the UTF-16 check needs the whole file, which it is given.
    TextEncoding Result(const char* whole, size_t n, bool* badUtf16 = nullptr) const;

private:
    char m_head[3] = {};
    size_t m_nHead = 0;
    Utf8Validator m_utf8;
    uint64_t m_nExpected = 0;
    uint64_t m_nFed = 0;
    bool m_bSettled = false;
};

// The control's text (UTF-8) for a whole file in an encoding that needs decoding, handed to
// `sink` a piece at a time; the file's byte-order mark is skipped. The input must decode (see
// FirstUndecodable) unless it is Windows-1252, in which any byte does.
// Stops early, returning false, when the sink does.
bool DecodeToUtf8(FileEncoding encoding, const char* data, size_t n,
                  const std::function<bool(const QByteArray&)>& sink);
QByteArray DecodeToUtf8(FileEncoding encoding, const char* data, size_t n);
// The size DecodeToUtf8 will give.
size_t DecodedSize(FileEncoding encoding, const char* data, size_t n);

// The file's bytes for a piece of the control's text, which must hold whole characters. False
// (with the offending character in `bad`, 0 for bytes that are no UTF-8) when the encoding cannot
// hold the text. No byte-order mark is added.
bool EncodeFromUtf8(FileEncoding encoding, const char* data, size_t n, QByteArray& out,
                    char32_t* bad = nullptr);

// Reads one well-formed UTF-8 character at `p` and moves past it; false (with `p` unmoved) for
// a byte that starts none.
bool NextUtf8(const char*& p, const char* end, char32_t& c);

// Appends the UTF-8 form of the character.
void AppendUtf8(QByteArray& out, char32_t c);
// Writes the UTF-8 form of the character at `out`, which has room for four bytes; returns its
// size.
int PutUtf8(char* out, char32_t c);

// The character of a byte of Windows-1252. The five bytes it leaves undefined stand for the C1
// controls of the same number, so that every byte has a character and comes back as itself.
char32_t From1252(uint8_t b);

// Bytes that need not be UTF-8 (a file's name, a needle taken from the text) kept through a
// QString: a byte that is no UTF-8 becomes one of the lone surrogates U+DC80 to U+DCFF, which no
// valid UTF-8 decodes to, and becomes the same byte again on the way back.
QString EscapedFromBytes(const QByteArray& bytes);
QByteArray BytesFromEscaped(const QString& text);
// The code unit at `i` of such a QString stands for a byte.
inline bool IsEscapedByte(char16_t c) {
    return c >= 0xDC80 && c <= 0xDCFF;
}
bool IsEscapedByteAt(const QString& text, qsizetype i);

// Where a piece of at most `max` bytes of UTF-8 text should end so that it splits no character.
size_t WholeCharacters(const char* data, size_t n, size_t max);
