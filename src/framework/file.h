// Files as the document layer sees them: errors as exceptions with a cause code, a reading file,
// a saving file that never damages what is on disk, and the archive that tells a serialiser
// which way the bytes go.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
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

// System calls the file classes go through; tests replace them to make a read or write fail.
struct FileSystemCalls {
    ssize_t (*read)(int fd, void* buf, size_t n);
    ssize_t (*write)(int fd, const void* buf, size_t n);
};
FileSystemCalls& FileSystem();

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
    void Write(const void*, size_t) override;
    int64_t GetLength() const override { return m_nLength; }

private:
    int m_fd = -1;
    int64_t m_nLength = -1;
};

// A file being saved. Normally a new file is written beside the target and renamed over it on
// Commit, keeping the target's permissions and owner and following a symbolic link. Where that
// would change the file's identity (other hard links, an owner that cannot be kept) or the folder
// takes no new file, the target is overwritten in place, its old content set aside first and put
// back when the save is abandoned. Destroying the object without Commit abandons the save.
class CSafeSaveFile : public CFile {
public:
    explicit CSafeSaveFile(const QString& path); // throws CFileException
    ~CSafeSaveFile() override;
    size_t Read(void*, size_t) override;
    void Write(const void* buf, size_t n) override;
    int64_t GetLength() const override { return m_nWritten; }
    void Commit(); // throws CFileException
    bool IsInPlace() const { return m_bInPlace; }

private:
    void OpenInPlace(int firstError);
    void Abandon();

    QString m_strTarget; // the file actually replaced: the link's target for a symbolic link
    QByteArray m_tempName;
    int m_fd = -1;
    bool m_bInPlace = false;
    bool m_bCommitted = false;
    int m_asideFd = -1; // old content set aside during an in-place save
    int64_t m_nWritten = 0;
    int64_t m_nWrittenBack = 0;
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
