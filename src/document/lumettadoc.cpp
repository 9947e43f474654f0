#include "document/lumettadoc.h"

#include "framework/file.h"
#include "framework/filename.h"
#include "resources/resource.h"
#include "resources/strings.h"
#include "view/lumettaview.h"

#include <QWidget>

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
    // Said only once the new content is safely in place on disk.
    m_pView->ShowStatusMessage(QString::fromUtf8(Str::FileSavedOk), true);
    return true;
}

void CLumettaDoc::Serialize(CArchive& ar) { m_pView->Serialize(ar); }

void CLumettaDoc::OnFileSave() { DoFileSave(); }

void CLumettaDoc::OnFileSaveAs() { DoSave(QString()); }
