// A file read as the hexadecimal dump of another.
#pragma once

#include "framework/file.h"
#include "text/hexdump.h"

#include <QElapsedTimer>

#include <cstdint>
#include <functional>
#include <vector>

// Reads as the dump of another file, made a piece at a time as it is read. Every tenth of a
// second it asks `interrupted` whether to stop; it then fails with `kInterrupted`, as it does
// when the file cannot be read.
class CHexDumpFile : public CFile {
public:
    static constexpr int kInterrupted = 0x7FFF;

    CHexDumpFile(CFile& source, std::function<bool(double done)> interrupted);
    size_t Read(void* buf, size_t n) override;
    void Write(const void*, size_t) override;
    int64_t GetLength() const override { return m_nDumpLength; }

private:
    CFile& m_source;
    std::function<bool(double)> m_interrupted;
    int64_t m_nRemaining; // of the source, as long as it was when the dump began
    int64_t m_nDumpLength;
    std::vector<uint8_t> m_buffer;
    QElapsedTimer m_sinceAsked;
};
