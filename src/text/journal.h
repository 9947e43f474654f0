// The journal of a text's unsaved edits: every change made to the text since it was loaded or
// saved, appended to a file of its own as it happens, so that what was typed outlives a crash or
// a kill. A journal names the text it starts from (its origin: the file and the version of it
// that was loaded, or none for an untitled text). Its changes count once a commit follows them,
// made durable on the disk: replayed onto its origin, a journal gives back the text as it was at
// its last commit. Records are checked: one cut short by a crash is left out with everything
// after it.
#pragma once

#include "text/textdocument.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// A 64-bit hash of bytes fed in pieces of any sizes: the same bytes give the same value however
// they are cut. Fast enough to run over a file as it loads.
class CContentHash {
public:
    void Feed(const char* data, size_t n);
    uint64_t Value() const;

private:
    // Four words at a time, one to each lane, so that the lanes' multiplications overlap.
    void Mix(const char* block);

    uint64_t m_lanes[4] = {0x9E3779B97F4A7C15ULL, 0xBF58476D1CE4E5B9ULL, 0x94D049BB133111EBULL,
                           0x2545F4914F6CDD1DULL};
    uint64_t m_nTotal = 0;
    char m_tail[32] = {};
    size_t m_nTail = 0;
};

// What a journal starts from.
struct JournalOrigin {
    QByteArray path;        // the file's name, as bytes; empty for an untitled text
    int64_t size = -1;      // the file as it was loaded or saved: its size,
    int64_t mtimeNs = 0;    // its modification time,
    uint64_t device = 0;    // where it lives,
    uint64_t inode = 0;
    uint64_t hash = 0;      // and a CContentHash of its bytes
    int64_t startedSecs = 0; // when the journal began, in seconds since the epoch
    int64_t pid = 0;         // the process that wrote it
    // The encoding the file was read in when the user chose one (its name, as the status bar
    // shows it); empty when it was read in the one its bytes look like. The journal's positions
    // are those of the text read so.
    QByteArray readAs;

    bool operator==(const JournalOrigin& o) const;
};

// Writes a journal: started on a text, it records each change to it as one write to the file.
class CJournalWriter : private CEditListener {
public:
    // Creates the journal `file` (readable by its owner only; it must not exist yet) and starts
    // recording the changes to `text`. Null when the file cannot be made. The writer holds a
    // lock on the file for as long as it lives: no other process takes the journal over.
    static std::unique_ptr<CJournalWriter> Start(const QString& file, const JournalOrigin& origin,
                                                 const CTextDocument& text);
    // Goes on with a journal left behind, whose replay gave `text`: what follows its last whole
    // record is cut off, and the changes to `text` are added. Null when it is locked or gone.
    static std::unique_ptr<CJournalWriter> Resume(const QString& file, const CTextDocument& text);
    // At the first change, a copy of the file `source` (the origin, `size` bytes hashing to
    // `hash`) is made beside the journal, in a thread of its own: a journal whose file is later
    // changed by another program can still be replayed onto the file as it was. A copy that does
    // not match, or cannot be made, is dropped.
    void KeepBase(const QString& source, int64_t size, uint64_t hash);
    // The copy's name for the journal `file`.
    static QString BaseOf(const QString& file) { return file + QStringLiteral(".base"); }
    // Called after each change is written: the owner makes the journal durable soon after.
    void SetOnWritten(std::function<void()> onWritten) { m_onWritten = std::move(onWritten); }
    ~CJournalWriter() override; // stops recording; the file stays (and the copy is finished)
    CJournalWriter(const CJournalWriter&) = delete;
    CJournalWriter& operator=(const CJournalWriter&) = delete;

    // The changes written so far count, and reach the disk, so that a power cut keeps them too.
    // The text as it is now is what a replay gives back, until the next commit.
    bool Commit();
    // Changes written since the last commit.
    bool HasUncommitted() const { return m_bUncommitted; }
    // Stops recording and removes the file: the text it recorded is safe elsewhere now.
    void Discard();
    // A write failed (a full disk): the journal no longer holds every change.
    bool Failed() const { return m_bFailed; }
    const QString& FileName() const { return m_strFile; }
    // Bytes written to the file so far.
    uint64_t Written() const { return m_nWritten; }

private:
    CJournalWriter(QString file, int fd);
    void Edited(long pos, const char* inserted, long n) override;
    void SpanReplaced(long start, long oldLength, const char* text, long newLength,
                      const std::vector<SpanEdit>& edits) override;
    void Put(char kind, const QByteArray& payload);

    QString m_strFile;
    int m_fd;
    std::function<void()> m_onWritten;
    bool m_bFailed = false;
    bool m_bUncommitted = false;
    struct Base;
    std::unique_ptr<Base> m_pBase; // the copy of the origin, to be made or being made
    uint64_t m_nWritten = 0;
    std::unique_ptr<CTextDocument::CWatch> m_pWatch;
};

// The origin a journal file names; false when it is no journal.
bool ReadJournalOrigin(const QString& file, JournalOrigin& origin);

// A journal that no running process holds: its writer ended without removing it (a crash, a kill,
// a power cut).
struct LeftJournal {
    QString file;
    JournalOrigin origin;
    long changes = 0;         // the changes it holds that a commit follows
    int64_t modifiedSecs = 0; // when it was last written, in seconds since the epoch
};

// The folder of journals: $XDG_STATE_HOME/zorvek, or ~/.local/state/zorvek; private to the user.
class CJournalFolder {
public:
    // Where the journals are; made (mode 0700) when missing.
    static QString Path();
    // A name for a new journal there.
    static QString NewFile();
    // The journals left there, oldest first; those that hold no change are removed.
    static std::vector<LeftJournal> Left();
    // Tests point it at a scratch folder.
    static void SetRoot(const QString& dir);
};

// Replays the journal `file` onto `text`, the text its origin names: its changes in order, up to
// its last commit before a record cut short or damaged. Returns how many were applied, or -1 when
// the file is no journal or a change does not fit the text (it is not the one the journal started
// from).
long ReplayJournal(const QString& file, CTextDocument& text);
// How many changes a replay would apply, without replaying them; -1 when it is no journal.
long CountJournalChanges(const QString& file);
