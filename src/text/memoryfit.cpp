#include "text/memoryfit.h"

#include <QFile>
#include <QList>

#include <algorithm>

namespace {
constexpr int64_t kMargin = int64_t(64) << 20;

// The value of a "Name:   1234 kB" line, in bytes; -1 when there is none.
int64_t Field(const QByteArray& meminfo, const char* name) {
    for (const QByteArray& line : meminfo.split('\n')) {
        if (!line.startsWith(name) || line.size() <= qsizetype(qstrlen(name)) ||
            line[qstrlen(name)] != ':')
            continue;
        const QList<QByteArray> parts = line.mid(qstrlen(name) + 1).simplified().split(' ');
        bool ok = false;
        const int64_t value = parts.value(0).toLongLong(&ok);
        if (!ok || value < 0)
            return -1;
        return parts.value(1) == "kB" ? value * 1024 : value;
    }
    return -1;
}
} // namespace

int64_t AvailableMemory() {
    QFile file(QStringLiteral("/proc/meminfo"));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return AvailableMemoryIn(file.readAll());
}

int64_t AvailableMemoryIn(const QByteArray& meminfo) {
    const int64_t available = Field(meminfo, "MemAvailable");
    if (available < 0)
        return -1;
    return available + std::max<int64_t>(0, Field(meminfo, "SwapFree"));
}

int64_t MemoryToLoad(int64_t fileSize, const QByteArray& sample) {
    fileSize = std::max<int64_t>(0, fileSize);
    // A line's start takes a few bytes in the index; eight is on the safe side.
    constexpr int64_t kIndexPerLine = 8;
    const int64_t lines = sample.isEmpty()
                              ? 0
                              : static_cast<int64_t>(static_cast<double>(sample.count('\n')) /
                                                     static_cast<double>(sample.size()) *
                                                     static_cast<double>(fileSize));
    return fileSize + lines * kIndexPerLine + kMargin;
}
