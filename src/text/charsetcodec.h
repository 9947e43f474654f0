// A character set that iconv converts, between a file's bytes and the UTF-8 the control holds,
// exact both ways: bytes that do not come back as themselves are not decoded, and a character
// that does not come back as itself cannot be held.
#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class CCharsetCodec {
public:
    // The codec of one of the character sets the editor offers: the name shown, iconv's name for
    // it, and whether it has one byte per character (then a table built once through iconv does
    // the work, at the speed of the built-in encodings). Made on first use and kept; null when
    // iconv does not know the set.
    static const CCharsetCodec* Of(const char* name, const char* iconvName, bool singleByte);

    const char* Name() const { return m_name; }

    // The offset of the first byte of `data` that does not decode losslessly, or -1; `size`
    // gets the size of the decoded text when all does.
    int64_t FirstUndecodable(const char* data, size_t n, size_t& size) const;
    // The text of bytes that FirstUndecodable passed, handed to `sink` a piece at a time; stops,
    // returning false, when the sink does.
    bool Decode(const char* data, size_t n,
                const std::function<bool(const char*, size_t)>& sink) const;
    // Appends the bytes of whole UTF-8 characters to `out`. False, with the first character the
    // set cannot hold in `bad` (0 for bytes that are no UTF-8), when it cannot hold them all.
    bool Encode(const char* data, size_t n, QByteArray& out, char32_t* bad) const;
    bool CanHold(char32_t c) const;

private:
    CCharsetCodec(const char* name, const char* iconvName, bool singleByte);
    bool BuildTable();
    bool EncodeByTable(const char* data, size_t n, QByteArray& out, char32_t* bad) const;

    const char* m_name;
    const char* m_iconvName;
    bool m_bSingleByte;
    // A single-byte set: each byte's UTF-8 (none for a byte that stands for no character), and
    // the byte of each character of the basic plane that one stands for (-1 for none).
    struct Utf8Of {
        uint8_t length;
        char bytes[3];
    };
    Utf8Of m_decode[256] = {};
    std::vector<int16_t> m_encode;
    bool m_bAsciiAsIs = false; // bytes below 0x80 are ASCII
};
