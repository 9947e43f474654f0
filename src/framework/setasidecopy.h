// What a save keeps on disk so that it survives even the program being killed: the record of a
// file it writes beside the target, and the old content of a file overwritten in place.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// A record, in the state folder, of a file a save writes: the old content of the target set
// aside, or the new content written beside it. Locked while the save runs; left behind when the
// program is killed, so that the next run finds the file and offers it back.
class CSaveRecord {
public:
    CSaveRecord() = default;
    CSaveRecord(const CSaveRecord&) = delete;
    CSaveRecord& operator=(const CSaveRecord&) = delete;
    ~CSaveRecord(); // closes the record, which stays on disk unless removed

    // Records `file`, holding the old content of `target` or, with `newContent`, its new
    // content; on disk when this returns. Returns 0 or the errno that stopped it.
    int Make(const QString& target, const QByteArray& file, bool newContent);
    // The file now holds the whole of the content, `size` bytes.
    void MarkComplete(int64_t size);
    void Remove();

private:
    int m_fd = -1;
    QByteArray m_path;
};

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
    QByteArray m_path;
    CSaveRecord m_record;
};
