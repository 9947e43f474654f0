// Whether a file's text can be held in the memory the system has left, from /proc/meminfo.
#pragma once

#include <QByteArray>

#include <cstdint>

// The memory available for a load, in bytes: what the system can give without swapping out
// (MemAvailable) plus free swap; -1 when it cannot be told.
int64_t AvailableMemory();
// The same from the text of a /proc/meminfo.
int64_t AvailableMemoryIn(const QByteArray& meminfo);
// What loading a text of `fileSize` bytes takes at the least: the text itself, its line index
// (the lines counted in a `sample` of its start stand for the whole) and a margin for the
// program. A file that needs more than is available plainly cannot be loaded.
int64_t MemoryToLoad(int64_t fileSize, const QByteArray& sample = QByteArray());
