#include "document/hexdump.h"

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

int64_t DumpLength(int64_t size) {
    const int64_t last = size % kBytesPerLine;
    return size / kBytesPerLine * kLineLength + (last ? 54 + last : 0);
}
} // namespace HexDump

CHexDumpFile::CHexDumpFile(CFile& source, std::function<bool(double)> interrupted)
    : m_source(source), m_interrupted(std::move(interrupted)),
      m_nRemaining(std::max<int64_t>(source.GetLength(), 0)),
      m_nDumpLength(HexDump::DumpLength(m_nRemaining)) {
    m_sinceAsked.start();
}

size_t CHexDumpFile::Read(void* buf, size_t n) {
    using namespace HexDump;
    if (m_sinceAsked.elapsed() >= 50) {
        const double done = m_nDumpLength ? 1.0 - double(DumpLength(m_nRemaining)) / m_nDumpLength
                                          : 1.0;
        if (m_interrupted(done))
            throw CFileException(kInterrupted);
        m_sinceAsked.restart();
    }
    // Whole lines only, so that only the file's last line can be short.
    const int64_t lines = std::min<int64_t>(n / kLineLength, (m_nRemaining + 15) / kBytesPerLine);
    if (lines <= 0)
        return 0;
    m_buffer.resize(static_cast<size_t>(lines * kBytesPerLine));
    size_t got = 0;
    while (got < m_buffer.size()) {
        const size_t now = m_source.Read(m_buffer.data() + got, m_buffer.size() - got);
        if (now == 0)
            break; // the file has shrunk: the dump ends with what there was
        got += now;
    }
    m_nRemaining = got < m_buffer.size() ? 0 : m_nRemaining - static_cast<int64_t>(got);
    char* out = static_cast<char*>(buf);
    for (size_t at = 0; at < got; at += kBytesPerLine)
        out += FormatLine(m_buffer.data() + at,
                          static_cast<int>(std::min<size_t>(kBytesPerLine, got - at)), out);
    return static_cast<size_t>(out - static_cast<char*>(buf));
}

void CHexDumpFile::Write(const void*, size_t) { throw CFileException(CFileException::accessDenied); }
