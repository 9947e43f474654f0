#include "document/lumettadoc.h"

#include "framework/file.h"
#include "framework/filename.h"
#include "framework/uiservices.h"
#include "resources/resource.h"
#include "resources/strings.h"
#include "text/rtfreader.h"
#include "view/lumettaview.h"

#include <QFileInfo>
#include <QWidget>

#include <algorithm>

const std::vector<MessageMapEntry<CLumettaDoc>>& CLumettaDoc::GetMessageMap() {
    using T = CLumettaDoc;
    static const std::vector<MessageMapEntry<T>> map = {
        OnCommand<T>(ID_FILE_SAVE, &T::OnFileSave),
        OnCommand<T>(ID_FILE_SAVE_AS, &T::OnFileSaveAs),
    };
    return map;
}

void CLumettaDoc::SetView(CLumettaView* view) {
    m_pView = view;
    if (view)
        view->SetDocument(this);
}

QString CLumettaDoc::Caption(const QString& title, const QString& path) {
    if (title == QLatin1String(Str::Untitled))
        return title;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return DisplayFileName(path.mid(slash + 1) + QStringLiteral(" @ ") + path.left(slash + 1));
}

void CLumettaDoc::SetTitle(const QString& title) {
    if (m_pView && m_pView->window())
        m_pView->window()->setWindowTitle(Caption(title, m_strPathName));
}

bool CLumettaDoc::IsModified() { return m_pView && m_pView->GetModify(); }

bool CLumettaDoc::OnNewDocument() {
    m_pView->SetEmpty();
    m_pView->SetModify(false);
    return CDocument::OnNewDocument();
}

bool CLumettaDoc::OnSaveDocument(const QString& path) {
    if (!CDocument::OnSaveDocument(path))
        return false;
    // Said, and the text marked saved, only once the new content is safely in place on disk.
    m_pView->SetModify(false);
    if (m_notKept.isEmpty())
        m_pView->ShowStatusMessage(QString::fromUtf8(Str::FileSavedOk), true);
    else
        m_pView->ShowStatusMessage(
            QString::fromUtf8(Str::SavedButNotKept).arg(m_notKept.join(QStringLiteral(", "))),
            true);
    return true;
}

namespace {
// The file at `path` is a regular file that starts as rich text does.
bool HoldsRichText(const QString& path) {
    try {
        CReadFile file(path);
        if (file.GetLength() <= 0)
            return false;
        char start[256];
        const size_t n = file.Read(start, sizeof start);
        return RtfSignatureOf(start, n) == RtfSignature::Rich;
    } catch (const CFileException&) {
        return false;
    }
}
} // namespace

CDocument::SaveOver CLumettaDoc::BeforeSavingOver(const QString& path) {
    if (!m_pView || !m_pView->IsRichText() || !HoldsRichText(path))
        return SaveOver::Proceed;
    const QString name = DisplayFileName(QFileInfo(path).absoluteFilePath());
    switch (Ui().MessageBox(QString::fromUtf8(Str::SavingRichAsPlain).arg(name),
                            MB_YESNOCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2)) {
    case IDYES:
        return SaveOver::Proceed;
    case IDNO:
        return SaveOver::ChooseAnother; // Save As
    default:
        return SaveOver::Stop;
    }
}

void CLumettaDoc::OnFileChangedOnDisk(CFileWatcher::State state) {
    const char* text = nullptr;
    if (state == CFileWatcher::deleted) {
        // Nothing on disk holds this text any more.
        m_pView->SetModify(true);
        text = Str::DeletedOnDisk;
    } else if (IsModified()) {
        text = Str::ChangedOnDiskKept; // asked about at the next save
    } else if (ReloadFromDisk()) {
        text = Str::ChangedOnDiskReloaded;
    }
    if (text)
        m_pView->ShowStatusMessage(QString::fromUtf8(text).arg(m_strPathName),
                                   state != CFileWatcher::changed || IsModified());
}

bool CLumettaDoc::ReloadFromDisk() {
    const long line = m_pView->LineFromChar(-1);
    if (!OnOpenDocument(m_strPathName)) {
        // Whatever the control holds now, it is not what the file holds.
        m_pView->SetModify(true);
        return false;
    }
    m_pView->OnInitialUpdate();
    const long start = m_pView->LineIndex(std::min(line, m_pView->GetLineCount() - 1));
    m_pView->SetSel(start, start);
    return true;
}

void CLumettaDoc::Serialize(CArchive& ar) { m_pView->Serialize(ar); }

void CLumettaDoc::OnFileSave() { DoFileSave(); }

void CLumettaDoc::OnFileSaveAs() { DoSave(QString()); }
