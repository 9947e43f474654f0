#include "framework/document.h"

#include "framework/file.h"
#include "framework/filename.h"
#include "framework/interruptedsaves.h"
#include "framework/recentfilelist.h"
#include "framework/streamfile.h"
#include "framework/uiservices.h"
#include "framework/waitcursor.h"
#include "framework/messages.h"

#include <QDir>
#include <QFileInfo>

#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString FileTitle(const QString& path) {
    return QFileInfo(path).fileName();
}

// A file the user cannot write, or one without any write permission bit (which even the
// superuser should not silently overwrite), counts as read-only on disk.
// What the name stands for when it is there but is no regular file; null otherwise.
const char* NoFileKind(const QString& path) {
    struct stat st {};
    if (::stat(FileNameToBytes(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return nullptr;
    if (S_ISFIFO(st.st_mode))
        return "a FIFO";
    if (S_ISSOCK(st.st_mode))
        return "a socket";
    if (S_ISDIR(st.st_mode))
        return "a folder";
    return "a device";
}

bool IsReadOnlyOnDisk(const QString& path) {
    const QByteArray name = FileNameToBytes(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return true;
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
           ::access(name.constData(), W_OK) != 0;
}
} // namespace

void CDocument::SetPathName(const QString& path, bool addToRecent) {
    m_strPathName = AbsoluteFileName(path);
    SetTitle(FileTitle(m_strPathName));
    if (addToRecent && m_pDocTemplate && m_pDocTemplate->RecentFiles())
        m_pDocTemplate->RecentFiles()->Add(m_strPathName);
}

CFileWatcher& CDocument::Watcher() {
    if (!m_pWatcher)
        m_pWatcher = std::make_unique<CFileWatcher>(
            [this](CFileWatcher::State state) { OnFileChangedOnDisk(state); });
    return *m_pWatcher;
}

bool CDocument::OnNewDocument() {
    Watcher().Stop();
    DeleteContents();
    m_strPathName.clear();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnOpenDocument(const QString& path) {
    std::unique_ptr<CFile> file;
    try {
        file = OpenFileForReading(path);
    } catch (const CFileException& e) {
        ReportSaveLoadException(path, &e, false);
        return false;
    }
    DeleteContents();
    // Taken before reading, so that a change made while the file is read is noticed.
    const CFileWatcher::Identity read = CFileWatcher::IdentityOf(path);
    try {
        CWaitCursor wait;
        CArchive ar(file.get(), CArchive::load);
        Serialize(ar);
    } catch (const CFileException& e) {
        ReportSaveLoadException(path, &e, false);
        return false;
    } catch (...) {
        ReportSaveLoadException(path, nullptr, false);
        return false;
    }
    Watcher().Watch(path, read);
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnSaveDocument(const QString& path) {
    m_notKept.clear();
    try {
        CSafeSaveFile file(path);
        {
            CWaitCursor wait;
            CArchive ar(&file, CArchive::store);
            Serialize(ar);
        }
        file.Commit();
        m_notKept = file.NotKept();
    } catch (const CFileException& e) {
        ReportSaveLoadException(path, &e, true);
        return false;
    } catch (...) {
        ReportSaveLoadException(path, nullptr, true);
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

void CDocument::ReportSaveLoadException(const QString& path, const CFileException* e, bool saving) {
    // The file the error is about may be another: the place where old content was set aside.
    const QString named = e && !e->m_strFileName.isEmpty() ? e->m_strFileName : path;
    const QString text = e ? e->GetErrorMessage(DisplayFileName(AbsoluteFileName(named)))
                           : QString::fromUtf8(saving ? Str::FailedToSave : Str::FailedToOpen);
    Ui().MessageBox(text, MB_OK | MB_ICONEXCLAMATION);
}

bool CDocument::SaveModified() {
    if (!IsModified())
        return true;
    QString name = m_strPathName.isEmpty() ? m_strTitle : FileTitle(m_strPathName);
    if (name.isEmpty())
        name = QString::fromUtf8(Str::Untitled);
    const QString prompt = QString::fromUtf8(Str::SaveChangesPrompt).arg(DisplayFileName(name));
    switch (Ui().MessageBox(prompt, MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDCANCEL:
        return false;
    case IDYES:
        return DoFileSave();
    default:
        return true;
    }
}

bool CDocument::DoSave(const QString& path, bool replace) {
    QString newName = path;
    std::optional<SaveFormat> format; // chosen in the dialog
    for (;;) {
        if (newName.isEmpty()) {
            QString initial = m_strPathName;
            if (initial.isEmpty())
                initial = m_strTitle.isEmpty() ? QString::fromUtf8(Str::Untitled) : m_strTitle;
            format = GetSaveFormat();
            newName = Ui().GetSaveFileName(initial, format ? &*format : nullptr);
            if (newName.isEmpty())
                return false;
        }
        // A FIFO would swallow the text (or block until someone reads it), a device or a
        // socket is no place for it either: another name is asked for.
        if (const char* kind = NoFileKind(newName)) {
            Ui().MessageBox(
                QString::fromUtf8(Str::CannotSaveInto)
                    .arg(DisplayFileName(AbsoluteFileName(newName)), QString::fromUtf8(kind)),
                MB_OK | MB_ICONEXCLAMATION);
            newName.clear();
            continue;
        }
        const SaveOver answer = BeforeSavingOver(newName);
        if (answer == SaveOver::Stop)
            return false;
        if (answer == SaveOver::Proceed)
            break;
        newName.clear();
    }
    std::function<void()> undoFormat;
    if (format && !SetSaveFormat(newName, *format, undoFormat))
        return false;
    // A failed save leaves whatever was on disk as it was: nothing to clean up here. What it
    // did to the file on the way is its own doing, not another program's.
    if (!OnSaveDocument(newName)) {
        if (undoFormat)
            undoFormat();
        if (AbsoluteFileName(newName) == m_strPathName &&
            CFileWatcher::IdentityOf(m_strPathName).exists)
            Watcher().Accept();
        return false;
    }
    CInterruptedSaves::RemoveStale(FolderOf(newName));
    if (replace) {
        SetPathName(newName);
        Watcher().Watch(m_strPathName);
    } else if (AbsoluteFileName(newName) == m_strPathName) {
        Watcher().Accept();
    }
    return true;
}

bool CDocument::DoFileSave() {
    if (!m_strPathName.isEmpty() && Watcher().Check() == CFileWatcher::changed) {
        const QString prompt =
            QString::fromUtf8(Str::ChangedOnDiskPrompt).arg(DisplayFileName(m_strPathName));
        switch (Ui().MessageBox(prompt, MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
        case IDYES:
            break;
        case IDNO:
            ReloadFromDisk();
            return false;
        default:
            return false;
        }
    }
    if (m_strPathName.isEmpty() || IsReadOnlyOnDisk(m_strPathName))
        return DoSave(QString());
    return DoSave(m_strPathName);
}

void CSingleDocTemplate::SetDocument(CDocument* doc) {
    m_pDocument = doc;
    if (doc)
        doc->m_pDocTemplate = this;
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const QString& path, bool makeVisible) {
    m_bOpensVisibly = makeVisible;
    bool created = false;
    if (!m_pDocument) {
        if (!m_hooks.createFrame())
            return nullptr;
        created = true;
    } else if (!m_pDocument->SaveModified()) {
        return nullptr;
    }
    CDocument* doc = m_pDocument;
    if (path.isEmpty()) {
        doc->SetTitle(QString::fromUtf8(Str::Untitled));
        if (!doc->OnNewDocument()) {
            if (created)
                m_hooks.destroyFrame();
            return nullptr;
        }
    } else {
        RecoverInterruptedSaves(path);
        CWaitCursor wait;
        if (!doc->OnOpenDocument(path)) {
            if (created) {
                m_hooks.destroyFrame();
            } else if (doc->IsModified()) {
                // The old text was not kept: what remains is a new, untitled document.
                doc->SetTitle(QString::fromUtf8(Str::Untitled));
                doc->OnNewDocument();
            }
            return nullptr;
        }
        doc->SetPathName(path);
    }
    m_hooks.initialUpdate(makeVisible);
    return doc;
}

bool CSingleDocTemplate::OpenRecentFile(int index) {
    if (!m_pRecentFiles || index < 0 || index >= m_pRecentFiles->GetCount())
        return false;
    const QString path = (*m_pRecentFiles)[index];
    if (OpenDocumentFile(path))
        return true;
    m_pRecentFiles->Remove(
        m_pRecentFiles->GetCount() > index && (*m_pRecentFiles)[index] == path ? index : -1);
    return false;
}

void CSingleDocTemplate::RecoverInterruptedSaves(const QString& path) {
    if (path.isEmpty()) {
        CInterruptedSaves::RemoveStale(CInterruptedSaves::StateFolder());
        CInterruptedSaves::RemoveStale(QDir::tempPath());
    } else {
        CInterruptedSaves::RemoveStale(FolderOf(path));
    }
    for (const CInterruptedSaves::Copy& copy : CInterruptedSaves::Pending(path)) {
        if (m_declined.contains(copy.record))
            continue;
        // The file is cut short, or a whole new content waits beside it: the copy keeps the
        // most, and Yes, the default, takes it.
        // (One pass over the text: a name holding "%2" stays as it is.)
        const QString name = DisplayFileName(copy.target);
        const QString fileSize = QString::number(copy.targetSize);
        const QString copySize = QString::number(copy.copySize);
        const QString offer =
            !copy.newContent
                ? QString::fromUtf8(Str::InterruptedSaveFound).arg(name, fileSize, copySize)
            : copy.targetSize < 0
                ? QString::fromUtf8(Str::UnfinishedFirstSaveFound).arg(name, copySize)
                : QString::fromUtf8(Str::UnfinishedSaveFound).arg(name, copySize, fileSize);
        switch (Ui().MessageBox(offer, MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES:
            try {
                CInterruptedSaves::Restore(copy);
            } catch (const CFileException& e) {
                Ui().MessageBox(e.GetErrorMessage(copy.target), MB_OK | MB_ICONEXCLAMATION);
            }
            break;
        case IDNO: {
            // Never the only copy thrown away: it stays, under a name of its own.
            const QString kept = CInterruptedSaves::Keep(copy);
            Ui().MessageBox(QString::fromUtf8(copy.newContent ? Str::UnfinishedSaveKept
                                                              : Str::InterruptedSaveKept)
                                .arg(DisplayFileName(copy.target),
                                     DisplayFileName(kept.isEmpty() ? copy.copy : kept)),
                            MB_OK | MB_ICONINFORMATION);
            break;
        }
        default:
            // Kept, and offered again next time; not by the open that follows the start.
            if (path.isEmpty())
                m_declined << copy.record;
            break;
        }
    }
    if (!path.isEmpty())
        m_declined.clear();
}
