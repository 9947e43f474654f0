#include "view/textcontrol.h"

#include "text/linetransforms.h"
#include "view/caretroom.h"
#include "view/componentlayout.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPalette>
#include <QScopeGuard>
#include <QWheelEvent>

#include <algorithm>
#include <functional>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>


namespace {
constexpr long kStreamPiece = 1 << 18;
// The exact bytes of text cut or copied in Zorvek, beside the text other programs take.
const QString kBytesFormat = QStringLiteral("application/x-zorvek-text-bytes");

long KeyDef(int key, int modifiers) {
    return key | (modifiers << 16);
}

constexpr unsigned long kStrikeIndicator = 8;
} // namespace

CTextControl::CTextControl(QWidget* parent) : QsciScintillaBase(parent) {
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](long position, int type, const char*, long length, long linesAdded, long, int,
                   int, int token, int) {
                if ((type & SC_MOD_CONTAINER) && (type & (SC_PERFORMED_UNDO | SC_PERFORMED_REDO)))
                    m_nPendingBulk = token;
                if ((type & SC_MOD_INSERTTEXT) && m_bStrikeOut) {
                    Sci(SCI_SETINDICATORCURRENT, kStrikeIndicator);
                    Sci(SCI_INDICATORFILLRANGE, static_cast<unsigned long>(position),
                        static_cast<long>(length));
                }
                KeepColumnMark(type, position, length, linesAdded);
                // Edited text needs no styling (see SCN_STYLENEEDED below). Saying so at once
                // keeps the component from asking at the next paint, which it takes for a change
                // of styles: the shown lines would be compared whole with their layouts.
                if (type & (SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT))
                    Sci(SCI_STARTSTYLING, static_cast<unsigned long>(GetTextLength()));
            });
    // Our texts carry their styles already (plain text has one, rich text is styled when loaded).
    // Saying so when asked keeps the component from taking every paint as a change of styles,
    // which lays out the lines shown again from scratch: seconds for a line of many megabytes.
    connect(this, &QsciScintillaBase::SCN_STYLENEEDED, this,
            [this](long position) { Sci(SCI_STARTSTYLING, static_cast<unsigned long>(position)); });
    // Bulk replacements, insertions and deletions are all that needs telling about: other
    // notices would slow every edit down.
    Sci(SCI_SETMODEVENTMASK, static_cast<unsigned long>(SC_MOD_CONTAINER | SC_MOD_INSERTTEXT |
                                                        SC_MOD_BEFOREDELETE | SC_MOD_DELETETEXT));
    // Lines come and go without notices (they would slow every edit down): the margin
    // follows the line count whenever the component brings the window up to date.
    connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, &CTextControl::UpdateLineNumberWidth);
    m_pCaretRoom = new CCaretRoom(*this);
    Sci(SCI_USEPOPUP, 0UL);
    Sci(SCI_SETMARGINWIDTHN, 0UL, 0L);
    Sci(SCI_SETMARGINWIDTHN, 1UL, 0L);
    Sci(SCI_SETMARGINWIDTHN, 2UL, 0L);
    Sci(SCI_SETSCROLLWIDTH, 1UL);
    Sci(SCI_SETSCROLLWIDTHTRACKING, 1UL);
    Sci(SCI_SETPASTECONVERTENDINGS, 1UL);
    ApplyKeyBindings();
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            &CTextControl::ClipboardChanged);
    ClipboardChanged();
    m_defaultFormat.SetFaceName(QStringLiteral("Monospace"));
    m_defaultFormat.yHeight = 200;
    m_background = palette().color(QPalette::Base);
    ApplyStyles();
    ApplyDocumentProperties();
}

namespace {
// The keys the component keeps: moving the caret, extending the selection, deleting and new
// lines. Everything else is the program's commands' or typed text.
struct KeyBinding {
    int qtKey;
    int sciKey;
    int modifiers;
    unsigned int message;
};
using S = QsciScintillaBase;
const KeyBinding kKeyBindings[] = {
    {Qt::Key_Down, S::SCK_DOWN, 0, S::SCI_LINEDOWN},
    {Qt::Key_Down, S::SCK_DOWN, S::SCMOD_SHIFT, S::SCI_LINEDOWNEXTEND},
    {Qt::Key_Down, S::SCK_DOWN, S::SCMOD_CTRL, S::SCI_LINESCROLLDOWN},
    {Qt::Key_Up, S::SCK_UP, 0, S::SCI_LINEUP},
    {Qt::Key_Up, S::SCK_UP, S::SCMOD_SHIFT, S::SCI_LINEUPEXTEND},
    {Qt::Key_Up, S::SCK_UP, S::SCMOD_CTRL, S::SCI_LINESCROLLUP},
    {Qt::Key_Left, S::SCK_LEFT, 0, S::SCI_CHARLEFT},
    {Qt::Key_Left, S::SCK_LEFT, S::SCMOD_SHIFT, S::SCI_CHARLEFTEXTEND},
    {Qt::Key_Left, S::SCK_LEFT, S::SCMOD_CTRL, S::SCI_WORDLEFT},
    {Qt::Key_Left, S::SCK_LEFT, S::SCMOD_CTRL | S::SCMOD_SHIFT, S::SCI_WORDLEFTEXTEND},
    {Qt::Key_Right, S::SCK_RIGHT, 0, S::SCI_CHARRIGHT},
    {Qt::Key_Right, S::SCK_RIGHT, S::SCMOD_SHIFT, S::SCI_CHARRIGHTEXTEND},
    {Qt::Key_Right, S::SCK_RIGHT, S::SCMOD_CTRL, S::SCI_WORDRIGHT},
    {Qt::Key_Right, S::SCK_RIGHT, S::SCMOD_CTRL | S::SCMOD_SHIFT, S::SCI_WORDRIGHTEXTEND},
    {Qt::Key_Home, S::SCK_HOME, 0, S::SCI_HOME},
    {Qt::Key_Home, S::SCK_HOME, S::SCMOD_SHIFT, S::SCI_HOMEEXTEND},
    {Qt::Key_Home, S::SCK_HOME, S::SCMOD_CTRL, S::SCI_DOCUMENTSTART},
    {Qt::Key_Home, S::SCK_HOME, S::SCMOD_CTRL | S::SCMOD_SHIFT, S::SCI_DOCUMENTSTARTEXTEND},
    {Qt::Key_End, S::SCK_END, 0, S::SCI_LINEEND},
    {Qt::Key_End, S::SCK_END, S::SCMOD_SHIFT, S::SCI_LINEENDEXTEND},
    {Qt::Key_End, S::SCK_END, S::SCMOD_CTRL, S::SCI_DOCUMENTEND},
    {Qt::Key_End, S::SCK_END, S::SCMOD_CTRL | S::SCMOD_SHIFT, S::SCI_DOCUMENTENDEXTEND},
    {Qt::Key_PageUp, S::SCK_PRIOR, 0, S::SCI_PAGEUP},
    {Qt::Key_PageUp, S::SCK_PRIOR, S::SCMOD_SHIFT, S::SCI_PAGEUPEXTEND},
    {Qt::Key_PageDown, S::SCK_NEXT, 0, S::SCI_PAGEDOWN},
    {Qt::Key_PageDown, S::SCK_NEXT, S::SCMOD_SHIFT, S::SCI_PAGEDOWNEXTEND},
    {Qt::Key_Delete, S::SCK_DELETE, 0, S::SCI_CLEAR},
    {Qt::Key_Delete, S::SCK_DELETE, S::SCMOD_CTRL, S::SCI_DELWORDRIGHT},
    {Qt::Key_Backspace, S::SCK_BACK, 0, S::SCI_DELETEBACK},
    {Qt::Key_Backspace, S::SCK_BACK, S::SCMOD_SHIFT, S::SCI_DELETEBACK},
    {Qt::Key_Backspace, S::SCK_BACK, S::SCMOD_CTRL, S::SCI_DELWORDLEFT},
    // Shift+Enter too, as auto indent counts it a new line.
    {Qt::Key_Return, S::SCK_RETURN, 0, S::SCI_NEWLINE},
    {Qt::Key_Return, S::SCK_RETURN, S::SCMOD_SHIFT, S::SCI_NEWLINE},
    {Qt::Key_Enter, S::SCK_RETURN, 0, S::SCI_NEWLINE},
    {Qt::Key_Enter, S::SCK_RETURN, S::SCMOD_SHIFT, S::SCI_NEWLINE},
};

int SciModifiers(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? S::SCMOD_SHIFT : 0) |
           (m & Qt::ControlModifier ? S::SCMOD_CTRL : 0) |
           (m & Qt::AltModifier ? S::SCMOD_ALT : 0) | (m & Qt::MetaModifier ? S::SCMOD_META : 0);
}

bool IsBound(int qtKey, Qt::KeyboardModifiers m) {
    const int modifiers = SciModifiers(m);
    return std::any_of(std::begin(kKeyBindings), std::end(kKeyBindings), [&](const KeyBinding& b) {
        return b.qtKey == qtKey && b.modifiers == modifiers;
    });
}
} // namespace

void CTextControl::ApplyKeyBindings() {
    Sci(SCI_CLEARALLCMDKEYS);
    for (const KeyBinding& b : kKeyBindings)
        Sci(SCI_ASSIGNCMDKEY, static_cast<unsigned long>(KeyDef(b.sciKey, b.modifiers)),
            static_cast<long>(b.message));
}

void CTextControl::keyPressEvent(QKeyEvent* e) {
    const Qt::KeyboardModifiers modifiers = e->modifiers() & ~Qt::KeypadModifier;
    if (e->key() == Qt::Key_Tab && modifiers == Qt::NoModifier) {
        TypeChar('\t');
        e->accept();
        return;
    }
    // A chord is a command's or nothing: its key's text is never typed.
    const bool chord = modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (chord && !IsBound(e->key(), modifiers)) {
        e->accept();
        return;
    }
    // A typed character the file cannot hold is refused, never stored as something else.
    const QString text = e->text();
    if (!chord && !text.isEmpty() && text[0].isPrint() && !m_bReadOnly) {
        if (const char32_t bad = Unholdable(text)) {
            e->accept();
            OnInputRefused(bad);
            return;
        }
    }
    QsciScintillaBase::keyPressEvent(e);
}

void CTextControl::wheelEvent(QWheelEvent* e) {
    if (!(e->modifiers() & Qt::ControlModifier)) {
        QsciScintillaBase::wheelEvent(e);
        return;
    }
    const int delta = e->angleDelta().y();
    if (delta > 0)
        ZoomIn();
    else if (delta < 0)
        ZoomOut();
    e->accept();
}

void CTextControl::ZoomIn() {
    Sci(SCI_ZOOMIN);
}
void CTextControl::ZoomOut() {
    Sci(SCI_ZOOMOUT);
}
void CTextControl::ZoomReset() {
    Sci(SCI_SETZOOM, 0UL);
}
int CTextControl::GetZoom() const {
    return static_cast<int>(Sci(SCI_GETZOOM));
}

long CTextControl::GetTextLength() const {
    return Sci(SCI_GETLENGTH);
}

QString CTextControl::LineEndsName() const {
    if (m_bMixedLineEnds)
        return QStringLiteral("mixed");
    switch (m_eLineEnd) {
    case LineEnd::CrLf:
        return QStringLiteral("CRLF");
    case LineEnd::Cr:
        return QStringLiteral("CR");
    case LineEnd::Lf:
        break;
    }
    return QStringLiteral("LF");
}

bool CTextControl::CanWriteIn(FileEncoding encoding, char32_t* refused) const {
    return WriteText(
        Text(), 0, GetTextLength(), encoding, false, [](const char*, long) { return true; },
        refused);
}

void CTextControl::ConvertLineEnds(LineEnd to) {
    Text().ConvertLineEnds(to);
    m_eLineEnd = to;
    m_bMixedLineEnds = false;
    Sci(SCI_SETEOLMODE, static_cast<unsigned long>(m_eLineEnd));
}

void CTextControl::SetEmpty() {
    ShowPlainText(CTextDocument(), LineEnd::Lf);
}

void CTextControl::ShowPlainText(const CTextDocument& text, LineEnd lineEnd) {
    m_bOverlongLine = false;
    Show(text);
    m_encoding = TextEncoding::Utf8;
    m_bBadUtf16 = false;
    m_bMarkerByte = false;
    m_eLineEnd = lineEnd;
    m_bMixedLineEnds = false;
    m_rich = RtfDocument();
    m_bRichText = false;
    ApplyDocumentProperties();
    ApplyStyles();
}

void CTextControl::ShowRichText(LoadedRichText& loaded) {
    void* previous = TakeShownDocument();
    Show(loaded.text);
    Sci(SCI_RELEASEDOCUMENT, 0UL, previous);
    m_bOverlongLine = loaded.overlongLine;
    m_bMarkerByte = loaded.markerByte;
    m_eLineEnd = loaded.lineEnd;
    m_bMixedLineEnds = false;
    m_encoding = TextEncoding::Utf8;
    m_bBadUtf16 = false;
    m_rich.formats = std::move(loaded.rich.formats);
    m_rich.fonts = std::move(loaded.rich.fonts);
    m_rich.colors = std::move(loaded.rich.colors);
    m_bRichText = true;
    ApplyDocumentProperties();
    ApplyStyles();
    StyleRichText(loaded.rich.runs);
}

// Styles 32 to 39 belong to the component; the formats get the others, as far as they go.
unsigned long CTextControl::RichStyle(size_t format) {
    if (format >= kRichStyles)
        return 0;
    return format < 32 ? format : format + 8;
}

// The component keeps each character's style: a change of font or colours only redefines them.
void CTextControl::ApplyRichStyles() {
    const QColor text = palette().color(QPalette::Text);
    for (size_t k = 0; k < std::min(m_rich.formats.size(), kRichStyles); ++k) {
        const RtfFormat& f = m_rich.formats[k];
        const unsigned long style = RichStyle(k);
        const std::string face = f.font >= 0 && f.font < static_cast<int>(m_rich.fonts.size()) &&
                                         !m_rich.fonts[f.font].empty()
                                     ? m_rich.fonts[f.font]
                                     : m_defaultFormat.szFaceName.toStdString();
        Sci(SCI_STYLESETFONT, style, face.c_str());
        Sci(SCI_STYLESETSIZEFRACTIONAL, style, static_cast<long>(f.halfPoints) * 50);
        Sci(SCI_STYLESETBOLD, style, static_cast<long>(f.bold));
        Sci(SCI_STYLESETITALIC, style, static_cast<long>(f.italic));
        Sci(SCI_STYLESETUNDERLINE, style, static_cast<long>(f.underline));
        const bool colored = f.color > 0 && f.color < static_cast<int>(m_rich.colors.size());
        const uint32_t rgb = colored ? m_rich.colors[f.color] : 0;
        Sci(SCI_STYLESETFORE, style,
            colored ? QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF) : text);
        Sci(SCI_STYLESETBACK, style, m_background);
    }
}

// Styles go to the component a large piece at a time: files with millions of runs exist.
void CTextControl::StyleRichText(const std::deque<RtfRun>& runs) {
    constexpr size_t kPiece = 1 << 16;
    std::string styles;
    styles.reserve(kPiece + 0xFFFF);
    const auto flushStyles = [&] {
        Sci(SCI_SETSTYLINGEX, static_cast<unsigned long>(styles.size()), styles.data());
        styles.clear();
    };
    Sci(SCI_SETINDICATORCURRENT, kStrikeIndicator);
    long struckFrom = -1;
    long pos = 0;
    const auto endStrike = [&] {
        if (struckFrom >= 0)
            Sci(SCI_INDICATORFILLRANGE, static_cast<unsigned long>(struckFrom), pos - struckFrom);
        struckFrom = -1;
    };
    Sci(SCI_STARTSTYLING, 0UL, 0L);
    for (const RtfRun& run : runs) {
        styles.append(run.length, static_cast<char>(RichStyle(run.format)));
        if (styles.size() >= kPiece)
            flushStyles();
        if (!m_rich.formats[run.format].strike)
            endStrike();
        else if (struckFrom < 0)
            struckFrom = pos;
        pos += run.length;
    }
    flushStyles();
    endStrike();
}

QByteArray CTextControl::GetText() const {
    return GetTextRange(0, GetTextLength());
}

void CTextControl::GetSel(CHARRANGE& range) const {
    range.cpMin = Sci(SCI_GETSELECTIONSTART);
    range.cpMax = Sci(SCI_GETSELECTIONEND);
}

void CTextControl::SetSel(long cpMin, long cpMax) {
    const long length = GetTextLength();
    if (cpMin < 0) { // a negative start removes the selection, leaving the caret where it is
        const long caret = Sci(SCI_GETCURRENTPOS);
        Sci(SCI_SETSEL, caret, caret);
        return;
    }
    if (cpMax < 0 || cpMax > length)
        cpMax = length;
    cpMin = std::min(cpMin, length);
    Sci(SCI_SETSEL, cpMin, cpMax);
    // Up and Down go on from here, not from the column the caret had before.
    Sci(SCI_CHOOSECARETX);
}

QByteArray CTextControl::GetTextRange(long cpMin, long cpMax) const {
    const long length = GetTextLength();
    cpMin = std::clamp(cpMin, 0L, length);
    cpMax = std::clamp(cpMax, cpMin, length);
    if (cpMax == cpMin)
        return QByteArray();
    const auto* p = reinterpret_cast<const char*>(
        Sci(SCI_GETRANGEPOINTER, static_cast<unsigned long>(cpMin), cpMax - cpMin));
    return QByteArray(p, cpMax - cpMin);
}

QByteArray CTextControl::GetSelText() const {
    CHARRANGE cr;
    GetSel(cr);
    return GetTextRange(cr.cpMin, cr.cpMax);
}

void CTextControl::ReplaceSel(const QByteArray& text) {
    Sci(SCI_TARGETFROMSELECTION);
    Sci(SCI_REPLACETARGET, static_cast<unsigned long>(text.size()), text.constData());
    const long end = Sci(SCI_GETTARGETEND);
    Sci(SCI_SETSEL, end, end);
}

void CTextControl::InsertText(long pos, const QByteArray& text) {
    Sci(SCI_SETTARGETRANGE, static_cast<unsigned long>(pos), pos);
    Sci(SCI_REPLACETARGET, static_cast<unsigned long>(text.size()), text.constData());
}

void CTextControl::DeleteRange(long pos, long length) {
    Sci(SCI_DELETERANGE, static_cast<unsigned long>(pos), length);
}

ReplaceAllResult CTextControl::ReplaceAll(const ReplaceAllRequest& request,
                                          const std::function<bool(double)>& cancelled) {
    CTextDocument text = Text();
    ReplaceAllResult result = ::ReplaceAll(text, m_search, request, cancelled);
    if (result.cancelled || result.record.empty())
        return result;
    // A new step ends every redo, so the undone records can never come back.
    m_bulkUndo.resize(m_nBulkDone);
    m_bulkUndo.push_back(std::move(result.record));
    m_nBulkDone = m_bulkUndo.size();
    // One step in the component's history stands for the whole record.
    Sci(SCI_ADDUNDOACTION, static_cast<unsigned long>(m_bulkUndo.size()), 0L);
    return result;
}

void CTextControl::SwapBulk(size_t record, bool backwards) {
    CTextDocument text = Text();
    const long first = ::SwapBulk(text, m_bulkUndo[record], backwards);
    Sci(SCI_SETSEL, first, first);
}

void CTextControl::BeginUndoAction() {
    Sci(SCI_BEGINUNDOACTION);
}
void CTextControl::EndUndoAction() {
    Sci(SCI_ENDUNDOACTION);
}

long CTextControl::FormatRange(bool draw, QPainter* painter, const QRect& render, const QRect& page,
                               long cpMin, long cpMax) {
    if (!painter) {
        m_printPager.Reset();
        return Sci(SCI_FORMATRANGE, 0UL, 0L);
    }
    // Printed on white, whatever the editor's background, and wrapped, whatever the view does:
    // every byte reaches the paper.
    Sci(SCI_SETPRINTCOLOURMODE, static_cast<unsigned long>(SC_PRINT_COLOURONWHITEDEFAULTBG));
    Sci(SCI_SETPRINTWRAPMODE, static_cast<unsigned long>(SC_WRAP_WORD));
    CComponentLayout layout(*this, painter, page);
    return m_printPager.FormatPage(layout, draw, render, cpMin, cpMax);
}

void CTextControl::SetTabStops(int blanks) {
    m_nTabBlanks = blanks;
    Sci(SCI_SETTABWIDTH, static_cast<unsigned long>(blanks));
}

void CTextControl::Cut() {
    if (!CopySelection())
        Sci(SCI_CUT);
    else if (!m_bReadOnly)
        ReplaceSel(QByteArray());
}

void CTextControl::Copy() {
    if (!CopySelection())
        Sci(SCI_COPY);
}

bool CTextControl::CopySelection() {
    if (Sci(SCI_GETSELECTIONS) != 1 || Sci(SCI_GETSELECTIONEMPTY))
        return false;
    const QByteArray bytes = GetSelText();
    auto* data = new QMimeData;
    // Other programs get the text as the component gives it: a NUL as a blank, a byte that is
    // no UTF-8 as a replacement character.
    QByteArray text = bytes;
    data->setText(QString::fromUtf8(text.replace('\0', ' ')));
    data->setData(kBytesFormat, bytes);
    QApplication::clipboard()->setMimeData(data);
    return true;
}

void CTextControl::Paste() {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data)
        return;
    QByteArray bytes = data->data(kBytesFormat);
    Utf8Validator utf8;
    utf8.Feed(bytes.constData(), static_cast<size_t>(bytes.size()));
    // Bytes that are no UTF-8 have no place in a decoded text: its encoding has no form for
    // them. There, as for another program's text, the text is pasted, its line ends made the
    // text's own: by the component, which stops at a NUL, unless it holds one.
    if (bytes.isEmpty() || (IsDecoded(m_encoding) && !utf8.IsValid())) {
        const QString text = data->text();
        if (!text.contains(QChar(0))) {
            Sci(SCI_PASTE);
            return;
        }
        bytes = WithLineEnds(text.toUtf8(), m_eLineEnd);
    }
    if (m_bReadOnly)
        return;
    if (const char32_t bad = Unholdable(QString::fromUtf8(bytes))) {
        OnInputRefused(bad);
        return;
    }
    ReplaceSel(bytes);
    Sci(SCI_SCROLLCARET);
}
void CTextControl::Clear() {
    Sci(SCI_CLEAR);
}
// Undo and redo stay available in read-only mode: the component refuses them there, so
// read-only is lifted around them.
void CTextControl::Undo() {
    Sci(SCI_SETREADONLY, 0UL);
    m_nPendingBulk = 0;
    Sci(SCI_UNDO);
    if (m_nPendingBulk > 0 && m_nPendingBulk <= static_cast<int>(m_bulkUndo.size())) {
        // The component has stepped back over a bulk replacement; put its text back now.
        SwapBulk(m_nPendingBulk - 1, true);
        m_nBulkDone = m_nPendingBulk - 1;
    }
    Sci(SCI_SETREADONLY, static_cast<unsigned long>(m_bReadOnly));
}

bool CTextControl::CanUndo() const {
    Sci(SCI_SETREADONLY, 0UL);
    const bool can = Sci(SCI_CANUNDO) != 0;
    Sci(SCI_SETREADONLY, static_cast<unsigned long>(m_bReadOnly));
    return can;
}

void CTextControl::Redo() {
    Sci(SCI_SETREADONLY, 0UL);
    m_nPendingBulk = 0;
    Sci(SCI_REDO);
    if (m_nPendingBulk > 0 && m_nPendingBulk <= static_cast<int>(m_bulkUndo.size())) {
        SwapBulk(m_nPendingBulk - 1, false);
        m_nBulkDone = m_nPendingBulk;
    }
    Sci(SCI_SETREADONLY, static_cast<unsigned long>(m_bReadOnly));
}

bool CTextControl::CanRedo() const {
    Sci(SCI_SETREADONLY, 0UL);
    const bool can = Sci(SCI_CANREDO) != 0;
    Sci(SCI_SETREADONLY, static_cast<unsigned long>(m_bReadOnly));
    return can;
}

void CTextControl::EmptyUndoBuffer() {
    // Forgetting the undo steps must not forget that the text differs from the file.
    const bool modified = GetModify();
    Sci(SCI_EMPTYUNDOBUFFER);
    m_bulkUndo.clear();
    m_nBulkDone = 0;
    if (!modified)
        Sci(SCI_SETSAVEPOINT);
}

bool CTextControl::CanPaste() const {
    return m_bClipboardHasText;
}

void CTextControl::ClipboardChanged() {
    // Asked here, once per change: asking another program's clipboard is a round trip.
    const QMimeData* data = QApplication::clipboard()->mimeData();
    m_bClipboardHasText = data && data->hasText();
}

bool CTextControl::GetModify() const {
    return m_bForcedModify || Sci(SCI_GETMODIFY) != 0;
}

void CTextControl::MakeUndoableFrom(const QByteArray& before) {
    const QByteArray after = GetText();
    const qsizetype most = std::min(before.size(), after.size());
    qsizetype prefix = 0;
    while (prefix < most && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < most - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    // Whole characters only: the ends of the part that differs are not in the middle of one.
    const auto inside = [](const QByteArray& t, qsizetype i) {
        return i > 0 && i < t.size() && (static_cast<unsigned char>(t[i]) & 0xC0) == 0x80;
    };
    while (prefix > 0 && (inside(before, prefix) || inside(after, prefix)))
        --prefix;
    while (suffix > 0 &&
           (inside(before, before.size() - suffix) || inside(after, after.size() - suffix)))
        --suffix;
    const auto replace = [this](qsizetype from, qsizetype to, const QByteArray& text) {
        Sci(SCI_SETTARGETRANGE, static_cast<unsigned long>(from), static_cast<long>(to));
        Sci(SCI_REPLACETARGET, static_cast<unsigned long>(text.size()), text.constData());
    };
    const QByteArray was = before.mid(prefix, before.size() - prefix - suffix);
    const QByteArray now = after.mid(prefix, after.size() - prefix - suffix);
    Sci(SCI_SETREADONLY, 0UL);
    Sci(SCI_SETUNDOCOLLECTION, 0UL);
    replace(prefix, after.size() - suffix, was);
    Sci(SCI_SETUNDOCOLLECTION, 1UL);
    EmptyUndoBuffer();
    Sci(SCI_BEGINUNDOACTION);
    replace(prefix, before.size() - suffix, now);
    Sci(SCI_ENDUNDOACTION);
    Sci(SCI_SETREADONLY, static_cast<unsigned long>(m_bReadOnly));
    SetModify(false);
}

void CTextControl::SetModify(bool modified) {
    // The control can only be told that its text is saved; a text that differs from the file
    // for another reason (the file is gone) stays modified through undo and redo until then.
    m_bForcedModify = modified;
    if (!modified)
        Sci(SCI_SETSAVEPOINT);
}

long CTextControl::LineFromChar(long index) const {
    if (index < 0)
        index = Sci(SCI_GETSELECTIONSTART);
    return Sci(SCI_LINEFROMPOSITION, static_cast<unsigned long>(index));
}

long CTextControl::LineIndex(long line) const {
    if (line < 0)
        line = Sci(SCI_LINEFROMPOSITION, static_cast<unsigned long>(Sci(SCI_GETCURRENTPOS)));
    if (line >= GetLineCount())
        return -1;
    return Sci(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
}

long CTextControl::LineLength(long index) const {
    if (index < 0)
        index = Sci(SCI_GETCURRENTPOS);
    const long line = Sci(SCI_LINEFROMPOSITION, static_cast<unsigned long>(index));
    return Sci(SCI_GETLINEENDPOSITION, static_cast<unsigned long>(line)) -
           Sci(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
}

QByteArray CTextControl::GetLine(long line, int maxChars) const {
    const long start = LineIndex(line);
    if (start < 0)
        return QByteArray();
    const long length = Sci(SCI_LINELENGTH, static_cast<unsigned long>(line));
    return GetTextRange(start, start + std::min<long>(length, maxChars));
}

long CTextControl::GetLineCount() const {
    return Sci(SCI_GETLINECOUNT);
}

long CTextControl::ColumnOf(long index) const {
    const long document = Sci(SCI_GETDOCPOINTER);
    const long line = Sci(SCI_LINEFROMPOSITION, static_cast<unsigned long>(index));
    const long lineStart = Sci(SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
    const auto count = [this](long from, long to) {
        return Sci(SCI_COUNTCHARACTERS, static_cast<unsigned long>(from), to);
    };
    const ColumnMark& mark = m_columnMark;
    long column;
    if (mark.index >= 0 && mark.document == document &&
        Sci(SCI_LINEFROMPOSITION, static_cast<unsigned long>(mark.index)) == line &&
        std::abs(index - mark.index) < index - lineStart)
        column = index >= mark.index ? mark.column + count(mark.index, index)
                                     : mark.column - count(index, mark.index);
    else
        column = count(lineStart, index);
    m_columnMark = ColumnMark{document, index, column};
    return column;
}

void CTextControl::KeepColumnMark(int type, long position, long length, long linesAdded) {
    // Moving the mark back costs a count of what lies between: worth it for an edit near it
    // (typing, deleting back), not for one far away in the same line.
    constexpr long kNear = 4096;
    ColumnMark& mark = m_columnMark;
    if (mark.index < 0 || position >= mark.index)
        return; // the text before the mark is as it was
    const bool inserted = type & SC_MOD_INSERTTEXT;
    if (!inserted && !(type & SC_MOD_BEFOREDELETE))
        return;
    // An insertion has happened: the text that was between lies after it now.
    const long shift = inserted ? length : 0;
    const bool sameLine = Sci(SCI_LINEFROMPOSITION, static_cast<unsigned long>(position)) ==
                          Sci(SCI_LINEFROMPOSITION, static_cast<unsigned long>(mark.index + shift));
    if (mark.index - position > kNear || linesAdded != 0 || !sameLine) {
        mark.index = -1;
        return;
    }
    mark.column -=
        Sci(SCI_COUNTCHARACTERS, static_cast<unsigned long>(position + shift), mark.index + shift);
    mark.index = position;
}

QPoint CTextControl::PosFromChar(long index) const {
    return QPoint(Sci(SCI_POINTXFROMPOSITION, 0UL, index), Sci(SCI_POINTYFROMPOSITION, 0UL, index));
}

long CTextControl::FindText(int flags, const CHARRANGE& range, const QByteArray& text,
                            long* matchEnd) const {
    return m_search.Find(Text(), text, Options(flags), range.cpMin, range.cpMax, false, matchEnd);
}

long CTextControl::FindTextLast(int flags, const CHARRANGE& range, const QByteArray& text,
                                long* matchEnd) const {
    return m_search.Find(Text(), text, Options(flags), range.cpMin, range.cpMax, true, matchEnd);
}

bool CTextControl::IsMatch(int flags, const CHARRANGE& range, const QByteArray& text) const {
    return m_search.IsMatch(Text(), text, Options(flags), range.cpMin, range.cpMax);
}

QByteArray CTextControl::Replacement(int flags, const QByteArray& with) const {
    return m_search.Replacement(Text(), with, Options(flags));
}

SearchOptions CTextControl::Options(int flags) {
    return SearchOptions{(flags & FR_MATCHCASE) != 0, (flags & FR_WHOLEWORD) != 0,
                         (flags & FR_REGEX) != 0};
}

CTextDocument CTextControl::Text() const {
    return CTextDocument::Of(reinterpret_cast<void*>(Sci(SCI_GETDOCPOINTER)));
}

// The pieces a stream-in reads from its callback, with how far the load has come. Bytes already
// read (the start of a rich-text file that turned out plain) can be handed back, to be read
// again first.
class CStreamPieces {
public:
    CStreamPieces(EDITSTREAM& es, int64_t sizeHint, std::function<void(double)> progress)
        : m_es(es), m_nSizeHint(sizeHint), m_progress(std::move(progress)),
          m_buffer(kStreamPiece) {
        m_es.dwError = 0;
    }

    // The next piece, at Data(); false at the end, or when the callback stopped with an error.
    bool Next(long& done) {
        if (m_nReadAheadUsed < m_readAhead.size()) {
            done = static_cast<long>(
                std::min<size_t>(kStreamPiece, m_readAhead.size() - m_nReadAheadUsed));
            std::copy_n(m_readAhead.data() + m_nReadAheadUsed, done, m_buffer.data());
            m_nReadAheadUsed += static_cast<size_t>(done);
            return true;
        }
        done = 0;
        if (uint32_t rc = m_es.pfnCallback(m_es.dwCookie, m_buffer.data(), kStreamPiece, &done)) {
            m_es.dwError = rc;
            return false;
        }
        return done > 0;
    }
    const char* Data() const { return m_buffer.data(); }
    // A piece has been taken in; `share` is the part of the whole load that reading stands for.
    void Taken(long done, double share = 1) {
        m_nRead += done;
        if (m_nSizeHint > 0)
            m_progress(share * static_cast<double>(std::min(m_nRead, m_nSizeHint)) /
                       static_cast<double>(m_nSizeHint));
    }
    void HandBack(std::string bytes) {
        m_readAhead = std::move(bytes);
        m_nReadAheadUsed = 0;
    }
    int64_t SizeHint() const { return m_nSizeHint; }
    bool Failed() const { return m_es.dwError != 0; }
    void Fail(uint32_t error) { m_es.dwError = error; }

private:
    EDITSTREAM& m_es;
    int64_t m_nSizeHint;
    std::function<void(double)> m_progress;
    std::vector<char> m_buffer;
    std::string m_readAhead;
    size_t m_nReadAheadUsed = 0;
    int64_t m_nRead = 0;
};

long CTextControl::StreamIn(int format, EDITSTREAM& es, int64_t sizeHint) {
    CStreamPieces pieces(es, sizeHint, [this](double done) { OnLoadProgress(done); });
    if (format & SFF_SELECTION)
        return InsertStream(pieces);
    if ((format & SF_RTF) && !m_readEncoding) {
        long loaded = 0;
        if (LoadRichStream(pieces, loaded))
            return loaded;
    }
    return LoadPlainStream(pieces);
}

long CTextControl::InsertStream(CStreamPieces& pieces) {
    // Read whole: what is inserted is converted to the text's encoding, or refused whole.
    QByteArray bytes;
    for (long done; pieces.Next(done);) {
        if (GetTextLength() + bytes.size() + done > m_nTextLimit) {
            pieces.Fail(kErrTextLimit);
            return 0;
        }
        bytes.append(pieces.Data(), done);
        pieces.Taken(done);
    }
    QByteArray text;
    if (pieces.Failed())
        return 0;
    if (!TextForInsertion(bytes, m_encoding, text, &m_refused)) {
        pieces.Fail(kErrCannotHold);
        return 0;
    }
    // Known before the text goes in, so that it is never wrapped.
    LongLineDetector longLine(kMaxWrappedLine);
    longLine.Feed(text.constData(), static_cast<size_t>(text.size()));
    if (longLine.Found() && !m_bOverlongLine) {
        m_bOverlongLine = true;
        ApplyWordWrap();
    }
    Sci(SCI_BEGINUNDOACTION);
    Sci(SCI_TARGETFROMSELECTION);
    Sci(SCI_REPLACETARGET, static_cast<unsigned long>(text.size()), text.constData());
    const long end = Sci(SCI_GETTARGETEND);
    Sci(SCI_ENDUNDOACTION);
    Sci(SCI_SETSEL, end, end);
    return static_cast<long>(bytes.size());
}

bool CTextControl::LoadRichStream(CStreamPieces& pieces, long& loaded) {
    // Rich text is read whole, then shown formatted. Only its start tells it is rich text.
    std::string source;
    RtfSignature signature = RtfSignature::Undecided;
    for (long done; pieces.Next(done);) {
        if (static_cast<long>(source.size()) + done > m_nTextLimit) {
            pieces.Fail(kErrTextLimit);
            return true;
        }
        source.append(pieces.Data(), done);
        if (signature == RtfSignature::Undecided) {
            signature = RtfSignatureOf(source.data(), source.size());
            if (signature == RtfSignature::Plain)
                break;
            if (signature == RtfSignature::Rich && pieces.SizeHint() > 0)
                source.reserve(
                    static_cast<size_t>(std::min<int64_t>(pieces.SizeHint(), m_nTextLimit)));
        }
        pieces.Taken(done);
    }
    if (pieces.Failed())
        return true;
    if (signature != RtfSignature::Rich) {
        // A plain text under a rich-text name: loaded as any other file, from its first byte.
        pieces.HandBack(std::move(source));
        return false;
    }
    const auto size = static_cast<long>(source.size());
    std::optional<LoadedRichText> rich = LoadRichText(std::move(source), kMaxWrappedLine);
    if (!rich) {
        pieces.Fail(kErrTextLimit);
        return true;
    }
    ShowRichText(*rich);
    loaded = size;
    return true;
}

long CTextControl::LoadPlainStream(CStreamPieces& pieces) {
    CTextLoader loader(m_nTextLimit, pieces.SizeHint(), kMaxWrappedLine);
    if (m_readEncoding)
        loader.ReadAs(*m_readEncoding);
    m_pLoading = &loader;
    const auto forgetLoader = qScopeGuard([this] { m_pLoading = nullptr; });
    long total = 0;
    for (long done; pieces.Next(done);) {
        if (!loader.Feed(pieces.Data(), done)) {
            pieces.Fail(kErrTextLimit);
            break;
        }
        total += done;
        pieces.Taken(done, loader.ReadShare());
    }
    std::optional<LoadedText> loaded;
    if (!pieces.Failed()) {
        loaded = loader.Finish([this](double done) {
            OnLoadProgress(CTextLoader::kDecodedReadShare +
                           (1 - CTextLoader::kDecodedReadShare) * done);
        });
        if (loaded && loaded->unshownLine) {
            loaded.reset();
            pieces.Fail(kErrLineTooLong);
        } else if (!loaded && loader.Undecoded().offset >= 0) {
            m_undecodable = loader.Undecoded();
            pieces.Fail(kErrNotDecodable);
        } else if (!loaded) {
            pieces.Fail(kErrTextLimit);
        }
    }
    if (!loaded) {
        // The text shown stays as it was.
        ReattachDocument();
        return 0;
    }
    void* previous = TakeShownDocument();
    Show(loaded->text);
    Sci(SCI_RELEASEDOCUMENT, 0UL, previous);
    m_bOverlongLine = loaded->overlongLine;
    m_encoding = loaded->encoding;
    m_bBadUtf16 = loaded->badUtf16;
    m_bMarkerByte = loaded->markerByte;
    m_eLineEnd = loaded->lineEnd;
    m_bMixedLineEnds = loaded->mixedLineEnds;
    m_rich = RtfDocument();
    m_bRichText = false;
    ApplyDocumentProperties();
    ApplyStyles();
    return total;
}

bool CTextControl::ShowLoadHead() {
    if (!m_pLoading || m_pLoading->Head().empty() || m_beforeHead.doc)
        return false;
    const std::string& loaded = m_pLoading->Head();
    const char* head = loaded.data();
    size_t n = WholeCharacters(head, loaded.size(), loaded.size());
    if (loaded.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        head += 3;
        n -= std::min<size_t>(n, 3);
    }
    CTextDocument glimpse = CTextDocument::WithRoom(n + 1);
    if (!glimpse.Append(head, static_cast<long>(n)))
        return false;
    m_beforeHead = ShownNow();
    Sci(SCI_ADDREFDOCUMENT, 0UL, m_beforeHead.doc);
    Show(glimpse);
    ApplyTextProperties();
    Sci(SCI_SETREADONLY, 1UL); // only a glimpse: the load replaces it
    return true;
}

CTextControl::ShownDocument CTextControl::ShownNow() const {
    return {reinterpret_cast<void*>(Sci(SCI_GETDOCPOINTER)), Sci(SCI_GETANCHOR),
            Sci(SCI_GETCURRENTPOS), Sci(SCI_GETFIRSTVISIBLELINE), Sci(SCI_GETXOFFSET)};
}

void CTextControl::AttachHeld(void* doc) {
    Sci(SCI_SETDOCPOINTER, 0UL, doc);
    Sci(SCI_RELEASEDOCUMENT, 0UL, doc);
}

void CTextControl::ShowDumpPart(const CTextDocument& part, long anchor, long caret, long top) {
    ShowPlainText(part, LineEnd::CrLf);
    Sci(SCI_SETSEL, static_cast<unsigned long>(anchor), caret);
    SetFirstVisibleLine(top);
}

long CTextControl::FirstVisibleLine() const {
    return Sci(SCI_DOCLINEFROMVISIBLE, static_cast<unsigned long>(Sci(SCI_GETFIRSTVISIBLELINE)));
}

void CTextControl::SetFirstVisibleLine(long line) {
    Sci(SCI_SETFIRSTVISIBLELINE,
        static_cast<unsigned long>(Sci(SCI_VISIBLEFROMDOCLINE, static_cast<unsigned long>(line))));
}

void CTextControl::SetPaged(int barWidth) {
    m_bPaged = barWidth > 0;
    Sci(SCI_SETVSCROLLBAR, static_cast<unsigned long>(!m_bPaged));
    setViewportMargins(0, 0, barWidth, 0);
    m_nLineNumberDigits = -1;
    UpdateLineNumberWidth();
}

void CTextControl::Show(const CTextDocument& text) {
    Sci(SCI_SETDOCPOINTER, 0UL, text.Handle());
}

void* CTextControl::TakeShownDocument() {
    void* doc = m_beforeHead.doc;
    if (doc)
        m_beforeHead = ShownDocument();
    else
        Sci(SCI_ADDREFDOCUMENT, 0UL, doc = reinterpret_cast<void*>(Sci(SCI_GETDOCPOINTER)));
    return doc;
}

void CTextControl::ReattachDocument() {
    // The text shown before the load is attached again (in place of the load's first window,
    // when that was shown), with its caret and scroll position.
    const ShownDocument shown = m_beforeHead.doc ? m_beforeHead : ShownNow();
    AttachHeld(TakeShownDocument());
    ApplyTextProperties();
    Sci(SCI_SETSEL, static_cast<unsigned long>(shown.anchor), shown.caret);
    Sci(SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(shown.firstLine));
    Sci(SCI_SETXOFFSET, static_cast<unsigned long>(shown.xOffset));
}

long CTextControl::StreamOut(int format, EDITSTREAM& es) {
    long start = 0;
    long end = GetTextLength();
    // A selection is handed on as the control's own bytes; the whole text in the file's encoding.
    const bool selection = format & SFF_SELECTION;
    if (selection) {
        start = Sci(SCI_GETSELECTIONSTART);
        end = Sci(SCI_GETSELECTIONEND);
    }
    es.dwError = 0;
    const auto send = [&es](const char* data, long count) {
        long done = 0;
        es.dwError = es.pfnCallback(es.dwCookie, const_cast<char*>(data), count, &done);
        return es.dwError == 0;
    };
    if (!WriteText(Text(), start, end, selection ? TextEncoding::Utf8 : m_encoding, !selection,
                   send, &m_refused)) {
        if (es.dwError == 0)
            es.dwError = kErrCannotHold;
        return 0;
    }
    return end - start;
}

void CTextControl::SetReadOnly(bool readOnly) {
    m_bReadOnly = readOnly;
    Sci(SCI_SETREADONLY, static_cast<unsigned long>(readOnly));
    m_pCaretRoom->Wake();
}

void CTextControl::SetBackgroundColor(const QColor& color) {
    m_background = color;
    ApplyStyles();
}

void CTextControl::SetWordWrap(bool wrap) {
    m_bWordWrap = wrap;
    // What the user looks at stays where it is on the screen while the lines change height: the
    // caret's line, or the top line when the caret is out of view.
    const long height = std::max(1L, Sci(SCI_TEXTHEIGHT, 0UL));
    long anchor = Sci(SCI_GETCURRENTPOS);
    const auto rowOf = [&](long pos) {
        const long y = Sci(SCI_POINTYFROMPOSITION, 0UL, pos);
        return y >= 0 ? y / height : -1;
    };
    long row = rowOf(anchor);
    if (row < 0 || row >= Sci(SCI_LINESONSCREEN)) {
        anchor = Sci(SCI_POSITIONFROMLINE, static_cast<unsigned long>(Sci(
            SCI_DOCLINEFROMVISIBLE, static_cast<unsigned long>(Sci(SCI_GETFIRSTVISIBLELINE)))));
        row = 0;
    }
    const long line = Sci(SCI_LINEFROMPOSITION, static_cast<unsigned long>(anchor));
    ApplyWordWrap();
    Sci(SCI_ENSUREVISIBLE, static_cast<unsigned long>(line)); // the lines around it (re)wrapped now
    row = std::min(row, Sci(SCI_LINESONSCREEN) - 1); // a scroll bar may have come
    const long top = Sci(SCI_VISIBLEFROMDOCLINE, static_cast<unsigned long>(line)) - row;
    Sci(SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(std::max(0L, top)));
    // The anchor may sit on a later row of its wrapped line.
    const long moved = rowOf(anchor) - row;
    if (moved > 0)
        Sci(SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(std::max(0L, top) + moved));
}

void CTextControl::ApplyWordWrap() {
    const bool wrap = m_bWordWrap && !m_bOverlongLine;
    Sci(SCI_SETWRAPMODE, static_cast<unsigned long>(wrap ? SC_WRAP_WORD : SC_WRAP_NONE));
}

void CTextControl::SetSelectionBar(bool on) {
    Sci(SCI_SETMARGINWIDTHN, 1UL, on ? 16L : 0L);
}

void CTextControl::SetLineNumbers(bool on) {
    m_bLineNumbers = on;
    m_nLineNumberDigits = -1;
    UpdateLineNumberWidth();
}

void CTextControl::UpdateLineNumberWidth() {
    const int digits = m_bLineNumbers && !m_bPaged ? QByteArray::number(GetLineCount()).size() : 0;
    if (digits == m_nLineNumberDigits)
        return;
    m_nLineNumberDigits = digits;
    // One digit more than the last line's number keeps the numbers off the window's edge.
    const long width =
        digits == 0 ? 0
                    : Sci(SCI_TEXTWIDTH, STYLE_LINENUMBER, QByteArray(digits + 1, '9').constData());
    Sci(SCI_SETMARGINWIDTHN, 0UL, width);
}

void CTextControl::SetDefaultCharFormat(const CHARFORMAT& cf) {
    m_defaultFormat = cf;
    ApplyStyles();
}

void CTextControl::TypeChar(char c) {
    if (m_bReadOnly)
        return;
    Sci(SCI_BEGINUNDOACTION);
    if (Sci(SCI_GETSELECTIONSTART) != Sci(SCI_GETSELECTIONEND))
        Sci(SCI_CLEAR); // what is selected goes, as with a typed character
    const long pos = Sci(SCI_GETCURRENTPOS);
    const int next = static_cast<int>(Sci(SCI_GETCHARAT, static_cast<unsigned long>(pos)));
    if (GetOvertype() && pos < GetTextLength() && next != '\r' && next != '\n')
        DeleteRange(pos, Sci(SCI_POSITIONAFTER, static_cast<unsigned long>(pos)) - pos);
    InsertText(pos, QByteArray(1, c));
    Sci(SCI_ENDUNDOACTION);
    Sci(SCI_GOTOPOS, static_cast<unsigned long>(pos + 1));
}

void CTextControl::inputMethodEvent(QInputMethodEvent* e) {
    const char32_t bad = m_bReadOnly ? 0 : Unholdable(e->commitString());
    if (!bad) {
        QsciScintillaBase::inputMethodEvent(e);
        return;
    }
    // The composition still ends; only what it would have entered is dropped.
    QInputMethodEvent kept(e->preeditString(), e->attributes());
    QsciScintillaBase::inputMethodEvent(&kept);
    e->accept();
    OnInputRefused(bad);
}

void CTextControl::dragEnterEvent(QDragEnterEvent* e) {
    m_bDragging = true;
    QsciScintillaBase::dragEnterEvent(e);
    m_bDragging = false;
}

void CTextControl::dragMoveEvent(QDragMoveEvent* e) {
    m_bDragging = true;
    QsciScintillaBase::dragMoveEvent(e);
    m_bDragging = false;
}

// Every paste and drop of text asks this first: text the file cannot hold is turned away whole.
bool CTextControl::canInsertFromMimeData(const QMimeData* source) const {
    if (!QsciScintillaBase::canInsertFromMimeData(source))
        return false;
    const char32_t bad = Unholdable(source->text());
    if (!bad)
        return true;
    // A drag passing over is only refused; a paste or a drop is told about.
    if (!m_bDragging)
        const_cast<CTextControl*>(this)->OnInputRefused(bad);
    return false;
}

void CTextControl::OnInputRefused(char32_t) {
    QApplication::beep();
}

bool CTextControl::GetOvertype() const {
    return Sci(SCI_GETOVERTYPE) != 0;
}
void CTextControl::SetOverwrite(bool on) {
    m_bOverwrite = on;
    Sci(SCI_SETOVERTYPE, static_cast<unsigned long>(on));
}

void CTextControl::ApplyStyles() {
    const QPalette pal = palette();
    const CHARFORMAT& cf = m_defaultFormat;
    QColor text = cf.TextColor();
    if (!text.isValid())
        text = pal.color(QPalette::Text); // the automatic colour
    Sci(SCI_STYLESETFONT, static_cast<unsigned long>(STYLE_DEFAULT),
        cf.szFaceName.toUtf8().constData());
    Sci(SCI_STYLESETSIZEFRACTIONAL, static_cast<unsigned long>(STYLE_DEFAULT),
        static_cast<long>(cf.yHeight > 0 ? cf.yHeight * 5 : 1000));
    Sci(SCI_STYLESETBOLD, static_cast<unsigned long>(STYLE_DEFAULT),
        static_cast<long>((cf.dwEffects & CFE_BOLD) != 0));
    Sci(SCI_STYLESETITALIC, static_cast<unsigned long>(STYLE_DEFAULT),
        static_cast<long>((cf.dwEffects & CFE_ITALIC) != 0));
    Sci(SCI_STYLESETUNDERLINE, static_cast<unsigned long>(STYLE_DEFAULT),
        static_cast<long>((cf.dwEffects & CFE_UNDERLINE) != 0));
    Sci(SCI_STYLESETFORE, static_cast<unsigned long>(STYLE_DEFAULT), text);
    Sci(SCI_STYLESETBACK, static_cast<unsigned long>(STYLE_DEFAULT), m_background);
    Sci(SCI_STYLECLEARALL);
    // The margins in the window's own colours, the numbers a little dimmed.
    const QColor chrome = pal.color(QPalette::Window);
    const QColor chromeText = pal.color(QPalette::WindowText);
    Sci(SCI_STYLESETBACK, static_cast<unsigned long>(STYLE_LINENUMBER), chrome);
    Sci(SCI_STYLESETFORE, static_cast<unsigned long>(STYLE_LINENUMBER),
        QColor((chromeText.red() * 2 + chrome.red()) / 3,
               (chromeText.green() * 2 + chrome.green()) / 3,
               (chromeText.blue() * 2 + chrome.blue()) / 3));
    for (unsigned int effect : {SCI_STYLESETBOLD, SCI_STYLESETITALIC, SCI_STYLESETUNDERLINE})
        Sci(effect, static_cast<unsigned long>(STYLE_LINENUMBER), 0L);
    Sci(SCI_SETCARETFORE, text);
    Sci(SCI_SETSELFORE, 1UL, pal.color(QPalette::HighlightedText));
    Sci(SCI_SETSELBACK, 1UL, pal.color(QPalette::Highlight));
    Sci(SCI_INDICSETSTYLE, kStrikeIndicator, INDIC_STRIKE);
    Sci(SCI_INDICSETFORE, kStrikeIndicator, text);
    if (!m_rich.formats.empty())
        ApplyRichStyles();
    ApplyPlainStrikeOut();
    m_nLineNumberDigits = -1; // the font, or the whole text, may have changed
    UpdateLineNumberWidth();
}

// Strike-out is no style property of the component: plain text gets it from an indicator over
// the whole text, stretched over every insertion.
void CTextControl::ApplyPlainStrikeOut() {
    m_bStrikeOut = m_rich.formats.empty() && (m_defaultFormat.dwEffects & CFE_STRIKEOUT);
    if (!m_rich.formats.empty())
        return;
    Sci(SCI_SETINDICATORCURRENT, kStrikeIndicator);
    Sci(m_bStrikeOut ? SCI_INDICATORFILLRANGE : SCI_INDICATORCLEARRANGE, 0UL, GetTextLength());
}

void CTextControl::ApplyDocumentProperties() {
    ApplyTextProperties();
    Sci(SCI_SETUNDOCOLLECTION, 1UL);
    ApplyWordWrap();
    m_bulkUndo.clear();
    m_nBulkDone = 0;
}

void CTextControl::ApplyTextProperties() {
    m_columnMark = ColumnMark();
    // Attaching a document resets these; they belong to the text being shown.
    // Every text is shown as UTF-8: files in other encodings are decoded into it.
    Sci(SCI_SETCODEPAGE, static_cast<unsigned long>(SC_CP_UTF8));
    Sci(SCI_SETEOLMODE, static_cast<unsigned long>(m_eLineEnd));
    Sci(SCI_SETREADONLY, static_cast<unsigned long>(m_bReadOnly));
    Sci(SCI_SETTABWIDTH, static_cast<unsigned long>(m_nTabBlanks));
}
