#include "framework/filewatcher.h"

#include "framework/filename.h"
#include "framework/loadguard.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include <sys/stat.h>

namespace {
constexpr int kSettleMs = 150;
}

CFileWatcher::CFileWatcher(std::function<void(State)> onChange) : m_onChange(std::move(onChange)) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleMs);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, [this] { m_settle.start(); });
    // A file replaced by renaming another over it is a new file: the watch follows the name.
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { m_settle.start(); });
    connect(&m_settle, &QTimer::timeout, this, &CFileWatcher::Notice);
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

void CFileWatcher::Stop() {
    m_settle.stop();
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
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
    if (m_strPath.isEmpty())
        return;
    // The watch on a file ends with the file; the folder's tells when one comes back.
    if (m_watcher.files().isEmpty() && QFileInfo::exists(m_strPath))
        m_watcher.addPath(m_strPath);
    const QString folder = FolderOf(m_strPath);
    if (m_watcher.directories().isEmpty() && QFileInfo::exists(folder))
        m_watcher.addPath(folder);
}
