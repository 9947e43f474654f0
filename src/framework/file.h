// Files as the document layer sees them: errors as exceptions with a cause code, a reading file,
// a saving file that never damages what is on disk, and the archive that tells a serialiser
// which way the bytes go.
#pragma once

#include "framework/setasidecopy.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <sys/stat.h>
#include <sys/types.h>

class CFileException {
public:
    enum Cause {
        none = 0,
        generic,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };

    explicit CFileException(int cause, int osError = 0, QString fileName = QString(),
                            QString message = QString())
        : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)),
          m_strMessage(std::move(message)) {}

    static int CauseFromErrno(int error);
    static CFileException FromErrno(int error, const QString& fileName) {
        return CFileException(CauseFromErrno(error), error, fileName);
    }
    // The text for the user; %1 in the cause's text is `path`.
    QString GetErrorMessage(const QString& path) const;

    int m_cause;
    int m_lOsError;
    QString m_strFileName;
    QString m_strMessage; // a text of its own instead of the cause's, when set
};

// System calls the file classes go through; tests replace them to make a step of a save fail.
struct FileSystemCalls {
    ssize_t (*read)(int fd, void* buf, size_t n);
    ssize_t (*write)(int fd, const void* buf, size_t n);
    int (*mkostemp)(char* pattern, int flags);
    int (*fsync)(int fd);
    int (*rename)(const char* from, const char* to);
    int64_t (*availableMemory)(); // bytes, or -1 when unknown
};
FileSystemCalls& FileSystem();

// Writes all of buf or returns the errno that stopped it. A repair (putting old content back)
// bypasses the replaceable calls, so that a failure made up by a test cannot stop it.
int WriteAll(int fd, const char* buf, size_t n, bool repair = false);
// Reads the whole of `from` from its start, handing each piece to `take`; returns 0 or the errno
// that stopped it (or what `take` returned when not 0).
int ReadPieces(int from, const std::function<int(const char*, size_t)>& take);
// Copies the whole of `from` over `to`, both from their start, `to` truncated first; returns 0
// or the errno that stopped it.
int CopyFileContent(int from, int to, bool repair);
// Makes the folder's entries (a new or renamed file in it) durable; returns 0 or an errno.
int SyncFolder(const QString& folder);
// The permissions a newly created file gets: 0666 less the process's umask.
mode_t NewFileMode();

class CFile {
public:
    virtual ~CFile() = default;
    // Reads up to n bytes; 0 at the end of the file.
    virtual size_t Read(void* buf, size_t n) = 0;
    virtual void Write(const void* buf, size_t n) = 0;
    // The length when the file was opened, or -1 when it cannot be known (a pipe).
    virtual int64_t GetLength() const = 0;
    const QString& GetFilePath() const { return m_strPath; }

protected:
    QString m_strPath;
};

// A file opened for reading.
class CReadFile : public CFile {
public:
    explicit CReadFile(const QString& path); // throws CFileException
    ~CReadFile() override;
    size_t Read(void* buf, size_t n) override;
    // Reads the n bytes from `offset` on, or as many as there are; the read position stays.
    size_t ReadAt(int64_t offset, void* buf, size_t n);
    void Write(const void*, size_t) override;
    int64_t GetLength() const override { return m_nLength; }

private:
    int m_fd = -1;
    int64_t m_nLength = -1;
};

// A file being saved. Normally a new file is written beside the target and renamed over it on
// Commit, carrying the target's owner, mode, ACLs and extended attributes and following a
// symbolic link. Where that would change the file's identity (other hard links, an owner that
// cannot be kept), the folder takes no new file, or the rename is refused (a bind-mounted file,
// another file system), the target is overwritten in place, its old content set aside on disk
// first and put back when the save is abandoned. Destroying the object without Commit abandons
// the save.
class CSafeSaveFile : public CFile {
public:
    explicit CSafeSaveFile(const QString& path); // throws CFileException
    ~CSafeSaveFile() override;
    size_t Read(void*, size_t) override;
    void Write(const void* buf, size_t n) override;
    int64_t GetLength() const override { return m_nWritten; }
    void Commit(); // throws CFileException
    bool IsInPlace() const { return m_bInPlace; }
    // What of the old file's owner, mode, ACLs and attributes the saved file could not keep.
    const QStringList& NotKept() const { return m_notKept; }

private:
    void OpenInPlace(int firstError);
    void CommitInPlace();
    void WriteHeld();
    void ReplaceInPlace(int renameError);
    void Abandon();

    QString m_strTarget; // the file actually replaced: the link's target for a symbolic link
    QByteArray m_tempName;
    int m_fd = -1;
    int m_tempFd = -1; // the written temporary file, kept while it is copied in place
    bool m_bInPlace = false;
    bool m_bCommitted = false;
    bool m_bExisted = false;
    struct stat m_old {};
    CSetAsideCopy m_aside;
    CSaveRecord m_tempRecord; // where the new content is, until it has the target's name
    QStringList m_notKept;
    int64_t m_nWritten = 0;
    int64_t m_nWrittenBack = 0; // written back from the start to here, or under way
    int64_t m_nLetGo = 0;       // on the disk to here, and out of memory
    // Written over the old content, the new content's last byte waits until the record says
    // the new content is complete: a file that holds all of it is then never taken for one cut
    // short, whose old content is to be put back.
    char m_cHeld = 0;
    bool m_bHolding = false;
};

class CArchive {
public:
    enum Mode { load, store };
    CArchive(CFile* file, Mode mode) : m_pFile(file), m_mode(mode) {}
    bool IsLoading() const { return m_mode == load; }
    bool IsStoring() const { return m_mode == store; }
    CFile* GetFile() const { return m_pFile; }

private:
    CFile* m_pFile;
    Mode m_mode;
};
