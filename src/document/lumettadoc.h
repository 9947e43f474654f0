// The document: the one file the editor has open. The text itself lives in the view's control.
#pragma once

#include "framework/cmdtarget.h"
#include "framework/document.h"
#include "text/textencoding.h"

#include <QTimer>

#include <memory>

class CJournalWriter;
class CLumettaView;
struct JournalOrigin;
struct LeftJournal;

// Its unsaved changes are kept in a journal as they are made (see text/journal.h): from each
// load, save or new text on, committed within a second of the last change and before a save or
// a reload, and removed when the document closes cleanly.
class CLumettaDoc : public CDocument, public CCmdTargetImpl<CLumettaDoc> {
public:
    CLumettaDoc();
    ~CLumettaDoc() override; // a clean close: the journal goes, unless it is to be kept

    void SetView(CLumettaView* view);
    CLumettaView* GetView() const { return m_pView; }

    void SetTitle(const QString& title) override;
    bool IsModified() override;
    bool OnNewDocument() override;
    bool OnOpenDocument(const QString& path) override;
    bool OnSaveDocument(const QString& path) override;
    void Serialize(CArchive& ar) override;

    // The caption for a document titled `title` whose file is `path`.
    static QString Caption(const QString& title, const QString& path);

    static const std::vector<MessageMapEntry<CLumettaDoc>>& GetMessageMap();

    // The longest plain text whose reload can be undone: the text as it was is held twice for
    // a moment.
    static long s_nUndoableReload;

    // The journal starts again from the text shown, which is the file's at `path` as last read
    // or written whole (or an untitled text, for an empty path).
    void StartJournal(const QString& path);
    // The changes so far count, and are on the disk.
    void CommitJournal();
    // The text shown is no text of the file's (the hexadecimal dump): there is no journal.
    void DropJournal();
    void MakeChangesDurable() override { CommitJournal(); }
    // The journal stays when the document goes: the program is ending on a signal.
    void KeepJournal() { m_bKeepJournal = true; }
    // Replays a journal left behind onto the text shown, which must be its origin, and goes on
    // writing it; the text counts as changed. False, with nothing changed, when the text is not
    // the one the journal started from.
    bool RecoverJournal(const LeftJournal& left);
    // Where the text a journal started from is still to be found when its file has changed
    // since: the file itself when it still starts with that text (another program added to
    // it), else the copy kept beside the journal; empty when neither holds it.
    static QString OriginOf(const LeftJournal& left);
    // Recovers such a journal into this document, which must be a new one: the start of
    // `source` that held its origin, with its changes replayed; the text counts as changed.
    bool RecoverJournalFrom(const QString& source, const LeftJournal& left);
    // The journal being written; null when there is none.
    const CJournalWriter* Journal() const { return m_pJournal.get(); }

protected:
    // A text shown formatted is saved as plain text: over a file that holds rich text, only
    // when the user says so.
    SaveOver BeforeSavingOver(const QString& path) override;
    std::optional<SaveFormat> GetSaveFormat() const override;
    bool SetSaveFormat(const QString& path, const SaveFormat& format,
                       std::function<void()>& undo) override;
    void OnFileChangedOnDisk(CFileWatcher::State state) override;
    bool ReloadFromDisk() override;

private:
    void OnFileSave();
    void OnFileSaveAs();
    void OnFileReopenEncoding();
    void OnUpdateFileReopenEncoding(CCmdUI* pCmdUI);
    // Reads the file again in `encoding`; false, with nothing changed, when it does not decode
    // in it.
    bool ReopenIn(FileEncoding encoding);

    // Each change written to the journal brings its commit within a second.
    void WatchJournal();
    // The journal left behind replayed onto the text shown, and written on from there; false
    // when it does not fit the text (which may then be changed part way).
    bool TakeOverJournal(const QString& journal);
    // The encoding a journal's text was read in: none (as the bytes look) or the one chosen; no
    // answer for a name this program does not know.
    static std::optional<std::optional<FileEncoding>> ReadAsOf(const JournalOrigin& origin);

    CLumettaView* m_pView = nullptr;
    std::unique_ptr<CJournalWriter> m_pJournal;
    QTimer m_commitTimer;
    bool m_bKeepJournal = false;
    // The file is being read again: in the encoding chosen for it, if one was.
    bool m_bRereading = false;
};
