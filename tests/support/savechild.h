// A save in a process of its own, so that a test can kill it at any moment: the test binary
// started again with --save-child.
#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

#include <vector>

// Starts the test binary again with `args`; its standard output comes to `out`. Returns its pid,
// or -1.
pid_t StartSelf(const std::vector<QByteArray>& args, int& out);

struct SaveChild {
    // A `stopAt` that stops the save the moment the target file holds the whole new content.
    static constexpr qint64 kOnceWhole = -2;
    // Starts saving `size` bytes of 'n' to `target`; with `stopAt` >= 0 the save stops there,
    // half done, until it is killed (at `size`: once the whole new content is written).
    SaveChild(const QString& target, qint64 size, qint64 stopAt = -1);
    ~SaveChild();
    // Waits for the next progress mark: 's' started, 'h' stopped half done, 'c' committed;
    // 0 when the child ended without one.
    char Next();
    void Kill();
    // Waits for the child to end; true when it ended by itself and successfully.
    bool Finished();

    pid_t pid = -1;
    int out = -1;
};

// Runs the child's side when argv asks for it; returns its exit code, or -1 otherwise.
int RunSaveChild(int argc, char** argv);
