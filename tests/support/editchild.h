// An editing session in a process of its own, so that a test can kill it at any moment: the test
// binary started again with --edit-child. It opens a file and edits it step by step (typing,
// pasting, Replace All, undo, redo); after each step it writes the text as it stands then to
// text-N in a folder, commits the journal, and reports N.
#pragma once

#include <QString>

#include <random>

#include <sys/types.h>

struct EditChild {
    EditChild(const QString& folder, const QString& file, unsigned seed);
    ~EditChild();
    // The next step reported; -1 when the child ended without one.
    int Next();
    // Kills it with SIGKILL and waits for it.
    void Kill();

    pid_t pid = -1;
    int out = -1;
};

class CLumettaView;

// One step of the child's editing, drawn from `random`; returns its kind.
int EditStep(CLumettaView* view, std::minstd_rand& random);

// A run of the editor in a process of its own that changes `file`, says 's' and saves it, and
// ends on the termination signals as the program does: the test binary started again with
// --signal-child.
struct SignalledSaveChild {
    explicit SignalledSaveChild(const QString& file);
    ~SignalledSaveChild();
    // The next mark: 's' when the save starts; 0 when the child ended.
    char Next();
    // Waits for the child; its exit code, or -1 when a signal killed it.
    int ExitCode();

    pid_t pid = -1;
    int out = -1;
};

// Runs the children's side when argv asks for it; returns its exit code, or -1 otherwise.
int RunEditChild(int argc, char** argv);
