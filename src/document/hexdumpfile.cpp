#include "document/hexdumpfile.h"

#include <algorithm>

CHexDumpFile::CHexDumpFile(CFile& source, std::function<bool(double)> interrupted)
    : m_source(source), m_interrupted(std::move(interrupted)),
      m_nRemaining(std::max<int64_t>(source.GetLength(), 0)),
      m_nDumpLength(HexDump::DumpLength(m_nRemaining)) {
    m_sinceAsked.start();
}

size_t CHexDumpFile::Read(void* buf, size_t n) {
    using namespace HexDump;
    if (m_sinceAsked.elapsed() >= 50) {
        const double done =
            m_nDumpLength ? 1.0 - double(DumpLength(m_nRemaining)) / m_nDumpLength : 1.0;
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
    return FormatLines(m_buffer.data(), got, static_cast<char*>(buf));
}

void CHexDumpFile::Write(const void*, size_t) {
    throw CFileException(CFileException::accessDenied);
}
