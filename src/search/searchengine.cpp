// The view's search primitives and the Search menu's commands.
#include "view/lumettaview.h"

#include "framework/uiservices.h"
#include "resources/resource.h"
#include "resources/strings.h"
#include "search/findtextdlg.h"
#include "search/replacetextdlg.h"

// Bytes that are no UTF-8 (in a needle taken from the text) travel as escapes, and become the
// same bytes again.
bool CLumettaView::ToDocumentBytes(const QString& text, QByteArray& bytes) const {
    bytes = BytesFromEscaped(text);
    return Unholdable(text) == 0;
}

QString CLumettaView::FromDocumentBytes(const QByteArray& bytes) const {
    return EscapedFromBytes(bytes);
}

long CLumettaView::FindInRange(const QString& text, const CHARRANGE& range) {
    QByteArray bytes;
    return ToDocumentBytes(text, bytes) ? FindBytesInRange(bytes, range) : -1;
}

long CLumettaView::FindBytesInRange(const QByteArray& bytes, const CHARRANGE& range,
                                    long* matchEnd) const {
    const int flags = (m_bMatchCase ? FR_MATCHCASE : 0) | (m_bWordsOnly ? FR_WHOLEWORD : 0);
    // Backwards: the last match in the range, found by scanning from its end.
    return m_bSearchBackwards ? FindTextLast(flags, range, bytes, matchEnd)
                              : FindText(flags, range, bytes, matchEnd);
}

long CLumettaView::FindNextFrom(const QByteArray& bytes, const CHARRANGE& sel, long limit,
                                bool* wrapped, long* matchEnd) const {
    const long length = GetTextLength();
    CHARRANGE first;
    if (m_bSearchBackwards) {
        first = {0, sel.cpMin};
    } else {
        first.cpMin = sel.cpMin + (sel.cpMin != sel.cpMax ? 1 : 0);
        first.cpMax = limit != -1 ? limit : length;
    }
    long p = FindBytesInRange(bytes, first, matchEnd);
    if (p == -1 && m_bCyclicSearch && limit == -1) {
        const CHARRANGE wrap =
            m_bSearchBackwards ? CHARRANGE{sel.cpMin, length} : CHARRANGE{0, first.cpMin};
        p = FindBytesInRange(bytes, wrap, matchEnd);
        if (wrapped)
            *wrapped = p != -1;
    }
    return p;
}

long CLumettaView::FindNext(const QString& text, long limit, bool interactive) {
    QByteArray bytes;
    CHARRANGE sel;
    GetSel(sel);
    bool wrapped = false;
    long end = -1;
    const long p =
        ToDocumentBytes(text, bytes) ? FindNextFrom(bytes, sel, limit, &wrapped, &end) : -1;
    if (wrapped && interactive)
        ShowStatusMessage(QString::fromUtf8(Str::CursorWarped), true);
    if (p == -1) {
        if (interactive)
            ShowStatusMessage(QString::fromUtf8(Str::TextNotFound), true);
        return -1;
    }
    SetSel(p, end);
    return p;
}

void CLumettaView::OnEditFind() {
    CFindTextDlg dlg(GetSelectedText(), this);
    if (dlg.DoModal() == IDOK)
        FindNext(dlg.m_strFind, -1, true);
}

void CLumettaView::OnEditReplace() {
    CHARRANGE sel;
    GetSel(sel);
    QString initial;
    long limit = -1;
    if (sel.cpMin != sel.cpMax) {
        if (LineFromChar(sel.cpMin) == LineFromChar(sel.cpMax))
            initial = GetSelectedText();
        else
            limit = sel.cpMax; // the lines selected: the dialog's selection-only mode
    }
    CReplaceTextDlg dlg(initial, limit, this);
    dlg.DoModal();
}

void CLumettaView::OnEditRepeat() {
    FindNext(m_findHistory.GetMostRecent(), -1, true);
}

void CLumettaView::OnUpdateEditRepeat(CCmdUI* pCmdUI) {
    pCmdUI->Enable(m_findHistory.GetCount() > 0);
}

void CLumettaView::OnFindSelection() {
    const QString text = GetSelectedText();
    m_findHistory.AddString(AfxGetApp()->m_nHistoryItems, text);
    FindNext(text, -1, true);
}

void CLumettaView::OnUpdateNeedsSelection(CCmdUI* pCmdUI) {
    CHARRANGE sel;
    GetSel(sel);
    pCmdUI->Enable(sel.cpMin != sel.cpMax);
}
