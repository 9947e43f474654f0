// The text control: the editing component with the operations the program uses, each as a typed
// method. It holds the file's bytes exactly as they are; positions are byte offsets.
#pragma once

#include "text/bytetext.h"
#include "text/replaceall.h"
#include "text/rtfreader.h"
#include "text/textdocument.h"
#include "text/textencoding.h"
#include "text/textloader.h"
#include "text/textsearch.h"
#include "framework/charformat.h"
#include "view/printpager.h"

#include <Qsci/qsciscintillabase.h>

#include <QByteArray>
#include <QColor>
#include <QEvent>
#include <QPoint>
#include <QRect>

#include <cstdint>
#include <optional>
#include <vector>

struct CHARRANGE {
    long cpMin;
    long cpMax;
};

enum : int {
    SF_TEXT = 0x1,
    SF_RTF = 0x2,
    SFF_SELECTION = 0x8000,
    FR_WHOLEWORD = 0x2,
    FR_MATCHCASE = 0x4,
    FR_REGEX = 0x8, // the text is a regular expression
};

// The stream callback: fill (stream-in) or take (stream-out) up to `count` bytes of `buffer`,
// report the bytes done in `*done`; 0 goes on, anything else stops the stream.
using EditStreamCallback = uint32_t (*)(uintptr_t cookie, char* buffer, long count, long* done);

class CCaretRoom;
class CStreamPieces;

struct EDITSTREAM {
    uintptr_t dwCookie = 0;
    uint32_t dwError = 0;
    EditStreamCallback pfnCallback = nullptr;
};

class CTextControl : public QsciScintillaBase {
    Q_OBJECT
public:
    // The most bytes the control holds: positions are 64-bit, and what memory holds is checked
    // before a load.
    static constexpr long kMaxTextLimit = 1L << 46;
    // Wrapping a longer line takes the component minutes: a text with one is shown unwrapped.
    static constexpr long kMaxWrappedLine = 1000000;
    // dwError of a stream-in that stopped at the text limit.
    static constexpr uint32_t kErrTextLimit = 0xFFFF0001u;
    // dwError of a stream that stopped at text the file's encoding cannot hold; what that is
    // tells RefusedCharacter.
    static constexpr uint32_t kErrCannotHold = 0xFFFF0002u;
    // dwError of a stream-in whose bytes do not decode losslessly in the encoding they were to be
    // read in (see SetReadEncoding); where they stop tells UndecodableAt.
    static constexpr uint32_t kErrNotDecodable = 0xFFFF0003u;
    // dwError of a stream-in of a text with a line longer than the component can lay out.
    static constexpr uint32_t kErrLineTooLong = 0xFFFF0004u;

    explicit CTextControl(QWidget* parent = nullptr);

    // The control's modes, under the names the view's options and commands give them (0 or 1).
    // Each is changed through its Set function, which applies it; nothing else holds them.
    int m_bReadOnly = 0;
    int m_bWordWrap = 0;
    int m_bOverwrite = 0; // typing replaces the character after the caret
    int m_bLineNumbers = 0;

    long GetTextLength() const;
    // The text shown, for the work the text core does on it.
    CTextDocument Text() const;
    void SetEmpty(); // a new, empty text: no undo steps, not modified
    QByteArray GetText() const;

    void GetSel(CHARRANGE& range) const;
    void SetSel(long cpMin, long cpMax); // cpMax -1: to the end; brings the caret into view
    void SetSel(const CHARRANGE& range) { SetSel(range.cpMin, range.cpMax); }
    QByteArray GetSelText() const;
    QByteArray GetTextRange(long cpMin, long cpMax) const;
    void ReplaceSel(const QByteArray& text); // one undo step; the caret ends after the new text
    // Inserts or removes text without touching the selection or scrolling.
    void InsertText(long pos, const QByteArray& text);
    void DeleteRange(long pos, long length);
    // Everything between the two is one undo step.
    void BeginUndoAction();
    void EndUndoAction();
    // Replace All in the text shown (see the text core's ReplaceAll), recorded as one step of
    // the undo history, compactly rather than in the component's own.
    ReplaceAllResult ReplaceAll(const ReplaceAllRequest& request,
                                const std::function<bool(double)>& cancelled);

    // Cut and copy give other programs text, and Zorvek the exact bytes as well: pasted into
    // Zorvek they come back unchanged, NULs, stray bytes and line ends included.
    void Cut();
    void Copy();
    void Paste();
    void Clear();
    void Undo();
    bool CanUndo() const;
    void Redo();
    bool CanRedo() const;
    void EmptyUndoBuffer();
    // The text shown, just loaded in place of `before`, becomes one undo step after it: undo
    // brings `before` back, marked modified. Only the part that differs is held twice.
    void MakeUndoableFrom(const QByteArray& before);
    bool CanPaste() const;
    bool GetModify() const;
    // False marks the text as saved; true marks it as differing from the file until then.
    void SetModify(bool modified);

    long LineFromChar(long index) const; // -1: the line of the selection's start
    long LineIndex(long line) const;     // -1: the caret's line
    long LineLength(long index) const; // of the line holding `index`, without its break; -1: caret
    QByteArray GetLine(long line, int maxChars) const;
    long GetLineCount() const;
    // The characters (not bytes) between the start of the line holding `index` and `index`.
    long ColumnOf(long index) const;
    QPoint PosFromChar(long index) const;

    // First position p >= cpMin where `text` matches with the match's end <= cpMax, or -1;
    // `matchEnd` gets that end (without matching case, a match may differ from `text` in size).
    // Why a regular expression was not found, when it may be there, is SearchFailure().
    long FindText(int flags, const CHARRANGE& range, const QByteArray& text,
                  long* matchEnd = nullptr) const;
    // The last position p with a match lying wholly inside the range, or -1.
    long FindTextLast(int flags, const CHARRANGE& range, const QByteArray& text,
                      long* matchEnd = nullptr) const;
    // Whether the range is a match of its own; and what replaces the match last found or
    // checked, the text being unchanged since (`with`'s groups filled in, for a regex).
    bool IsMatch(int flags, const CHARRANGE& range, const QByteArray& text) const;
    QByteArray Replacement(int flags, const QByteArray& with) const;
    QString SearchFailure() const { return m_search.Failure(); }

    // A part of a dump (read-only, CR LF lines of ASCII) shown in place of the text, from
    // `anchor` to `caret` selected and line `top` at the top; no undo steps, not modified.
    void ShowDumpPart(const CTextDocument& part, long anchor, long caret, long top);
    // The component's document shown now, as SCI_GETDOCPOINTER gives it.
    void* DocumentShown() const { return reinterpret_cast<void*>(Sci(SCI_GETDOCPOINTER)); }
    long GetAnchor() const { return Sci(SCI_GETANCHOR); }
    long GetCaret() const { return Sci(SCI_GETCURRENTPOS); }
    // The text's line at the top of the view, and about how many of them the view shows.
    long FirstVisibleLine() const;
    void SetFirstVisibleLine(long line);
    long LinesOnScreen() const { return Sci(SCI_LINESONSCREEN); }
    // The text shown is a part of a longer one that the caller pages through: a scroll bar of
    // the caller's, `barWidth` pixels wide, stands beside the text in place of the component's,
    // and the line numbers, which would number the part's lines, are not shown. 0 ends it.
    void SetPaged(int barWidth);

    long StreamIn(int format, EDITSTREAM& es, int64_t sizeHint = -1);
    // While a stream-in runs: shows the start of the text read so far, read-only, until the load
    // ends, so that a window shown meanwhile has its first screen. False when there is none yet,
    // or the bytes read so far are to be decoded.
    bool ShowLoadHead();
    long StreamOut(int format, EDITSTREAM& es);

    void LimitText(long limit) { m_nTextLimit = limit <= 0 ? kMaxTextLimit : limit; }
    long GetLimitText() const { return m_nTextLimit; }
    void SetReadOnly(bool readOnly);
    void SetBackgroundColor(const QColor& color);
    void SetWordWrap(bool wrap);
    // The text was loaded from rich text and is shown formatted: saving writes it as plain text.
    bool IsRichText() const { return m_bRichText; }
    // Word wrap is asked for, but the text has a line too long to wrap.
    bool IsWrapSuspended() const { return m_bWordWrap && m_bOverlongLine; }
    void SetSelectionBar(bool on);
    // A margin that numbers the file's lines (wrapped lines keep one number), as wide as the
    // last line's number needs; it widens and narrows as lines come and go.
    void SetLineNumbers(bool on);
    int GetLineNumberMarginWidth() const { return static_cast<int>(Sci(SCI_GETMARGINWIDTHN, 0UL)); }
    void SetDefaultCharFormat(const CHARFORMAT& cf);
    // Lays out (and with `draw`, draws) the text from cpMin to cpMax that fits `render`, in the
    // painter's device pixels, wrapped; returns the first position that did not fit, where the
    // next page starts. A null painter forgets the cached layout.
    long FormatRange(bool draw, QPainter* painter, const QRect& render, const QRect& page,
                     long cpMin, long cpMax);
    // Tab stops every `blanks` widths of a blank of the editor font.
    void SetTabStops(int blanks);
    // The component's own overwrite mode, which follows m_bOverwrite.
    bool GetOvertype() const;
    void SetOverwrite(bool on);
    // Types one character at the caret, replacing the next one in overwrite mode unless that
    // ends a line.
    void TypeChar(char c);
    // Magnifies the view only; the editor font stays as it is.
    void ZoomIn();
    void ZoomOut();
    void ZoomReset();
    int GetZoom() const;

    // The encoding the text is saved in.
    FileEncoding GetEncoding() const { return m_encoding; }
    // Whether the whole text can be written in `encoding`; when not, `refused` gets the first
    // character it cannot hold (0 for bytes that are no text).
    bool CanWriteIn(FileEncoding encoding, char32_t* refused) const;
    // From now on the text is saved in `encoding`, which must hold it.
    void SetEncoding(FileEncoding encoding) { m_encoding = encoding; }
    // The encoding that plain-text files are read in from now on, rather than the one their
    // bytes look like (none: that one).
    void SetReadEncoding(std::optional<FileEncoding> encoding) { m_readEncoding = encoding; }
    std::optional<FileEncoding> GetReadEncoding() const { return m_readEncoding; }
    // Where the last stream-in that ended with kErrNotDecodable stopped decoding.
    const Undecodable& Undecoded() const { return m_undecodable; }
    // Every line end of the text becomes `to`, as one undo step; new lines take it too.
    void ConvertLineEnds(LineEnd to);
    // The text's line ends as read: "LF", "CRLF", "CR", or "mixed" when it had several kinds.
    QString LineEndsName() const;
    // The last load found a UTF-16 byte-order mark on bytes that are not UTF-16.
    bool LoadedBadUtf16() const { return m_bBadUtf16; }
    // The last load's bytes held a byte 1: without one, no encoding gives a text that holds the
    // non-text marker, and the loaded text need not be searched for it.
    bool LoadedMarkerByte() const { return m_bMarkerByte; }
    // The first character of `text` that the text's encoding cannot hold, or 0.
    char32_t Unholdable(const QString& text) const { return FirstUnholdable(m_encoding, text); }
    // What the last stream that ended with kErrCannotHold stopped at: a character, or 0 for
    // bytes that are not text.
    char32_t RefusedCharacter() const { return m_refused; }

protected:
    // The component knows only the keys the control keeps; Tab is typed as a character, and a
    // chord with Ctrl or Alt that no command took does nothing.
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    // Typed, pasted or dropped text held a character the encoding cannot hold, and nothing
    // was entered.
    virtual void OnInputRefused(char32_t c);
    // A stream-in of known size has come this far (0 to 1), reading and then any decoding;
    // called for each piece.
    virtual void OnLoadProgress(double) {}

    // Sends a message to the editing component.
    long Sci(unsigned int msg, unsigned long w = 0, long l = 0) const {
        return SendScintilla(msg, w, l);
    }
    long Sci(unsigned int msg, unsigned long w, const void* p) const {
        return SendScintilla(msg, w, const_cast<void*>(p));
    }
    long Sci(unsigned int msg, unsigned long w, const QColor& c) const {
        return SendScintilla(msg, w, c);
    }
    long Sci(unsigned int msg, const QColor& c) const { return SendScintilla(msg, c); }

private:
    static SearchOptions Options(int flags);
    void ClipboardChanged();
    // Puts the selection on the clipboard as text and as its bytes; false when the component is
    // to do it (nothing, or more than one range, is selected).
    bool CopySelection();
    void ApplyDocumentProperties();
    // The properties of the attached document that attaching resets.
    void ApplyTextProperties();
    // Shows again the document shown before the load began, as it was.
    void ReattachDocument();
    // The document shown before the load began, held for the caller.
    void* TakeShownDocument();
    // Shows `doc`, handing the component the reference the caller held on it.
    void AttachHeld(void* doc);
    // Shows `text`, which the component then holds too.
    void Show(const CTextDocument& text);
    // Shows `text` as a plain UTF-8 text with `lineEnd` line ends, and nothing else known of it.
    void ShowPlainText(const CTextDocument& text, LineEnd lineEnd);
    // Shows a rich-text document: its text, with a style for each format of its runs.
    void ShowRichText(LoadedRichText& loaded);
    // The three ways of a stream-in. A rich-text load returns false, having read nothing for
    // good, when the file turns out plain; `loaded` gets how many bytes it read.
    long InsertStream(CStreamPieces& pieces);
    bool LoadRichStream(CStreamPieces& pieces, long& loaded);
    long LoadPlainStream(CStreamPieces& pieces);
    // Styles the formats of rich text can have; the component keeps the others.
    static constexpr size_t kRichStyles = 248;
    static unsigned long RichStyle(size_t format);
    void StyleRichText(const std::deque<RtfRun>& runs);
    void ApplyRichStyles();
    void ApplyStyles();
    void ApplyPlainStrikeOut();
    void ApplyWordWrap();
    void UpdateLineNumberWidth();
    void ApplyKeyBindings();

    long m_nTextLimit = kMaxTextLimit;
    CCaretRoom* m_pCaretRoom; // owned as a child
    bool m_bForcedModify = false;
    FileEncoding m_encoding = TextEncoding::Utf8;
    std::optional<FileEncoding> m_readEncoding;
    Undecodable m_undecodable;
    bool m_bBadUtf16 = false;
    bool m_bMarkerByte = false;
    // The load under way, whose first bytes a window shown meanwhile shows.
    const CTextLoader* m_pLoading = nullptr;
    // What ShowLoadHead replaced, and where it was scrolled to.
    struct ShownDocument {
        void* doc = nullptr;
        long anchor = 0, caret = 0, firstLine = 0, xOffset = 0;
    };
    ShownDocument m_beforeHead;
    ShownDocument ShownNow() const; // the document shown now, and where
    char32_t m_refused = 0;
    bool m_bDragging = false; // a drag is over the control: refusing it needs no message
    bool m_bClipboardHasText = false;
    bool m_bStrikeOut = false;    // the whole plain text is struck out
    bool m_bOverlongLine = false; // the text has a line longer than kMaxWrappedLine
    int m_nLineNumberDigits = -1;
    bool m_bPaged = false; // what the margin's width was measured for; -1: measure again
    LineEnd m_eLineEnd = LineEnd::Lf;
    bool m_bMixedLineEnds = false; // as the text was read
    int m_nTabBlanks = 8;
    // The formats of the rich text shown (its text and styles are in the component); no formats
    // for plain text.
    RtfDocument m_rich;
    bool m_bRichText = false; // the text was loaded from rich text and is shown formatted
    // A position whose column is known, kept right through the edits after it and moved back
    // over small ones before it: the column of a caret in a line of many megabytes is then
    // counted from there, not from the line's start at every keystroke.
    struct ColumnMark {
        long document = 0;
        long index = -1; // -1: none
        long column = 0;
    };
    mutable ColumnMark m_columnMark;
    void KeepColumnMark(int type, long position, long length, long linesAdded);
    CTextSearch m_search;

    // Puts back what Replace All `record` of m_bulkUndo replaced, or what it put back.
    void SwapBulk(size_t record, bool backwards);
    // The records of Replace All; the component's undo history holds their numbers. The undone
    // ones, which only a redo can bring back, are the last.
    std::vector<BulkRecord> m_bulkUndo;
    size_t m_nBulkDone = 0; // of m_bulkUndo, those not undone
    int m_nPendingBulk = 0; // the record the component's last undo or redo stepped over
    QColor m_background;
    CHARFORMAT m_defaultFormat;
    CPrintPager m_printPager;
};
