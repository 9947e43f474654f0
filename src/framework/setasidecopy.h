// The old content of a file that is about to be overwritten in place, kept as a named file on
// disk with a record of where it belongs, so that it survives even the program being killed.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

class CSetAsideCopy {
public:
    CSetAsideCopy() = default;
    CSetAsideCopy(const CSetAsideCopy&) = delete;
    CSetAsideCopy& operator=(const CSetAsideCopy&) = delete;
    // Closes the copy but leaves it on disk unless Discard was called: it is then offered back.
    ~CSetAsideCopy();

    // Copies the whole content of `fd`, the file `target`, to a new file beside it (elsewhere
    // when its folder takes no new file) and records it; both are on disk when this returns.
    // Throws CFileException naming the place that failed.
    void Make(int fd, const QString& target);
    bool IsMade() const { return m_fd >= 0; }
    // Records that the file now holds the whole of its new content, `size` bytes: a save
    // stopped from here on needs nothing back.
    void MarkComplete(int64_t size);
    // Writes the old content back over `fd`; returns 0 or the errno that stopped it.
    int PutBack(int fd) const;
    // Removes the copy and its record: the file holds content that is safely on disk.
    void Discard();

private:
    int MakeIn(const QString& folder, int from);

    int m_fd = -1;
    int m_recordFd = -1;
    QByteArray m_path;
    QByteArray m_recordPath;
};
