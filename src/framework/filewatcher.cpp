#include "framework/filewatcher.h"

#include "framework/filename.h"
#include "framework/loadguard.h"

#include <QGuiApplication>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kSettleMs = 150;
}

CFileWatcher::CFileWatcher(std::function<void(State)> onChange) : m_onChange(std::move(onChange)) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_settle, &QTimer::timeout, this, &CFileWatcher::Notice);
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_inotify >= 0) {
        m_pNotifier = std::make_unique<QSocketNotifier>(m_inotify, QSocketNotifier::Read);
        connect(m_pNotifier.get(), &QSocketNotifier::activated, this, &CFileWatcher::OnEvents);
    }
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state == Qt::ApplicationActive)
                    Notice();
            });
}

void CFileWatcher::Watch(const QString& path, const Identity& known) {
    Stop();
    m_strPath = AbsoluteFileName(path);
    m_known = known;
    Rewatch();
}

CFileWatcher::~CFileWatcher() {
    m_pNotifier.reset();
    if (m_inotify >= 0)
        ::close(m_inotify);
}

void CFileWatcher::Stop() {
    m_settle.stop();
    for (int* watch : {&m_fileWatch, &m_folderWatch})
        if (*watch >= 0) {
            ::inotify_rm_watch(m_inotify, *watch);
            *watch = -1;
        }
    m_watchedInode = 0;
    m_strPath.clear();
    m_known = Identity();
    m_told = unchanged;
}

void CFileWatcher::Accept() {
    if (m_strPath.isEmpty())
        return;
    m_known = IdentityOf(m_strPath);
    m_told = unchanged;
    Rewatch();
}

CFileWatcher::State CFileWatcher::Check() const {
    if (m_strPath.isEmpty() || !m_known.exists)
        return unchanged;
    const Identity now = IdentityOf(m_strPath);
    if (!now.exists)
        return deleted;
    const bool same = now.device == m_known.device && now.inode == m_known.inode &&
                      now.size == m_known.size && now.modified.tv_sec == m_known.modified.tv_sec &&
                      now.modified.tv_nsec == m_known.modified.tv_nsec;
    return same ? unchanged : changed;
}

CFileWatcher::Identity CFileWatcher::IdentityOf(const QString& path) {
    Identity id;
    struct stat st {};
    if (::stat(FileNameToBytes(path).constData(), &st) != 0)
        return id;
    id.exists = true;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.modified = st.st_mtim;
    return id;
}

void CFileWatcher::OnEvents() {
    // What changed is read again from the file itself; the events only say when to look.
    alignas(inotify_event) char buffer[4096];
    bool forgotten = false;
    ssize_t n;
    while ((n = ::read(m_inotify, buffer, sizeof buffer)) > 0)
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if ((event->mask & IN_IGNORED) && event->wd == m_fileWatch) {
                m_fileWatch = -1; // the file is gone: a new one of that name is watched anew
                forgotten = true;
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    if (forgotten)
        m_watchedInode = 0;
    if (!m_settle.isActive())
        m_burst.start();
    // A file written without a pause (a growing log) is looked at all the same, now and then.
    if (m_burst.elapsed() >= kLongestBurstMs) {
        m_settle.stop();
        Notice();
        m_burst.start();
        return;
    }
    m_settle.start();
}

void CFileWatcher::Notice() {
    if (CLoadGuard::Active()) {
        // Looked at once the load is over, and only if this file is still the one watched:
        // the load may have replaced it.
        CLoadGuard::WhenDone(this, [this, path = m_strPath] {
            if (m_strPath == path)
                Notice();
        });
        return;
    }
    Rewatch();
    const State state = Check();
    if (state == unchanged || state == m_told)
        return;
    m_told = state;
    m_onChange(state);
}

void CFileWatcher::Rewatch() {
    if (m_strPath.isEmpty() || m_inotify < 0)
        return;
    // The watch on a file ends with the file, and one replaced by renaming another over it is
    // a new file: the watch follows the name. The folder's watch tells when one comes back.
    const Identity now = IdentityOf(m_strPath);
    if (now.exists && now.inode != m_watchedInode) {
        if (m_fileWatch >= 0)
            ::inotify_rm_watch(m_inotify, m_fileWatch);
        m_fileWatch = ::inotify_add_watch(
            m_inotify, FileNameToBytes(m_strPath).constData(),
            IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF);
        m_watchedInode = m_fileWatch >= 0 ? now.inode : 0;
    }
    if (m_folderWatch < 0)
        m_folderWatch =
            ::inotify_add_watch(m_inotify, FileNameToBytes(FolderOf(m_strPath)).constData(),
                                IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO);
}
