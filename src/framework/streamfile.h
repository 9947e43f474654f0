// Reading what is not a regular file: a FIFO or standard input is read as its bytes come, with
// the interface kept alive and a Cancel (Escape) once it takes a while; a folder or a device is
// refused with a message that says what it is.
#pragma once

#include "framework/file.h"

#include <QElapsedTimer>

#include <memory>

class QProgressDialog;

class CStreamFile : public CFile {
public:
    // Reads `fd`, named `name` in messages; closes it at the end only when `own` is set.
    CStreamFile(int fd, const QString& name, bool own);
    ~CStreamFile() override;
    size_t Read(void* buf, size_t n) override; // throws CFileException, also when cancelled
    void Write(const void*, size_t) override;
    int64_t GetLength() const override { return -1; }

    // How long a read may wait before the progress dialog shows, in milliseconds.
    static int s_nProgressDelay;

private:
    void KeepAlive();

    int m_fd;
    bool m_bOwn;
    int m_nSavedFlags;
    int64_t m_nRead = 0;
    QElapsedTimer m_started;
    QElapsedTimer m_lastEvents;
    std::unique_ptr<QProgressDialog> m_progress;
};

// Opens `path` for a document to load: a regular file as CReadFile does, a FIFO or socket as a
// stream. Throws CFileException, with a text of its own for a folder or a device.
std::unique_ptr<CFile> OpenFileForReading(const QString& path);
