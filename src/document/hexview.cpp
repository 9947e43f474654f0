#include "document/hexview.h"

#include "document/hexdumpfile.h"
#include "document/lumettadoc.h"
#include "framework/file.h"
#include "framework/filename.h"
#include "framework/framewnd.h"
#include "framework/inputswallower.h"
#include "framework/uiservices.h"
#include "framework/waitcursor.h"
#include "resources/resource.h"
#include "resources/strings.h"
#include "view/lumettaview.h"

#include <QApplication>
#include <QFileInfo>
#include <QScopeGuard>

#include <memory>

const std::vector<MessageMapEntry<CHexView>>& CHexView::GetMessageMap() {
    using T = CHexView;
    static const std::vector<MessageMapEntry<T>> map = {
        OnCommand<T>(ID_VIEW_HEX, &T::OnViewHex),
        OnUpdate<T>(ID_VIEW_HEX, &T::OnUpdateViewHex),
    };
    return map;
}

void CHexView::OnViewHex() {
    const QString path = m_view.DocumentPath();
    CWaitCursor wait;
    std::unique_ptr<CReadFile> file;
    try {
        file = std::make_unique<CReadFile>(path);
    } catch (const CFileException&) {
        return; // nothing to show: the view stays as it is
    }
    if (m_view.m_bHexView) {
        try {
            CArchive ar(file.get(), CArchive::load);
            m_view.StreamText(ar, SF_TEXT);
            m_view.m_bHexView = 0;
            m_view.EndPagedDump();
            m_doc.StartJournal(path);
        } catch (const CFileException&) {
        }
        return;
    }
    if (file->GetLength() <= 0)
        return;
    // The dump shows the file on disk, in place of the text: changes not yet in the file are
    // saved first, or dropped when the user says so.
    if (m_doc.IsModified()) {
        switch (Ui().MessageBox(
            QString::fromUtf8(Str::SaveBeforeHex).arg(DisplayFileName(QFileInfo(path).fileName())),
            MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES:
            if (m_doc.DoFileSave())
                OnViewHex(); // the file as the save wrote it, wherever it went
            return;
        case IDNO:
            break;
        default:
            return;
        }
    }
    if (HexDump::DumpLength(file->GetLength()) > std::min(m_view.GetLimitText(), kWholeDumpMost)) {
        m_view.ShowPagedDump(std::move(file));
        m_view.m_bHexView = 1;
        m_doc.DropJournal();
        return;
    }
    m_view.ShowStatusMessage(QString::fromUtf8(Str::Converting), false);
    CFrameWnd* frame = GetParentFrame(&m_view);
    CInputSwallower input;
    qApp->installEventFilter(&input);
    m_view.setUpdatesEnabled(false); // the text is not repainted until the command ends
    CHexDumpFile dump(*file, [&](double done) {
        if (frame)
            frame->SetProgress(static_cast<int>(done * 100));
        // Input and repaints only: no timers, so that the editor's own idle work waits too.
        QApplication::processEvents(QEventLoop::X11ExcludeTimers);
        return input.m_bEscape;
    });
    // The dump is read as the text it is, whatever the file is read in.
    const std::optional<FileEncoding> readAs = m_view.GetReadEncoding();
    m_view.SetReadEncoding(std::nullopt);
    const auto restore = qScopeGuard([&] { m_view.SetReadEncoding(readAs); });
    try {
        CArchive ar(&dump, CArchive::load);
        m_view.StreamText(ar, SF_TEXT);
        m_view.m_bHexView = 1;
        m_doc.DropJournal(); // what was not saved was dropped with the text
    } catch (const CFileException&) {
        // Escape or a read error: the text stays as it was.
    }
    m_view.setUpdatesEnabled(true);
    if (frame)
        frame->SetProgress(-1);
    m_view.ShowStatusMessage(QString(), false); // painted at once
    // Keys pressed while the message still showed (the last part of the work reads no input)
    // are the conversion's: Escape then never reaches the window, where it would end the program.
    QApplication::processEvents(QEventLoop::X11ExcludeTimers);
    qApp->removeEventFilter(&input);
}

void CHexView::OnUpdateViewHex(CCmdUI* pCmdUI) {
    pCmdUI->SetCheck(m_view.m_bHexView);
    pCmdUI->Enable(m_view.m_bReadOnly);
}
