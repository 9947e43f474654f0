#include "support/savechild.h"

#include "framework/file.h"
#include "framework/filename.h"

#include <QFile>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

pid_t StartSelf(const std::vector<QByteArray>& args, int& out) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    std::vector<char*> argv{const_cast<char*>("zorvek_tests")};
    for (const QByteArray& a : args)
        argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        execv("/proc/self/exe", argv.data());
        _exit(127);
    }
    ::close(fds[1]);
    out = fds[0];
    return pid;
}

SaveChild::SaveChild(const QString& target, qint64 size, qint64 stopAt) {
    pid = StartSelf({"--save-child", FileNameToBytes(target), QByteArray::number(size),
                     QByteArray::number(stopAt)},
                    out);
}

SaveChild::~SaveChild() {
    if (pid > 0) {
        Kill();
        Finished();
    }
    if (out >= 0)
        ::close(out);
}

char SaveChild::Next() {
    char mark = 0;
    return ::read(out, &mark, 1) == 1 ? mark : 0;
}

void SaveChild::Kill() {
    if (pid > 0)
        ::kill(pid, SIGKILL);
}

bool SaveChild::Finished() {
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid)
        return false;
    pid = -1;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

namespace {
qint64 g_wholeSize = -1;

// Writes as the system does, then stops for good once the file written holds the whole new
// content.
ssize_t WriteThenStopOnceWhole(int fd, const void* buf, size_t n) {
    const ssize_t done = ::write(fd, buf, n);
    struct stat st {};
    if (done > 0 && fstat(fd, &st) == 0 && st.st_size == g_wholeSize) {
        ::write(STDOUT_FILENO, "h", 1);
        for (;;)
            pause();
    }
    return done;
}
} // namespace

int RunSaveChild(int argc, char** argv) {
    if (argc != 5 || std::strcmp(argv[1], "--save-child") != 0)
        return -1;
    const qint64 size = std::atoll(argv[3]);
    const qint64 stopAt = std::atoll(argv[4]);
    // Stopping at the end is stopping once the whole new content is written, before it is
    // made durable and takes the file's place.
    if (stopAt == size)
        FileSystem().fsync = [](int) -> int {
            ::write(STDOUT_FILENO, "h", 1);
            for (;;)
                pause();
        };
    if (stopAt == SaveChild::kOnceWhole) {
        g_wholeSize = size;
        FileSystem().write = WriteThenStopOnceWhole;
    }
    try {
        CSafeSaveFile file(FileNameFromBytes(argv[2]));
        ::write(STDOUT_FILENO, "s", 1);
        const std::vector<char> piece(1 << 16, 'n');
        for (qint64 done = 0; done < size;) {
            if (done >= stopAt && stopAt >= 0) {
                ::write(STDOUT_FILENO, "h", 1);
                for (;;)
                    pause();
            }
            const size_t n = static_cast<size_t>(std::min<qint64>(piece.size(), size - done));
            file.Write(piece.data(), n);
            done += static_cast<qint64>(n);
        }
        file.Commit();
        ::write(STDOUT_FILENO, "c", 1);
        return 0;
    } catch (const CFileException&) {
        return 1;
    }
}
