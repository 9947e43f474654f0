#include "framework/streamfile.h"

#include "framework/filename.h"
#include "framework/messages.h"
#include "text/memoryfit.h"

#include <QCoreApplication>
#include <QProgressDialog>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

int CStreamFile::s_nProgressDelay = 500;

CStreamFile::CStreamFile(int fd, const QString& name, bool own) : m_fd(fd), m_bOwn(own) {
    m_strPath = name;
    // Non-blocking, so that a writer that sends nothing never freezes the window; the flags are
    // given back, since standard input is shared with the shell.
    m_nSavedFlags = fcntl(m_fd, F_GETFL);
    if (m_nSavedFlags >= 0)
        fcntl(m_fd, F_SETFL, m_nSavedFlags | O_NONBLOCK);
    m_started.start();
    m_lastEvents.start();
}

CStreamFile::~CStreamFile() {
    if (m_nSavedFlags >= 0)
        fcntl(m_fd, F_SETFL, m_nSavedFlags);
    if (m_bOwn)
        ::close(m_fd);
}

void CStreamFile::Write(const void*, size_t) {
    throw CFileException(CFileException::accessDenied);
}

size_t CStreamFile::Read(void* buf, size_t n) {
    for (;;) {
        KeepAlive();
        const ssize_t got = FileSystem().read(m_fd, buf, n);
        if (got >= 0) {
            m_nRead += got;
            return static_cast<size_t>(got);
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            throw CFileException::FromErrno(errno, m_strPath);
        pollfd p{m_fd, POLLIN, 0};
        ::poll(&p, 1, 50);
    }
}

void CStreamFile::KeepAlive() {
    if (m_lastEvents.elapsed() < 50)
        return;
    m_lastEvents.restart();
    if (!m_progress && m_started.elapsed() >= s_nProgressDelay) {
        m_progress = std::make_unique<QProgressDialog>();
        m_progress->setWindowModality(Qt::ApplicationModal);
        m_progress->setRange(0, 0);
        m_progress->setMinimumDuration(0);
        m_progress->show();
    }
    if (m_progress) {
        m_progress->setLabelText(
            QString::fromUtf8(Str::ReadingStream).arg(DisplayFileName(m_strPath)).arg(m_nRead));
        // The dialog is modal: the window behind it takes no input meanwhile.
        QCoreApplication::processEvents();
        if (m_progress->wasCanceled())
            throw CFileException(
                CFileException::generic, 0, m_strPath,
                QString::fromUtf8(Str::ReadCancelled).arg(DisplayFileName(m_strPath)));
    } else {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

namespace {
QString Megabytes(int64_t bytes) {
    return QString::number((bytes + (1 << 20) - 1) >> 20);
}

// The first megabyte of a file, or what there is of it.
QByteArray StartOf(const QString& path) {
    QByteArray start(1 << 20, '\0');
    const int fd = ::open(FileNameToBytes(path).constData(), O_RDONLY | O_CLOEXEC);
    const ssize_t got = fd < 0 ? 0 : ::pread(fd, start.data(), start.size(), 0);
    if (fd >= 0)
        ::close(fd);
    start.truncate(std::max<ssize_t>(got, 0));
    return start;
}
} // namespace

std::unique_ptr<CFile> OpenFileForReading(const QString& path) {
    const QString shown = AbsoluteFileName(path);
    struct stat st {};
    if (::stat(FileNameToBytes(path).constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throw CFileException(CFileException::accessDenied, EISDIR, path,
                                 QString::fromUtf8(Str::IsFolder).arg(shown));
        if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
            throw CFileException(CFileException::accessDenied, ENODEV, path,
                                 QString::fromUtf8(Str::IsDevice).arg(shown));
        if (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode)) {
            // Opening without O_NONBLOCK would wait for a writer.
            const int fd =
                ::open(FileNameToBytes(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                throw CFileException::FromErrno(errno, path);
            return std::make_unique<CStreamFile>(fd, shown, true);
        }
        // A text that plainly cannot fit is not begun: a load that runs out of memory half way
        // would take the program down.
        const int64_t available = FileSystem().availableMemory();
        // Only a file of some size is looked into.
        if (S_ISREG(st.st_mode) && available >= 0 && st.st_size > available / 2) {
            const int64_t needed = MemoryToLoad(st.st_size, StartOf(path));
            if (needed > available)
                throw CFileException(
                    CFileException::generic, ENOMEM, path,
                    QString::fromUtf8(Str::NoMemoryToOpen)
                        .arg(DisplayFileName(shown), Megabytes(needed), Megabytes(available)));
        }
    }
    return std::make_unique<CReadFile>(path);
}
