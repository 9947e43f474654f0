#include "text/hexdump.h"

#include <algorithm>
#include <cstring>

namespace HexDump {
namespace {
struct Tables {
    char hex[256][2];
    char shown[256];
    char blankHexArea[52];
    Tables() {
        static const char kDigits[] = "0123456789ABCDEF";
        for (int b = 0; b < 256; ++b) {
            hex[b][0] = kDigits[b >> 4];
            hex[b][1] = kDigits[b & 0xF];
            shown[b] = b >= 0x20 && b <= 0x7F ? static_cast<char>(b) : '.';
        }
        std::memset(blankHexArea, ' ', sizeof blankHexArea);
    }
};
const Tables kTables;
} // namespace

int FormatLine(const uint8_t* bytes, int count, char* out) {
    // Byte j's digits start at column 3j + j/4; every other column of the area is a blank.
    std::memcpy(out, kTables.blankHexArea, sizeof kTables.blankHexArea);
    for (int j = 0; j < count; ++j)
        std::memcpy(out + 3 * j + j / 4, kTables.hex[bytes[j]], 2);
    char* p = out + sizeof kTables.blankHexArea;
    for (int j = 0; j < count; ++j)
        p[j] = kTables.shown[bytes[j]];
    p += count;
    *p++ = '\r';
    *p++ = '\n';
    return static_cast<int>(p - out);
}

size_t FormatLines(const uint8_t* bytes, size_t n, char* out) {
    char* p = out;
    for (size_t at = 0; at < n; at += kBytesPerLine)
        p += FormatLine(bytes + at, static_cast<int>(std::min<size_t>(kBytesPerLine, n - at)), p);
    return static_cast<size_t>(p - out);
}

int64_t DumpLength(int64_t size) {
    const int64_t last = size % kBytesPerLine;
    return size / kBytesPerLine * kLineLength + (last ? 54 + last : 0);
}
} // namespace HexDump
