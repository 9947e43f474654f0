// Insert file, and the warning after a load that the text looks like something else.
#include "view/lumettaview.h"

#include "frame/mainframe.h"
#include "framework/streamfile.h"
#include "framework/uiservices.h"
#include "resources/resource.h"
#include "resources/strings.h"

#include <memory>

void CLumettaView::OnFileInsert() {
    const QString path = Ui().GetOpenFileName(QString::fromUtf8(Str::InsertDialogTitle));
    if (path.isEmpty())
        return;
    try {
        // A FIFO is read without freezing the window; a folder or device is not read at all.
        const std::unique_ptr<CFile> file = OpenFileForReading(path);
        CArchive ar(file.get(), CArchive::load);
        StreamText(ar, SF_TEXT | SFF_SELECTION);
    } catch (const CFileException&) {
        // Nothing is said, and nothing was inserted.
    } catch (const CInsertRefused& e) {
        Ui().MessageBox(e.m_strMessage, MB_OK | MB_ICONEXCLAMATION);
    }
    SayIfWrapSuspended();
}

void CLumettaView::CheckNonText() {
    // A character with code 1 anywhere: plain text has none.
    if (!LoadedMarkerByte() || FindInRange(QString(QChar(1)), CHARRANGE{0, GetTextLength()}) == -1)
        return;
    // Said once the load is over, after the new caption and text are in place.
    if (auto* frame = qobject_cast<CMainFrame*>(window()))
        QMetaObject::invokeMethod(
            frame, [frame] { frame->Router().Execute(ID_NONTEXT_WARNING); }, Qt::QueuedConnection);
}

void CLumettaView::OnNonTextWarning() {
    ShowStatusMessage(QString::fromUtf8(m_bReadOnly ? Str::NonTextReadOnly : Str::NonTextEditable),
                      true);
}
