// The editor view: the text control with the editor's options, their persistence, the simple
// editing commands, read-only, word wrap and overwrite modes, and loading and saving the text.
#pragma once

#include "app/lumettaapp.h"
#include "framework/cmdtarget.h"
#include "framework/printing.h"
#include "search/texthistory.h"
#include "view/textcontrol.h"

class CArchive;
class CDocument;
class CLoadProgress;

// Thrown by StreamText when the file's encoding cannot hold what was to be inserted; nothing
// was.
struct CInsertRefused {
    QString m_strMessage;
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

    // The search primitives: the match chosen by the options inside `range`, or -1; and the
    // next match from the selection in the current direction, selected, with wrap-around.
    long FindInRange(const QString& text, const CHARRANGE& range);
    long FindNext(const QString& text, long limit, bool interactive);
    long FindBytesInRange(const QByteArray& bytes, const CHARRANGE& range,
                          long* matchEnd = nullptr) const;
    // Where FindNext would find `bytes` from the selection `sel`, without selecting it or
    // saying anything; `wrapped` tells whether it came from the wrap-around, `matchEnd` where
    // the match ends.
    long FindNextFrom(const QByteArray& bytes, const CHARRANGE& sel, long limit,
                      bool* wrapped = nullptr, long* matchEnd = nullptr) const;
    // The text's bytes as the document holds them; false when it has characters the file's
    // encoding cannot hold, so that it can never be found nor be entered.
    bool ToDocumentBytes(const QString& text, QByteArray& bytes) const;
    QString FromDocumentBytes(const QByteArray& bytes) const;
    QString GetSelectedText() const { return FromDocumentBytes(GetSelText()); }
    // What the user is told when a character cannot be stored in the file.
    QString CannotHoldText(char32_t c) const;

    // The printing steps.
    void OnBeginPrinting(QPainter* painter, CPrintInfo& info) override;
    void OnPrepareDC(QPainter* painter, CPrintInfo& info) override;
    void OnPrint(QPainter& painter, CPrintInfo& info) override;
    void OnEndPrinting(QPainter* painter, CPrintInfo& info) override;
    void OnFilePrintDirect();
    void OnFilePageSetup();
    void OnFilePrintPreview();

    void Serialize(CArchive& ar);
    void StreamText(CArchive& ar, int format);

    static const std::vector<MessageMapEntry<CLumettaView>>& GetMessageMap();

    int m_bHexView = 0;
    int m_bSelectionBar = 0;
    int m_bAutoIndent = 0;
    int m_nTabWidth = 3;
    CHARFORMAT m_charFormat;
    int m_bMatchCase = 0;
    int m_bWordsOnly = 0;
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
    void AutoIndentStep();
    void OnViewAutoIndent();
    void OnUpdateViewAutoIndent(CCmdUI* pCmdUI);
    void OnIndent(int id);
    void OnEditDeleteLine();
    void OnEditDateTime();
    // Font, tab width and go to line.
    void OnViewSetFont();
    void OnViewTabWidth();
    void OnViewGotoLine();

    // Search commands.
    void OnEditFind();
    void OnEditReplace();
    void OnEditRepeat();
    void OnUpdateEditRepeat(CCmdUI* pCmdUI);
    void OnFindSelection();
    void OnUpdateNeedsSelection(CCmdUI* pCmdUI);
    void OnMatchBrace();
    int CountInRange(char ch, const CHARRANGE& range);

    // Hexadecimal view, insert file and the non-text warning.
    void OnViewHex();
    void OnUpdateViewHex(CCmdUI* pCmdUI);
    void OnFileInsert();
    void OnNonTextWarning();
    void CheckNonText();

    void SaveSettings();

    CDocument* m_pDocument = nullptr;
    CLoadProgress* m_pLoadProgress = nullptr; // of the load under way
};
