// Notices when another program changes, replaces or deletes the open file: through the file
// system's notifications, and by comparing the file's identity when the program becomes active
// again and before a save.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>

#include <ctime>
#include <functional>
#include <memory>
#include <sys/types.h>

class CFileWatcher : public QObject {
public:
    enum State { unchanged, changed, deleted };
    struct Identity {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
    };
    static Identity IdentityOf(const QString& path);

    // `onChange` runs on the event loop when Check would not answer `unchanged`, once for each
    // new state until Accept.
    explicit CFileWatcher(std::function<void(State)> onChange);
    ~CFileWatcher() override;

    // Starts watching `path`, whose content the document holds as it was when it was `known`.
    void Watch(const QString& path, const Identity& known);
    void Watch(const QString& path) { Watch(path, IdentityOf(path)); }
    void Stop();
    // How the file on disk compares with the last Watch: its size, time of change and inode.
    State Check() const;
    // Takes the file as it now is for the document's own, for example after a save.
    void Accept();

    // How long a writer's burst of changes may go on before it is looked at all the same.
    static constexpr int kLongestBurstMs = 1000;

private:
    void OnEvents();
    void Notice();
    void Rewatch();

    std::function<void(State)> m_onChange;
    // The file and its folder, watched through inotify by their names' bytes.
    int m_inotify = -1;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
    int m_fileWatch = -1;
    ino_t m_watchedInode = 0;
    int m_folderWatch = -1;
    QTimer m_settle; // a writer's burst of changes is read once, when it has finished...
    QElapsedTimer m_burst; // ...or has gone on for kLongestBurstMs
    QString m_strPath;
    Identity m_known;
    State m_told = unchanged; // each change is told once, until the file is taken as it is
};
