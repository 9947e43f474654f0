// The document side of the framework: a document that loads and saves through a serialiser, and
// the single-document template that carries out New, Open, Save and Save As on it.
#pragma once

#include <QString>

#include <functional>

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
    virtual void Serialize(CArchive& ar) = 0;

    // Asks whether to save changes; false when the user cancelled or the save failed.
    virtual bool SaveModified();
    // Saves to `path`, or asks for a name first when it is empty; `replace` makes the new name
    // the document's.
    virtual bool DoSave(const QString& path, bool replace = true);
    // Save: to the document's own file, or through Save As when it has none, is read-only on
    // disk or no longer exists.
    virtual bool DoFileSave();

    void ReportSaveLoadException(const QString& path, const CFileException* e, bool saving);

    CSingleDocTemplate* m_pDocTemplate = nullptr;

protected:
    QString m_strPathName;
    QString m_strTitle;
    bool m_bModified = false;
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
    // Opens recent-file entry `index`, removing it from the list when that fails.
    bool OpenRecentFile(int index);

private:
    Hooks m_hooks;
    CRecentFileList* m_pRecentFiles;
    CDocument* m_pDocument = nullptr;
};
