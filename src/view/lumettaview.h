// The editor view: the text control with the editor's options, their persistence, the simple
// editing commands, read-only, word wrap and overwrite modes, and loading and saving the text.
#pragma once

#include "framework/cmdtarget.h"
#include "framework/printing.h"
#include "framework/texthistory.h"
#include "framework/winapp.h"
#include "view/textcontrol.h"

class CArchive;
class CDocument;
class CHexPager;
class CLoadProgress;
class CReadFile;

// Thrown by StreamText when the file's encoding cannot hold what was to be inserted; nothing
// was.
struct CInsertRefused {
    QString m_strMessage;
};

// What a search looks for besides the text: case and whole words, its direction, and whether it
// goes on from the other end of the text.
struct FindOptions {
    SearchOptions match;
    bool backwards = false;
    bool cyclic = false;
};

class CLumettaView : public CTextControl, public CCmdTargetImpl<CLumettaView>, public CPrintable {
    Q_OBJECT
public:
    explicit CLumettaView(QWidget* parent = nullptr);
    ~CLumettaView() override;

    // Configures the control from the options once it exists.
    void OnCreate();
    // For every new or opened document: no undo steps, the text shown rather than a dump.
    void OnInitialUpdate();

    void ToggleReadOnly();
    void ToggleWordWrap();
    void ToggleLineNumbers();
    // Tells the user when the text is shown unwrapped although word wrap is on.
    void SayIfWrapSuspended();
    void SetTabWidth(int nWidth);
    void ShowStatusMessage(const QString& text, bool bBeep);
    void SetDocument(CDocument* doc) { m_pDocument = doc; }
    // The full path of the open file; empty for an untitled document.
    QString DocumentPath() const;

    // The search primitives, with the options the user set or with those given: the match
    // chosen by the options inside `range`, or -1; and the next match from the selection in the
    // options' direction, selected, with wrap-around when they allow it and `limit` is -1.
    FindOptions UserFindOptions() const;
    long FindInRange(const QString& text, const CHARRANGE& range) const {
        return FindInRange(text, range, UserFindOptions());
    }
    long FindInRange(const QString& text, const CHARRANGE& range,
                     const FindOptions& options) const;
    long FindNext(const QString& text, long limit, bool interactive) {
        return FindNext(text, limit, interactive, UserFindOptions());
    }
    long FindNext(const QString& text, long limit, bool interactive, const FindOptions& options);
    // The text's bytes as the document holds them; false when it has characters the file's
    // encoding cannot hold, so that it can never be found nor be entered.
    bool ToDocumentBytes(const QString& text, QByteArray& bytes) const;
    QString FromDocumentBytes(const QByteArray& bytes) const;
    QString GetSelectedText() const { return FromDocumentBytes(GetSelText()); }
    // With the user's options: whether the selection is a match of `text` of its own, and the
    // bytes that replace it then (for a regular expression, `with` with the match's groups).
    bool SelectionMatches(const QString& text) const;
    QByteArray ReplacementFor(const QString& with) const;
    static int SearchFlags(const SearchOptions& options);
    // What the user is told when a character cannot be stored in the file.
    QString CannotHoldText(char32_t c) const;
    // Why the text cannot be saved to `path` in `encoding`: it holds `c`, which the encoding
    // cannot hold.
    QString CannotSaveText(const QString& path, char32_t c, FileEncoding encoding) const;

    // The printing steps.
    void OnBeginPrinting(QPainter* painter, CPrintInfo& info) override;
    void OnPrepareDC(QPainter* painter, CPrintInfo& info) override;
    void OnPrint(QPainter& painter, CPrintInfo& info) override;
    void OnEndPrinting(QPainter* painter, CPrintInfo& info) override;
    // Where the text goes on a page (`page` is the printable area), inside the margins; and
    // whether that leaves room for the text.
    QRect PrintArea(const QRect& page, QSize dpi) const;
    bool LeavesRoom(const QRect& area, QSize dpi) const;
    void OnFilePrintDirect();
    void OnFilePageSetup();
    void OnFilePrintPreview();

    void Serialize(CArchive& ar);
    void StreamText(CArchive& ar, int format);
    // A hash (CContentHash) of the bytes of the file last read or written whole.
    uint64_t StreamHash() const { return m_nStreamHash; }

    // Shows the dump of a big `file` a window at a time, until the text is shown again.
    void ShowPagedDump(std::unique_ptr<CReadFile> file);
    // The paging of the dump shown, or null when the whole dump (or the text) is shown.
    CHexPager* HexPager() const { return m_pHexPager.get(); }
    void EndPagedDump();

    static const std::vector<MessageMapEntry<CLumettaView>>& GetMessageMap();

    int m_bHexView = 0;
    int m_bSelectionBar = 0;
    int m_bAutoIndent = 0;
    int m_nTabWidth = 3;
    CHARFORMAT m_charFormat;
    int m_bMatchCase = 0;
    int m_bWordsOnly = 0;
    int m_bRegularExpression = 0;
    int m_bSearchBackwards = 0;
    int m_bCyclicSearch = 1;
    CTextHistory m_findHistory;
    CTextHistory m_replaceHistory;
    long m_nPrintPos = 0;
    RECT m_rectMargins;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void changeEvent(QEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void OnInputRefused(char32_t c) override;
    void OnLoadProgress(double done) override;

private:
    void OnEditUndo();
    void OnEditRedo();
    void OnEditSelectAll();
    void OnEditCut();
    void OnEditCopy();
    void OnEditPaste();
    void OnEditOverwrite();
    void OnViewReadOnly();
    void OnViewWordWrap();
    void OnViewLineNumbers();
    void OnUpdateEditUndo(CCmdUI* pCmdUI);
    void OnUpdateEditRedo(CCmdUI* pCmdUI);
    void OnViewZoom(int id);
    void OnUpdateEditCut(CCmdUI* pCmdUI);
    void OnUpdateEditPaste(CCmdUI* pCmdUI);
    void OnUpdateEditOverwrite(CCmdUI* pCmdUI);
    void OnUpdateViewReadOnly(CCmdUI* pCmdUI);
    void OnUpdateViewWordWrap(CCmdUI* pCmdUI);
    void OnUpdateViewLineNumbers(CCmdUI* pCmdUI);
    void OnUpdateFileSave(CCmdUI* pCmdUI);
    void OnUpdateNeedsWritable(CCmdUI* pCmdUI);
    void OnUpdateLineCol(CCmdUI* pCmdUI);
    void OnUpdateOverwriteIndicator(CCmdUI* pCmdUI);
    void OnUpdateModifiedIndicator(CCmdUI* pCmdUI);
    void OnUpdateEncodingIndicator(CCmdUI* pCmdUI);

    // Line and indent commands.
    // Enter with auto indent: the line break, then the blanks that start the line it broke.
    void AutoIndentStep(QKeyEvent* e);
    void OnViewAutoIndent();
    void OnUpdateViewAutoIndent(CCmdUI* pCmdUI);
    void OnIndent(int id);
    void OnEditDeleteLine();
    void OnEditDateTime();
    // Font, tab width and go to line.
    void OnViewSetFont();
    void OnViewTabWidth();
    void OnViewGotoLine();

    // The warning after a load that the text looks like something else.
    void OnNonTextWarning();
    void CheckNonText();

    long FindBytesInRange(const QByteArray& bytes, const CHARRANGE& range,
                          const FindOptions& options, long* matchEnd = nullptr) const;
    // Where FindNext would find `bytes` from the selection `sel`, without selecting it or saying
    // anything; `wrapped` tells whether it came from the wrap-around, `matchEnd` where the match
    // ends.
    long FindNextFrom(const QByteArray& bytes, const CHARRANGE& sel, long limit,
                      const FindOptions& options, bool* wrapped, long* matchEnd) const;

    // FindNext in a dump shown a window at a time: the whole dump is searched, a piece at a
    // time, with progress, and Escape stops it.
    long FindInPagedDump(const QByteArray& bytes, const CHARRANGE& sel, long limit,
                         bool interactive, const FindOptions& options);

    void SaveSettings();

    CDocument* m_pDocument = nullptr;
    uint64_t m_nStreamHash = 0;
    CLoadProgress* m_pLoadProgress = nullptr; // of the load under way
    std::unique_ptr<CHexPager> m_pHexPager;
};
