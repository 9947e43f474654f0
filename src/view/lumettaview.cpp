#include "view/lumettaview.h"

#include "framework/document.h"
#include "framework/file.h"
#include "framework/filename.h"
#include "framework/framewnd.h"
#include "framework/loadguard.h"
#include "framework/waitcursor.h"
#include "resources/resource.h"
#include "resources/strings.h"
#include "text/journal.h"
#include "view/hexpager.h"
#include "view/loadprogress.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QScopeGuard>
#include <QUrl>

namespace {
const QString kSettings = QStringLiteral("Editor/Viewer Settings");
const QString kSearch = QStringLiteral("Search & Replace Settings");
const QString kFont = QStringLiteral("Editor Character Format");
const QString kMargins = QStringLiteral("Page Margins");
const QString kFindHistory = QStringLiteral("Find Text History");
const QString kReplaceHistory = QStringLiteral("Replace Text History");

struct StreamCookie {
    CArchive* ar;
    uint32_t error;
    QString message; // the error's own text, when it has one (a cancelled read)
    CContentHash hash; // of the bytes read or written
};

uint32_t StreamCallback(uintptr_t cookieWord, char* buffer, long count, long* done) {
    auto* cookie = reinterpret_cast<StreamCookie*>(cookieWord);
    try {
        if (cookie->ar->IsLoading()) {
            *done = static_cast<long>(cookie->ar->GetFile()->Read(buffer, count));
        } else {
            cookie->ar->GetFile()->Write(buffer, count);
            *done = count;
        }
        cookie->hash.Feed(buffer, static_cast<size_t>(*done));
    } catch (const CFileException& e) {
        *done = 0;
        cookie->error = e.m_cause != CFileException::none ? e.m_cause : CFileException::generic;
        cookie->message = e.m_strMessage;
        return 1;
    }
    return 0;
}

} // namespace

const std::vector<MessageMapEntry<CLumettaView>>& CLumettaView::GetMessageMap() {
    using T = CLumettaView;
    static const std::vector<MessageMapEntry<T>> map = {
        OnCommand<T>(ID_EDIT_UNDO, &T::OnEditUndo),
        OnUpdate<T>(ID_EDIT_UNDO, &T::OnUpdateEditUndo),
        OnCommand<T>(ID_EDIT_REDO, &T::OnEditRedo),
        OnUpdate<T>(ID_EDIT_REDO, &T::OnUpdateEditRedo),
        OnCommandRange<T>(ID_VIEW_ZOOMIN, ID_VIEW_ZOOMRESET, &T::OnViewZoom),
        OnCommand<T>(ID_EDIT_SELECT_ALL, &T::OnEditSelectAll),
        OnCommand<T>(ID_EDIT_CUT, &T::OnEditCut),
        OnUpdate<T>(ID_EDIT_CUT, &T::OnUpdateEditCut),
        OnCommand<T>(ID_EDIT_COPY, &T::OnEditCopy),
        OnCommand<T>(ID_EDIT_PASTE, &T::OnEditPaste),
        OnUpdate<T>(ID_EDIT_PASTE, &T::OnUpdateEditPaste),
        OnCommand<T>(ID_EDIT_OVERWRITE, &T::OnEditOverwrite),
        OnUpdate<T>(ID_EDIT_OVERWRITE, &T::OnUpdateEditOverwrite),
        OnCommand<T>(ID_VIEW_READONLY, &T::OnViewReadOnly),
        OnUpdate<T>(ID_VIEW_READONLY, &T::OnUpdateViewReadOnly),
        OnCommand<T>(ID_VIEW_WORDWRAP, &T::OnViewWordWrap),
        OnUpdate<T>(ID_VIEW_WORDWRAP, &T::OnUpdateViewWordWrap),
        OnCommand<T>(ID_VIEW_LINENUMBERS, &T::OnViewLineNumbers),
        OnUpdate<T>(ID_VIEW_LINENUMBERS, &T::OnUpdateViewLineNumbers),
        OnUpdate<T>(ID_FILE_SAVE, &T::OnUpdateFileSave),
        OnUpdate<T>(ID_FILE_NEW, &T::OnUpdateNeedsWritable),
        OnUpdate<T>(ID_FILE_SAVE_AS, &T::OnUpdateNeedsWritable),
        OnUpdate<T>(ID_FILE_INSERT, &T::OnUpdateNeedsWritable),
        OnUpdate<T>(ID_EDIT_DELETELINE, &T::OnUpdateNeedsWritable),
        OnUpdate<T>(ID_EDIT_DATETIME, &T::OnUpdateNeedsWritable),
        OnUpdate<T>(ID_EDIT_REPLACE, &T::OnUpdateNeedsWritable),
        OnUpdateRange<T>(ID_INDENT_INCREASE, ID_INDENT_DECREASE, &T::OnUpdateNeedsWritable),
        OnCommand<T>(ID_VIEW_AUTOINDENT, &T::OnViewAutoIndent),
        OnUpdate<T>(ID_VIEW_AUTOINDENT, &T::OnUpdateViewAutoIndent),
        OnCommandRange<T>(ID_INDENT_INCREASE, ID_INDENT_DECREASE, &T::OnIndent),
        OnCommand<T>(ID_EDIT_DELETELINE, &T::OnEditDeleteLine),
        OnCommand<T>(ID_EDIT_DATETIME, &T::OnEditDateTime),
        OnCommand<T>(ID_VIEW_SETFONT, &T::OnViewSetFont),
        OnCommand<T>(ID_VIEW_TABWIDTH, &T::OnViewTabWidth),
        OnCommand<T>(ID_VIEW_GOTOLINE, &T::OnViewGotoLine),
        OnCommand<T>(ID_FILE_PRINT_DIRECT, &T::OnFilePrintDirect),
        OnCommand<T>(ID_FILE_PAGE_SETUP, &T::OnFilePageSetup),
        OnCommand<T>(ID_FILE_PRINT_PREVIEW, &T::OnFilePrintPreview),
        OnCommand<T>(ID_NONTEXT_WARNING, &T::OnNonTextWarning),
        OnUpdate<T>(ID_INDICATOR_LINECOL, &T::OnUpdateLineCol),
        OnUpdate<T>(ID_INDICATOR_OVR, &T::OnUpdateOverwriteIndicator),
        OnUpdate<T>(ID_INDICATOR_MODIFIED, &T::OnUpdateModifiedIndicator),
        OnUpdate<T>(ID_INDICATOR_ENCODING, &T::OnUpdateEncodingIndicator),
    };
    return map;
}

CLumettaView::CLumettaView(QWidget* parent) : CTextControl(parent) {
    CWinApp* app = AfxGetApp();
    m_bSelectionBar = app->GetProfileInt(kSettings, QStringLiteral("bSelectionBar"), 0);
    m_bReadOnly = app->GetProfileInt(kSettings, QStringLiteral("bReadOnly"), 0);
    m_bWordWrap = app->GetProfileInt(kSettings, QStringLiteral("bWordWrap"), 1);
    m_bAutoIndent = app->GetProfileInt(kSettings, QStringLiteral("bAutoFill"), 0);
    m_nTabWidth = app->GetProfileInt(kSettings, QStringLiteral("nTabWidth"), 3);
    if (m_nTabWidth < 1 || m_nTabWidth > 32)
        m_nTabWidth = 3;
    m_bLineNumbers = app->GetProfileInt(kSettings, QStringLiteral("bLineNumbers"), 0);
    app->GetProfileCharFormat(kFont, m_charFormat);
    m_bWordsOnly = app->GetProfileInt(kSearch, QStringLiteral("bWordsOnly"), 0);
    m_bRegularExpression = app->GetProfileInt(kSearch, QStringLiteral("bRegularExpression"), 0);
    m_bMatchCase = app->GetProfileInt(kSearch, QStringLiteral("bMatchCase"), 0);
    m_bSearchBackwards = app->GetProfileInt(kSearch, QStringLiteral("bSearchBackwards"), 0);
    m_bCyclicSearch = app->GetProfileInt(kSearch, QStringLiteral("bCyclicSearch"), 1);
    m_findHistory.LoadFromProfile(*app, app->m_nHistoryItems, kFindHistory);
    m_replaceHistory.LoadFromProfile(*app, app->m_nHistoryItems, kReplaceHistory);
    app->GetProfileRect(kMargins, m_rectMargins);
    // Ten inches a side is already more than a page leaves: a larger or negative margin is
    // a damaged record.
    const auto badMargin = [](int32_t twips) { return twips < 0 || twips > 14400; };
    if (m_rectMargins == rectDefault || badMargin(m_rectMargins.left) ||
        badMargin(m_rectMargins.top) || badMargin(m_rectMargins.right) ||
        badMargin(m_rectMargins.bottom))
        m_rectMargins = RECT{300, 300, 300, 300};
}

CLumettaView::~CLumettaView() {
    if (AfxGetApp() && AfxGetApp()->m_bPersistSettings)
        SaveSettings();
    m_findHistory.RemoveAll();
    m_replaceHistory.RemoveAll();
}

void CLumettaView::SaveSettings() {
    CWinApp* app = AfxGetApp();
    app->WriteProfileInt(kSettings, QStringLiteral("bSelectionBar"), m_bSelectionBar);
    app->WriteProfileInt(kSettings, QStringLiteral("bReadOnly"), m_bReadOnly);
    app->WriteProfileInt(kSettings, QStringLiteral("bWordWrap"), m_bWordWrap);
    app->WriteProfileInt(kSettings, QStringLiteral("bAutoFill"), m_bAutoIndent);
    app->WriteProfileInt(kSettings, QStringLiteral("nTabWidth"), m_nTabWidth);
    app->WriteProfileInt(kSettings, QStringLiteral("bLineNumbers"), m_bLineNumbers);
    app->WriteProfileCharFormat(kFont, m_charFormat);
    app->WriteProfileInt(kSearch, QStringLiteral("bWordsOnly"), m_bWordsOnly);
    app->WriteProfileInt(kSearch, QStringLiteral("bRegularExpression"), m_bRegularExpression);
    app->WriteProfileInt(kSearch, QStringLiteral("bMatchCase"), m_bMatchCase);
    app->WriteProfileInt(kSearch, QStringLiteral("bSearchBackwards"), m_bSearchBackwards);
    app->WriteProfileInt(kSearch, QStringLiteral("bCyclicSearch"), m_bCyclicSearch);
    m_findHistory.SaveToProfile(*app, app->m_nHistoryItems, kFindHistory);
    m_replaceHistory.SaveToProfile(*app, app->m_nHistoryItems, kReplaceHistory);
    app->WriteProfileRect(kMargins, m_rectMargins);
}

void CLumettaView::OnCreate() {
    LimitText(kMaxTextLimit);
    SetSelectionBar(m_bSelectionBar);
    m_bLineNumbers = !m_bLineNumbers;
    ToggleLineNumbers();
    setAccessibleName(QString::fromUtf8(Str::TextAreaName));
    m_bWordWrap = !m_bWordWrap;
    ToggleWordWrap();
    m_bReadOnly = !m_bReadOnly;
    ToggleReadOnly();
    SetDefaultCharFormat(m_charFormat);
    SetTabWidth(m_nTabWidth);
    setAcceptDrops(true);
}

void CLumettaView::OnInitialUpdate() {
    EmptyUndoBuffer();
    m_bHexView = 0;
    EndPagedDump();
}

void CLumettaView::ShowPagedDump(std::unique_ptr<CReadFile> file) {
    m_pHexPager = std::make_unique<CHexPager>(*this, std::move(file));
}

void CLumettaView::EndPagedDump() {
    m_pHexPager.reset();
}

void CLumettaView::ToggleReadOnly() {
    m_bReadOnly = !m_bReadOnly;
    SetReadOnly(m_bReadOnly);
    SetBackgroundColor(palette().color(m_bReadOnly ? QPalette::Window : QPalette::Base));
}

void CLumettaView::ToggleWordWrap() {
    m_bWordWrap = !m_bWordWrap;
    CWaitCursor wait;
    SetWordWrap(m_bWordWrap);
    SayIfWrapSuspended();
}

void CLumettaView::ToggleLineNumbers() {
    m_bLineNumbers = !m_bLineNumbers;
    SetLineNumbers(m_bLineNumbers);
}

void CLumettaView::SayIfWrapSuspended() {
    if (IsWrapSuspended())
        ShowStatusMessage(QString::fromUtf8(Str::WrapSuspended).arg(kMaxWrappedLine), false);
}

void CLumettaView::ShowStatusMessage(const QString& text, bool bBeep) {
    if (CFrameWnd* frame = GetParentFrame(this))
        frame->ShowStatusMessage(text, bBeep);
}

QString CLumettaView::CannotHoldText(char32_t c) const {
    return QString::fromUtf8(Str::CannotHold)
        .arg(
            QString::fromUcs4(&c, 1),
            QString::number(static_cast<uint>(c), 16).toUpper().rightJustified(4, QLatin1Char('0')),
            QString::fromUtf8(EncodingName(GetEncoding())));
}

QString CLumettaView::CannotSaveText(const QString& path, char32_t c, FileEncoding encoding) const {
    // The text is written in order: the first character refused is where that one first is.
    QByteArray utf8;
    AppendUtf8(utf8, c);
    const long length = GetTextLength();
    const char* text = Text().RangePointer(0, length);
    const char* found = std::search(text, text + length, utf8.constData(), utf8.constEnd());
    const long at = static_cast<long>(found - text);
    return QString::fromUtf8(Str::CannotSaveCharacter)
        .arg(
            path, QString::fromUcs4(&c, 1),
            QString::number(static_cast<uint>(c), 16).toUpper().rightJustified(4, QLatin1Char('0')))
        .arg(LineFromChar(std::min(at, length)) + 1)
        .arg(QString::fromUtf8(EncodingName(encoding)));
}

void CLumettaView::OnLoadProgress(double done) {
    if (m_pLoadProgress)
        m_pLoadProgress->Update(done);
}

void CLumettaView::OnInputRefused(char32_t c) {
    ShowStatusMessage(CannotHoldText(c), true);
}

QString CLumettaView::DocumentPath() const {
    return m_pDocument ? m_pDocument->GetPathName() : QString();
}

void CLumettaView::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        StreamText(ar, SF_TEXT);
        return;
    }
    int format = SF_TEXT;
    if (m_bReadOnly) {
        const QString name = QFileInfo(ar.GetFile()->GetFilePath()).fileName();
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot >= 0 && name.mid(dot + 1).compare(QLatin1String("rtf"), Qt::CaseInsensitive) == 0)
            format = SF_RTF;
    }
    StreamText(ar, format);
    if (LoadedBadUtf16())
        ShowStatusMessage(QString::fromUtf8(Str::NotUtf16), true);
    SayIfWrapSuspended();
    CheckNonText();
}

void CLumettaView::CheckNonText() {
    // A character with code 1 anywhere: plain text has none.
    if (!LoadedMarkerByte() || FindInRange(QString(QChar(1)), CHARRANGE{0, GetTextLength()}) == -1)
        return;
    // Said once the load is over, after the new caption and text are in place.
    if (CFrameWnd* frame = GetParentFrame(this))
        QMetaObject::invokeMethod(
            frame, [frame] { frame->Router().Execute(ID_NONTEXT_WARNING); }, Qt::QueuedConnection);
}

void CLumettaView::OnNonTextWarning() {
    ShowStatusMessage(QString::fromUtf8(m_bReadOnly ? Str::NonTextReadOnly : Str::NonTextEditable),
                      true);
}

void CLumettaView::StreamText(CArchive& ar, int format) {
    CFile* file = ar.GetFile();
    // Refused whole rather than cut short: a later save would lose the rest of the file.
    const auto tooLarge = [&] {
        return CFileException(
            CFileException::generic, 0, file->GetFilePath(),
            QString::fromUtf8(Str::FileTooLarge).arg(file->GetFilePath()).arg(GetLimitText()));
    };
    if (ar.IsLoading() && file->GetLength() > GetLimitText())
        throw tooLarge();
    StreamCookie cookie{&ar, 0, QString(), CContentHash()};
    EDITSTREAM es;
    es.dwCookie = reinterpret_cast<uintptr_t>(&cookie);
    es.pfnCallback = StreamCallback;
    if (ar.IsLoading()) {
        const CLoadGuard loading;
        const CSingleDocTemplate* docTemplate = m_pDocument ? m_pDocument->m_pDocTemplate : nullptr;
        CLoadProgress progress(GetParentFrame(this), this,
                               !docTemplate || docTemplate->OpensVisibly());
        m_pLoadProgress = &progress;
        const auto forget = qScopeGuard([this] { m_pLoadProgress = nullptr; });
        StreamIn(format, es, file->GetLength());
    } else {
        StreamOut(format, es);
    }
    if (cookie.error != 0)
        throw CFileException(static_cast<int>(cookie.error), 0, QString(), cookie.message);
    if (es.dwError == kErrTextLimit)
        throw tooLarge();
    if (es.dwError == kErrLineTooLong)
        throw CFileException(CFileException::generic, 0, file->GetFilePath(),
                             QString::fromUtf8(Str::LineTooLong)
                                 .arg(file->GetFilePath())
                                 .arg(static_cast<qint64>(CTextLoader::kLongestLine)));
    if (es.dwError == kErrNotDecodable) {
        const Undecodable& bad = Undecoded();
        throw CFileException(
            CFileException::generic, 0, file->GetFilePath(),
            QString::fromUtf8(Str::NotDecodable)
                .arg(file->GetFilePath(), QString::fromUtf8(EncodingName(bad.encoding)))
                .arg(bad.offset)
                .arg(QString::number(bad.byte, 16).toUpper().rightJustified(2, QLatin1Char('0'))));
    }
    if (es.dwError == kErrCannotHold) {
        const QString path = file->GetFilePath();
        const QString encoding = QString::fromUtf8(EncodingName(GetEncoding()));
        const char32_t bad = RefusedCharacter();
        if (ar.IsStoring() && bad)
            throw CFileException(CFileException::generic, 0, path,
                                 CannotSaveText(path, bad, GetEncoding()));
        if (ar.IsStoring())
            throw CFileException(CFileException::generic, 0, path,
                                 QString::fromUtf8(Str::CannotSave).arg(path, encoding));
        throw CInsertRefused{bad ? CannotHoldText(bad)
                                 : QString::fromUtf8(Str::InsertNotText).arg(path, encoding)};
    }
    // A stored text counts as saved only once the file on disk holds it, which the document
    // knows and this does not.
    if (!(format & SFF_SELECTION))
        m_nStreamHash = cookie.hash.Value();
    if (ar.IsLoading() && !(format & SFF_SELECTION))
        SetModify(false);
}

void CLumettaView::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Insert && e->modifiers() == Qt::NoModifier) {
        OnEditOverwrite();
        e->accept();
        return;
    }
    const bool newLine = (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
                         !(e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier));
    if (newLine && m_bAutoIndent && !m_bReadOnly)
        AutoIndentStep(e);
    else
        CTextControl::keyPressEvent(e);
}

void CLumettaView::changeEvent(QEvent* e) {
    CTextControl::changeEvent(e);
    // The desktop's colours changed: the editor follows them, read-only staying distinct.
    if (e->type() == QEvent::PaletteChange || e->type() == QEvent::ApplicationPaletteChange)
        SetBackgroundColor(palette().color(m_bReadOnly ? QPalette::Window : QPalette::Base));
}

void CLumettaView::dragEnterEvent(QDragEnterEvent* e) {
    if (!LocalFilesOf(e->mimeData()).isEmpty())
        e->acceptProposedAction();
    else
        CTextControl::dragEnterEvent(e);
}

void CLumettaView::dragMoveEvent(QDragMoveEvent* e) {
    if (!LocalFilesOf(e->mimeData()).isEmpty())
        e->acceptProposedAction();
    else
        CTextControl::dragMoveEvent(e);
}

void CLumettaView::dropEvent(QDropEvent* e) {
    const QStringList files = LocalFilesOf(e->mimeData());
    if (files.isEmpty()) {
        // Text dropped while a load runs would land in the text the load replaces.
        if (CLoadGuard::Active())
            e->ignore();
        else
            CTextControl::dropEvent(e);
        return;
    }
    e->acceptProposedAction();
    if (CFrameWnd* frame = GetParentFrame(this))
        frame->OnDropFiles(files);
}

void CLumettaView::contextMenuEvent(QContextMenuEvent* e) {
    if (CFrameWnd* frame = GetParentFrame(this))
        frame->ShowEditMenu(e->globalPos());
}

void CLumettaView::OnEditUndo() {
    Undo();
}
void CLumettaView::OnEditRedo() {
    Redo();
}

void CLumettaView::OnViewZoom(int id) {
    if (id == ID_VIEW_ZOOMIN)
        ZoomIn();
    else if (id == ID_VIEW_ZOOMOUT)
        ZoomOut();
    else
        ZoomReset();
}
void CLumettaView::OnEditSelectAll() {
    SetSel(0, -1);
}
void CLumettaView::OnEditCut() {
    Cut();
}
void CLumettaView::OnEditPaste() {
    Paste();
}

void CLumettaView::OnEditCopy() {
    CHARRANGE sel;
    GetSel(sel);
    if (sel.cpMin != sel.cpMax) {
        Copy();
        return;
    }
    const long start = LineIndex(-1);
    const long length = LineLength(-1);
    SetSel(start, start + length);
    if (length > 0)
        Copy();
    SetSel(sel);
}

// The Insert key and the command: never while read-only.
void CLumettaView::OnEditOverwrite() {
    if (!m_bReadOnly)
        SetOverwrite(!m_bOverwrite);
}

void CLumettaView::OnViewReadOnly() {
    ToggleReadOnly();
}
void CLumettaView::OnViewWordWrap() {
    ToggleWordWrap();
}
void CLumettaView::OnViewLineNumbers() {
    ToggleLineNumbers();
}

void CLumettaView::OnUpdateEditUndo(CCmdUI* pCmdUI) {
    pCmdUI->Enable(CanUndo());
}
void CLumettaView::OnUpdateEditRedo(CCmdUI* pCmdUI) {
    pCmdUI->Enable(CanRedo());
}

void CLumettaView::OnUpdateEditCut(CCmdUI* pCmdUI) {
    CHARRANGE sel;
    GetSel(sel);
    pCmdUI->Enable(!m_bReadOnly && sel.cpMin != sel.cpMax);
}

void CLumettaView::OnUpdateEditPaste(CCmdUI* pCmdUI) {
    pCmdUI->Enable(!m_bReadOnly && CanPaste());
}

void CLumettaView::OnUpdateEditOverwrite(CCmdUI* pCmdUI) {
    pCmdUI->SetCheck(m_bOverwrite);
    pCmdUI->Enable(!m_bReadOnly);
}

void CLumettaView::OnUpdateViewReadOnly(CCmdUI* pCmdUI) {
    pCmdUI->SetCheck(m_bReadOnly);
    // A window of a dump is no text to edit: the text is shown again first.
    pCmdUI->Enable(!m_pHexPager);
}
void CLumettaView::OnUpdateViewWordWrap(CCmdUI* pCmdUI) {
    pCmdUI->SetCheck(m_bWordWrap);
}
void CLumettaView::OnUpdateViewLineNumbers(CCmdUI* pCmdUI) {
    pCmdUI->SetCheck(m_bLineNumbers);
}
void CLumettaView::OnUpdateFileSave(CCmdUI* pCmdUI) {
    pCmdUI->Enable(GetModify());
}
void CLumettaView::OnUpdateNeedsWritable(CCmdUI* pCmdUI) {
    pCmdUI->Enable(!m_bReadOnly);
}

void CLumettaView::OnUpdateLineCol(CCmdUI* pCmdUI) {
    CHARRANGE sel;
    GetSel(sel);
    const long line = (m_pHexPager ? m_pHexPager->FirstLine() : 0) + LineFromChar(-1);
    if (m_bHexView)
        pCmdUI->SetText(QString::asprintf("Off=0x%06lX", line * 16));
    else
        pCmdUI->SetText(QString::asprintf("Ln %ld, Col %ld", line + 1, ColumnOf(sel.cpMin) + 1));
}

void CLumettaView::OnUpdateOverwriteIndicator(CCmdUI* pCmdUI) {
    pCmdUI->SetText(m_bOverwrite ? QStringLiteral("OVR") : QString());
}

void CLumettaView::OnUpdateModifiedIndicator(CCmdUI* pCmdUI) {
    pCmdUI->SetText(GetModify() ? QStringLiteral("*") : QString());
}

void CLumettaView::OnUpdateEncodingIndicator(CCmdUI* pCmdUI) {
    pCmdUI->SetText(QString::fromUtf8(EncodingName(GetEncoding())) + QStringLiteral("  ") +
                    LineEndsName());
}
