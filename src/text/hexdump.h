// The hexadecimal dump of bytes: sixteen a line, their hex digits in four groups, then the bytes
// themselves as characters, each line ended by CR LF.
#pragma once

#include <cstddef>
#include <cstdint>

namespace HexDump {
constexpr int kBytesPerLine = 16;
constexpr int kLineLength = 70; // a full line with its CR LF
// Writes the line for the `count` (1 to 16) bytes at `bytes` to `out`; returns its length,
// 54 + count.
int FormatLine(const uint8_t* bytes, int count, char* out);
// Writes the lines of `n` bytes to `out`, which has room for them; returns their length.
size_t FormatLines(const uint8_t* bytes, size_t n, char* out);
// The length of the whole dump of a file of `size` bytes.
int64_t DumpLength(int64_t size);
} // namespace HexDump
