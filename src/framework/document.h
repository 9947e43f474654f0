// The document side of the framework: a document that loads and saves through a serialiser, and
// the single-document template that carries out New, Open, Save and Save As on it.
#pragma once

#include "framework/filewatcher.h"
#include "framework/saveasdialog.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class CArchive;
class CFileException;
class CRecentFileList;
class CSingleDocTemplate;

class CDocument {
public:
    virtual ~CDocument() = default;

    const QString& GetPathName() const { return m_strPathName; }
    // Stores the full path, sets the title from it and adds it to the recent-file list.
    virtual void SetPathName(const QString& path, bool addToRecent = true);
    virtual void SetTitle(const QString& title) { m_strTitle = title; }

    virtual bool IsModified() { return m_bModified; }
    virtual void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const QString& path);
    virtual bool OnSaveDocument(const QString& path);
    virtual void DeleteContents() {}
    // Before something that could end the program (printing, a save): the unsaved changes are
    // made to outlive it, as far as the document keeps them.
    virtual void MakeChangesDurable() {}
    virtual void Serialize(CArchive& ar) = 0;

    // Asks whether to save changes; false when the user cancelled or the save failed.
    virtual bool SaveModified();
    // Saves to `path`, or asks for a name first when it is empty; `replace` makes the new name
    // the document's.
    virtual bool DoSave(const QString& path, bool replace = true);
    // Save: to the document's own file, or through Save As when it has none, is read-only on
    // disk or no longer exists. A file that another program changed is not saved over without
    // asking.
    virtual bool DoFileSave();

    void ReportSaveLoadException(const QString& path, const CFileException* e, bool saving);

    CSingleDocTemplate* m_pDocTemplate = nullptr;

protected:
    // Asked before the text is written over `path`: whether to go on, to choose another name
    // instead, or to stop.
    enum class SaveOver { Proceed, ChooseAnother, Stop };
    virtual SaveOver BeforeSavingOver(const QString& path) { return SaveOver::Proceed; }
    // The format the text would be written in, which Save As offers to change; none when it
    // offers no choice.
    virtual std::optional<SaveFormat> GetSaveFormat() const { return std::nullopt; }
    // Save As chose `format`: the document takes it on before it is written, or says why it
    // cannot and returns false (nothing is written then). Undone by the returned function when
    // the save fails after all.
    virtual bool SetSaveFormat(const QString& path, const SaveFormat& format,
                               std::function<void()>& undo) {
        Q_UNUSED(path);
        Q_UNUSED(format);
        Q_UNUSED(undo);
        return true;
    }
    // Another program changed or deleted the document's file (told once for each change).
    virtual void OnFileChangedOnDisk(CFileWatcher::State) {}
    // Reads the document's file again, dropping the text held; false when that failed.
    virtual bool ReloadFromDisk() { return OnOpenDocument(m_strPathName); }
    CFileWatcher& Watcher();

    QString m_strPathName;
    QString m_strTitle;
    bool m_bModified = false;
    QStringList m_notKept; // what the last save could not keep of the file's metadata

private:
    std::unique_ptr<CFileWatcher> m_pWatcher;
};

// Creates the one document and its frame on first use and reuses them for every New and Open.
class CSingleDocTemplate {
public:
    struct Hooks {
        // Creates the document, the frame and the view; false when that failed.
        std::function<bool()> createFrame;
        // Destroys what createFrame made after a failed first open.
        std::function<void()> destroyFrame;
        // The view's initial update for a new or opened document, then the frame shown.
        std::function<void(bool makeVisible)> initialUpdate;
    };

    CSingleDocTemplate(Hooks hooks, CRecentFileList* recentFiles)
        : m_hooks(std::move(hooks)), m_pRecentFiles(recentFiles) {}

    void SetDocument(CDocument* doc);
    CDocument* GetDocument() const { return m_pDocument; }
    CRecentFileList* RecentFiles() const { return m_pRecentFiles; }

    // Opens `path`, or starts a new document when it is empty. Returns null on failure.
    CDocument* OpenDocumentFile(const QString& path, bool makeVisible = true);
    // Whether the document being opened is to be shown: a long load may show its window early.
    bool OpensVisibly() const { return m_bOpensVisibly; }
    // Opens recent-file entry `index`, removing it from the list when that fails.
    bool OpenRecentFile(int index);
    // Removes what interrupted saves left behind and offers back the old content they set
    // aside: for `path` only, or everywhere it is kept when `path` is empty.
    void RecoverInterruptedSaves(const QString& path = QString());

private:
    Hooks m_hooks;
    CRecentFileList* m_pRecentFiles;
    CDocument* m_pDocument = nullptr;
    QStringList m_declined; // copies the user chose at start to be offered later
    bool m_bOpensVisibly = true;
};
