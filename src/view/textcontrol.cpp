#include "view/textcontrol.h"

#include "view/bytefinder.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPalette>

#include <algorithm>
#include <vector>

// The control's bulk loader. It must not have internal linkage: the compiler would then know that
// no class implements it and replace every call with a pure-virtual trap.
class ILoader {
public:
    virtual int Release() = 0;
    virtual int AddData(const char* data, ptrdiff_t length) = 0;
    virtual void* ConvertToDocument() = 0;

protected:
    ~ILoader() = default;
};

namespace {
struct Sci_CharacterRange {
    long cpMin;
    long cpMax;
};
struct Sci_Rectangle {
    int left;
    int top;
    int right;
    int bottom;
};
struct Sci_RangeToFormat {
    void* hdc;
    void* hdcTarget;
    Sci_Rectangle rc;
    Sci_Rectangle rcPage;
    Sci_CharacterRange chrg;
};
struct Sci_TextToFind {
    Sci_CharacterRange chrg;
    const char* lpstrText;
    Sci_CharacterRange chrgText;
};

constexpr int SC_DOCUMENTOPTION_STYLES_NONE = 1;
constexpr int SCMOD_SHIFT = 1;
constexpr int SCMOD_CTRL = 2;
constexpr int SCMOD_ALT = 4;
constexpr long kStreamPiece = 1 << 20;

long KeyDef(int key, int modifiers) {
    return key | (modifiers << 16);
}

constexpr unsigned long kStrikeIndicator = 8;
} // namespace

CTextControl::CTextControl(QWidget* parent) : QsciScintillaBase(parent) {
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int position, int type, const char*, int length, int, int, int, int, int token,
                   int) {
                if ((type & SC_MOD_CONTAINER) && (type & SC_PERFORMED_UNDO))
                    m_nPendingBulkUndo = token;
                if ((type & SC_MOD_INSERTTEXT) && m_bStrikeOut) {
                    Sci(SCI_SETINDICATORCURRENT, kStrikeIndicator);
                    Sci(SCI_INDICATORFILLRANGE, static_cast<unsigned long>(position),
                        static_cast<long>(length));
                }
            });
    Sci(SCI_USEPOPUP, 0UL);
    Sci(SCI_SETMARGINWIDTHN, 0UL, 0L);
    Sci(SCI_SETMARGINWIDTHN, 1UL, 0L);
    Sci(SCI_SETMARGINWIDTHN, 2UL, 0L);
    Sci(SCI_SETSCROLLWIDTH, 1UL);
    Sci(SCI_SETSCROLLWIDTHTRACKING, 1UL);
    Sci(SCI_SETPASTECONVERTENDINGS, 1UL);
    RemoveClashingKeys();
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            &CTextControl::ClipboardChanged);
    ClipboardChanged();
    m_defaultFormat.SetFaceName(QStringLiteral("Monospace"));
    m_defaultFormat.yHeight = 200;
    m_background = palette().color(QPalette::Base);
    ApplyStyles();
    ApplyDocumentProperties();
}

void CTextControl::RemoveClashingKeys() {
    // The program's own commands own these keys, also while they are disabled.
    const long keys[] = {
        KeyDef('Z', SCMOD_CTRL),
        KeyDef('Y', SCMOD_CTRL),
        KeyDef('X', SCMOD_CTRL),
        KeyDef('C', SCMOD_CTRL),
        KeyDef('V', SCMOD_CTRL),
        KeyDef('A', SCMOD_CTRL),
        KeyDef('L', SCMOD_CTRL),
        KeyDef('L', SCMOD_CTRL | SCMOD_SHIFT),
        KeyDef(']', SCMOD_CTRL),
        KeyDef('[', SCMOD_CTRL),
        KeyDef(SCK_INSERT, 0),
        KeyDef(SCK_ESCAPE, 0),
        KeyDef(SCK_LEFT, SCMOD_ALT),
        KeyDef(SCK_RIGHT, SCMOD_ALT),
        KeyDef('Z', SCMOD_CTRL | SCMOD_SHIFT),
    };
    for (long k : keys)
        Sci(SCI_CLEARCMDKEY, static_cast<unsigned long>(k));
}

long CTextControl::GetTextLength() const {
    return Sci(SCI_GETLENGTH);
}

void CTextControl::SetEmpty() {
    m_bOverlongLine = false;
    Sci(SCI_SETDOCPOINTER, 0UL, static_cast<long>(0));
    m_bUtf8 = true;
    m_eLineEnd = LineEnd::Lf;
    m_rich = RtfDocument();
    ApplyDocumentProperties();
    ApplyStyles();
}

void CTextControl::LoadRichText(RtfDocument doc) {
    auto* loader = reinterpret_cast<ILoader*>(
        Sci(SCI_CREATELOADER, static_cast<unsigned long>(doc.text.size() + 1), 0L));
    if (!loader)
        return;
    loader->AddData(doc.text.data(), static_cast<ptrdiff_t>(doc.text.size()));
    void* document = loader->ConvertToDocument();
    LongLineDetector longLine(kMaxWrappedLine);
    longLine.Feed(doc.text.data(), doc.text.size());
    m_bOverlongLine = longLine.Found();
    Sci(SCI_SETDOCPOINTER, 0UL, document);
    Sci(SCI_RELEASEDOCUMENT, 0UL, document);
    std::string().swap(doc.text); // the component has its own copy now
    m_bUtf8 = true;
    m_rich.formats = std::move(doc.formats);
    m_rich.fonts = std::move(doc.fonts);
    m_rich.colors = std::move(doc.colors);
    ApplyDocumentProperties();
    ApplyStyles();
    StyleRichText(doc.runs);
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

void CTextControl::BeginBulkReplace() {
    m_bulk.clear();
    m_queue.clear();
    m_queuedText.clear();
    m_nQueuedShift = 0;
    Sci(SCI_SETUNDOCOLLECTION, 0UL);
}

void CTextControl::BulkReplace(long pos, long length, const QByteArray& with) {
    m_queue.push_back(
        {pos, length, static_cast<long>(m_queuedText.size()), static_cast<long>(with.size())});
    m_queuedText += with;
    m_nQueuedShift += with.size() - length;
    constexpr size_t kMaxQueuedEdits = 1 << 16;
    constexpr long kMaxQueuedSpan = 4 << 20;
    const long span = std::abs(m_queue.back().pos - m_queue.front().pos);
    if (m_queue.size() >= kMaxQueuedEdits || span >= kMaxQueuedSpan)
        FlushBulk();
}

void CTextControl::FlushBulk() {
    if (m_queue.empty())
        return;
    if (m_queue.front().pos > m_queue.back().pos)
        std::reverse(m_queue.begin(), m_queue.end());
    const long start = m_queue.front().pos;
    const long oldEnd = m_queue.back().pos + m_queue.back().oldLength;
    const auto* old = reinterpret_cast<const char*>(
        Sci(SCI_GETRANGEPOINTER, static_cast<unsigned long>(start), oldEnd - start));
    BulkBatch batch{start, 0, {}, {}};
    batch.edits.reserve(m_queue.size());
    QByteArray text;
    text.reserve(oldEnd - start + m_nQueuedShift);
    long at = start;
    for (const QueuedEdit& e : m_queue) {
        text.append(old + (at - start), e.pos - at);
        batch.edits.push_back({static_cast<long>(text.size()), e.withLength, e.oldLength});
        batch.originals.append(old + (e.pos - start), e.oldLength);
        text.append(m_queuedText.constData() + e.withOffset, e.withLength);
        at = e.pos + e.oldLength;
    }
    batch.newLength = static_cast<long>(text.size());
    Sci(SCI_SETTARGETRANGE, static_cast<unsigned long>(start), oldEnd);
    Sci(SCI_REPLACETARGET, static_cast<unsigned long>(text.size()), text.constData());
    m_bulk.push_back(std::move(batch));
    m_queue.clear();
    m_queuedText.clear();
    m_nQueuedShift = 0;
}

void CTextControl::EndBulkReplace() {
    FlushBulk();
    Sci(SCI_SETUNDOCOLLECTION, 1UL);
    if (m_bulk.empty())
        return;
    m_bulkUndo.push_back(std::move(m_bulk));
    m_bulk.clear();
    // One step in the component's history stands for the whole record.
    Sci(SCI_ADDUNDOACTION, static_cast<unsigned long>(m_bulkUndo.size()), 0L);
}

void CTextControl::UndoBulk(const BulkRecord& record) {
    Sci(SCI_SETUNDOCOLLECTION, 0UL);
    for (auto batch = record.rbegin(); batch != record.rend(); ++batch) {
        const auto* now = reinterpret_cast<const char*>(
            Sci(SCI_GETRANGEPOINTER, static_cast<unsigned long>(batch->start), batch->newLength));
        QByteArray text;
        long at = 0;
        long original = 0;
        for (const BulkEdit& e : batch->edits) {
            text.append(now + at, e.offset - at);
            text.append(batch->originals.constData() + original, e.oldLength);
            original += e.oldLength;
            at = e.offset + e.newLength;
        }
        text.append(now + at, batch->newLength - at);
        Sci(SCI_SETTARGETRANGE, static_cast<unsigned long>(batch->start),
            batch->start + batch->newLength);
        Sci(SCI_REPLACETARGET, static_cast<unsigned long>(text.size()), text.constData());
    }
    Sci(SCI_SETUNDOCOLLECTION, 1UL);
    const long first = std::min(record.front().start, record.back().start);
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
    if (!painter)
        return Sci(SCI_FORMATRANGE, 0UL, 0L);
    // Printed on white, whatever the editor's background.
    Sci(SCI_SETPRINTCOLOURMODE, static_cast<unsigned long>(SC_PRINT_COLOURONWHITEDEFAULTBG));
    Sci(SCI_SETPRINTWRAPMODE, static_cast<unsigned long>(SC_WRAP_WORD));
    Sci_RangeToFormat fr{painter,
                         painter,
                         {render.left(), render.top(), render.right() + 1, render.bottom() + 1},
                         {page.left(), page.top(), page.right() + 1, page.bottom() + 1},
                         {cpMin, cpMax}};
    return Sci(SCI_FORMATRANGE, static_cast<unsigned long>(draw), &fr);
}

void CTextControl::SetTabStops(int blanks) {
    m_nTabBlanks = blanks;
    Sci(SCI_SETTABWIDTH, static_cast<unsigned long>(blanks));
}

void CTextControl::Cut() {
    Sci(SCI_CUT);
}
void CTextControl::Copy() {
    Sci(SCI_COPY);
}
void CTextControl::Paste() {
    Sci(SCI_PASTE);
}
void CTextControl::Clear() {
    Sci(SCI_CLEAR);
}
// Undo stays available in read-only mode: the component refuses it there, so read-only is
// lifted around it.
void CTextControl::Undo() {
    Sci(SCI_SETREADONLY, 0UL);
    m_nPendingBulkUndo = 0;
    Sci(SCI_UNDO);
    if (m_nPendingBulkUndo > 0 && m_nPendingBulkUndo <= static_cast<int>(m_bulkUndo.size())) {
        // The component has stepped over a bulk replacement; put its text back now.
        UndoBulk(m_bulkUndo[m_nPendingBulkUndo - 1]);
        m_bulkUndo.resize(m_nPendingBulkUndo - 1);
    }
    Sci(SCI_SETREADONLY, static_cast<unsigned long>(m_bReadOnly));
}

bool CTextControl::CanUndo() const {
    Sci(SCI_SETREADONLY, 0UL);
    const bool can = Sci(SCI_CANUNDO) != 0;
    Sci(SCI_SETREADONLY, static_cast<unsigned long>(m_bReadOnly));
    return can;
}

void CTextControl::EmptyUndoBuffer() {
    // Forgetting the undo steps must not forget that the text differs from the file.
    const bool modified = GetModify();
    Sci(SCI_EMPTYUNDOBUFFER);
    m_bulkUndo.clear();
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
    return Sci(SCI_GETMODIFY) != 0;
}

void CTextControl::SetModify(bool modified) {
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
    const long line = Sci(SCI_LINEFROMPOSITION, static_cast<unsigned long>(index));
    return Sci(SCI_COUNTCHARACTERS, static_cast<unsigned long>(Sci(SCI_POSITIONFROMLINE, line)),
               index);
}

QPoint CTextControl::PosFromChar(long index) const {
    return QPoint(Sci(SCI_POINTXFROMPOSITION, 0UL, index), Sci(SCI_POINTYFROMPOSITION, 0UL, index));
}

long CTextControl::FindText(int flags, const CHARRANGE& range, const QByteArray& text) const {
    return Find(flags, range, text, false);
}

long CTextControl::FindTextLast(int flags, const CHARRANGE& range, const QByteArray& text) const {
    return Find(flags, range, text, true);
}

// Our own scan over the component's buffer, with the component's own matching rules: ASCII
// letters fold when case does not matter, a UTF-8 text matches only at character starts (a range
// end inside a character moves to that character's end), and whole words are judged by the
// component's word classes.
long CTextControl::Find(int flags, const CHARRANGE& range, const QByteArray& text,
                        bool last) const {
    const long length = GetTextLength();
    long cpMin = std::max(range.cpMin, 0L);
    long cpMax = range.cpMax < 0 ? length : std::min(range.cpMax, length);
    if (m_bUtf8) {
        cpMin = AfterCharacter(cpMin);
        cpMax = AfterCharacter(cpMax);
    }
    if (text.isEmpty() || cpMin > cpMax || cpMax - cpMin < text.size())
        return -1;
    const CByteFinder finder(text, flags & FR_MATCHCASE);
    const auto* base = reinterpret_cast<const char*>(
        Sci(SCI_GETRANGEPOINTER, static_cast<unsigned long>(cpMin), cpMax - cpMin));
    const char* end = base + (cpMax - cpMin);
    const char* p = last ? finder.FindLast(base, end) : finder.Find(base, end);
    while (p) {
        const long pos = cpMin + static_cast<long>(p - base);
        const bool charStart = !m_bUtf8 || (static_cast<uint8_t>(*p) & 0xC0) != 0x80;
        if (charStart && (!(flags & FR_WHOLEWORD) ||
                          Sci(SCI_ISRANGEWORD, static_cast<unsigned long>(pos), pos + text.size())))
            return pos;
        p = last ? finder.FindLast(base, p + text.size() - 1) : finder.Find(p + 1, end);
    }
    return -1;
}

long CTextControl::AfterCharacter(long pos) const {
    const long length = GetTextLength();
    for (int i = 0; i < 3 && pos < length; ++i, ++pos)
        if ((Sci(SCI_GETCHARAT, static_cast<unsigned long>(pos)) & 0xC0) != 0x80)
            break;
    return pos;
}

long CTextControl::FindTextByComponent(int flags, const CHARRANGE& range,
                                       const QByteArray& text) const {
    Sci_TextToFind ft{{range.cpMin, range.cpMax}, text.constData(), {0, 0}};
    const int sciFlags = (flags & FR_MATCHCASE ? SCFIND_MATCHCASE : 0) |
                         (flags & FR_WHOLEWORD ? SCFIND_WHOLEWORD : 0);
    return Sci(SCI_FINDTEXT, static_cast<unsigned long>(sciFlags), &ft);
}

long CTextControl::StreamIn(int format, EDITSTREAM& es, int64_t sizeHint) {
    std::vector<char> buffer(kStreamPiece);
    long total = 0;
    es.dwError = 0;
    std::string readAhead; // handed on before the callback's next pieces
    size_t readAheadUsed = 0;
    // The next piece from the callback; false at the end, or when it stopped with an error.
    auto next = [&](long& done) {
        if (readAheadUsed < readAhead.size()) {
            done =
                static_cast<long>(std::min<size_t>(kStreamPiece, readAhead.size() - readAheadUsed));
            std::copy_n(readAhead.data() + readAheadUsed, done, buffer.data());
            readAheadUsed += static_cast<size_t>(done);
            return true;
        }
        done = 0;
        if (uint32_t rc = es.pfnCallback(es.dwCookie, buffer.data(), kStreamPiece, &done)) {
            es.dwError = rc;
            return false;
        }
        return done > 0;
    };
    if (format & SFF_SELECTION) {
        Sci(SCI_BEGINUNDOACTION);
        Sci(SCI_TARGETFROMSELECTION);
        Sci(SCI_REPLACETARGET, 0UL, "");
        long pos = Sci(SCI_GETTARGETSTART);
        LongLineDetector longLine(kMaxWrappedLine);
        for (long done; next(done);) {
            if (GetTextLength() + done > m_nTextLimit) {
                es.dwError = kErrTextLimit;
                break;
            }
            // Known before the text goes in, so that it is never wrapped.
            longLine.Feed(buffer.data(), static_cast<size_t>(done));
            if (longLine.Found() && !m_bOverlongLine) {
                m_bOverlongLine = true;
                ApplyWordWrap();
            }
            Sci(SCI_SETTARGETRANGE, static_cast<unsigned long>(pos), pos);
            Sci(SCI_REPLACETARGET, static_cast<unsigned long>(done), buffer.data());
            pos += done;
            total += done;
        }
        Sci(SCI_ENDUNDOACTION);
        Sci(SCI_SETSEL, pos, pos);
        return total;
    }

    if (format & SF_RTF) {
        // Rich text is read whole, then shown formatted. Only its start tells it is rich text.
        std::string source;
        RtfSignature signature = RtfSignature::Undecided;
        for (long done; next(done);) {
            if (static_cast<long>(source.size()) + done > m_nTextLimit) {
                es.dwError = kErrTextLimit;
                return 0;
            }
            if (signature == RtfSignature::Undecided) {
                source.append(buffer.data(), done);
                signature = RtfSignatureOf(source.data(), source.size());
                if (signature == RtfSignature::Plain)
                    break;
                if (signature == RtfSignature::Rich && sizeHint > 0)
                    source.reserve(static_cast<size_t>(std::min<int64_t>(sizeHint, m_nTextLimit)));
            } else {
                source.append(buffer.data(), done);
            }
        }
        if (es.dwError != 0)
            return 0;
        if (signature == RtfSignature::Rich) {
            LineEndDetector lineEnd;
            lineEnd.Feed(source.data(), source.size());
            m_eLineEnd = lineEnd.Result();
            static const char* const kBreaks[] = {"\r\n", "\r", "\n"};
            RtfDocument doc =
                ReadRtf(source.data(), source.size(), kBreaks[static_cast<int>(m_eLineEnd)]);
            const auto size = static_cast<long>(source.size());
            std::string().swap(source); // before the component copies the text
            LoadRichText(std::move(doc));
            return size;
        }
        // A plain text under a rich-text name: loaded as any other file, from its first byte.
        readAhead = std::move(source);
    }

    const long capacity =
        sizeHint >= 0 ? static_cast<long>(std::min<int64_t>(sizeHint, m_nTextLimit)) : 0;
    auto* loader = reinterpret_cast<ILoader*>(Sci(
        SCI_CREATELOADER, static_cast<unsigned long>(capacity + 1), SC_DOCUMENTOPTION_STYLES_NONE));
    if (!loader) {
        es.dwError = kErrTextLimit;
        return 0;
    }
    Utf8Validator utf8;
    LineEndDetector lineEnd;
    LongLineDetector longLine(kMaxWrappedLine);
    for (long done; next(done);) {
        if (done > m_nTextLimit - total || loader->AddData(buffer.data(), done) != 0) {
            es.dwError = kErrTextLimit;
            break;
        }
        utf8.Feed(buffer.data(), static_cast<size_t>(done));
        lineEnd.Feed(buffer.data(), static_cast<size_t>(done));
        longLine.Feed(buffer.data(), static_cast<size_t>(done));
        total += done;
    }
    if (es.dwError != 0) {
        // The text shown stays as it was.
        loader->Release();
        return 0;
    }
    void* doc = loader->ConvertToDocument();
    m_bOverlongLine = longLine.Found();
    Sci(SCI_SETDOCPOINTER, 0UL, doc);
    Sci(SCI_RELEASEDOCUMENT, 0UL, doc);
    m_bUtf8 = utf8.IsValid();
    m_eLineEnd = lineEnd.Result();
    m_rich = RtfDocument();
    ApplyDocumentProperties();
    ApplyStyles();
    return total;
}

long CTextControl::StreamOut(int format, EDITSTREAM& es) {
    long start = 0;
    long end = GetTextLength();
    if (format & SFF_SELECTION) {
        start = Sci(SCI_GETSELECTIONSTART);
        end = Sci(SCI_GETSELECTIONEND);
    }
    // The control's own buffer goes straight to the callback, a piece at a time.
    const auto* text = reinterpret_cast<char*>(
        Sci(SCI_GETRANGEPOINTER, static_cast<unsigned long>(start), end - start));
    es.dwError = 0;
    long offset = 0;
    while (offset < end - start) {
        const long piece = std::min(kStreamPiece, end - start - offset);
        long done = 0;
        if (uint32_t rc =
                es.pfnCallback(es.dwCookie, const_cast<char*>(text) + offset, piece, &done)) {
            es.dwError = rc;
            break;
        }
        offset += piece;
    }
    return offset;
}

void CTextControl::SetReadOnly(bool readOnly) {
    m_bReadOnly = readOnly;
    Sci(SCI_SETREADONLY, static_cast<unsigned long>(readOnly));
}

void CTextControl::SetBackgroundColor(const QColor& color) {
    m_background = color;
    ApplyStyles();
}

void CTextControl::SetWordWrap(bool wrap) {
    m_bWordWrap = wrap;
    ApplyWordWrap();
}

void CTextControl::ApplyWordWrap() {
    const bool wrap = m_bWordWrap && !m_bOverlongLine;
    Sci(SCI_SETWRAPMODE, static_cast<unsigned long>(wrap ? SC_WRAP_WORD : SC_WRAP_NONE));
}

void CTextControl::SetSelectionBar(bool on) {
    Sci(SCI_SETMARGINWIDTHN, 1UL, on ? 16L : 0L);
}

void CTextControl::SetDefaultCharFormat(const CHARFORMAT& cf) {
    m_defaultFormat = cf;
    ApplyStyles();
}

const QEvent::Type CTypedCharEvent::kType = static_cast<QEvent::Type>(QEvent::registerEventType());

bool CTextControl::event(QEvent* e) {
    if (e->type() == CTypedCharEvent::kType) {
        TypeChar(static_cast<CTypedCharEvent*>(e)->m_char);
        return true;
    }
    return QsciScintillaBase::event(e);
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

bool CTextControl::GetOvertype() const {
    return Sci(SCI_GETOVERTYPE) != 0;
}
void CTextControl::ToggleOvertype() {
    Sci(SCI_EDITTOGGLEOVERTYPE);
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
    Sci(SCI_SETCARETFORE, text);
    Sci(SCI_SETSELFORE, 1UL, pal.color(QPalette::HighlightedText));
    Sci(SCI_SETSELBACK, 1UL, pal.color(QPalette::Highlight));
    Sci(SCI_INDICSETSTYLE, kStrikeIndicator, INDIC_STRIKE);
    Sci(SCI_INDICSETFORE, kStrikeIndicator, text);
    if (!m_rich.formats.empty())
        ApplyRichStyles();
    ApplyPlainStrikeOut();
}

// Strike-out is no style property of the component: plain text gets it from an indicator over
// the whole text, stretched over every insertion.
void CTextControl::ApplyPlainStrikeOut() {
    m_bStrikeOut = m_rich.formats.empty() && (m_defaultFormat.dwEffects & CFE_STRIKEOUT);
    // Only bulk replacements, and insertions while striking out, need telling about: other
    // notices would slow every edit down.
    Sci(SCI_SETMODEVENTMASK,
        static_cast<unsigned long>(SC_MOD_CONTAINER | (m_bStrikeOut ? SC_MOD_INSERTTEXT : 0)));
    if (!m_rich.formats.empty())
        return;
    Sci(SCI_SETINDICATORCURRENT, kStrikeIndicator);
    Sci(m_bStrikeOut ? SCI_INDICATORFILLRANGE : SCI_INDICATORCLEARRANGE, 0UL, GetTextLength());
}

void CTextControl::ApplyDocumentProperties() {
    // Attaching a document resets these; they belong to the text being shown.
    Sci(SCI_SETCODEPAGE, static_cast<unsigned long>(m_bUtf8 ? SC_CP_UTF8 : 0));
    Sci(SCI_SETEOLMODE, static_cast<unsigned long>(m_eLineEnd));
    Sci(SCI_SETREADONLY, static_cast<unsigned long>(m_bReadOnly));
    Sci(SCI_SETUNDOCOLLECTION, 1UL);
    ApplyWordWrap();
    m_bulkUndo.clear();
    Sci(SCI_SETTABWIDTH, static_cast<unsigned long>(m_nTabBlanks));
}
