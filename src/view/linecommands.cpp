// The view's commands that work on whole lines or insert generated text.
#include "view/lumettaview.h"

#include "framework/uiservices.h"
#include "framework/waitcursor.h"
#include "resources/resource.h"
#include "text/linetransforms.h"
#include "view/linetext.h"

#include <QApplication>

namespace {
constexpr int kAutoIndentChars = 49;
}

void CLumettaView::AutoIndentStep(QKeyEvent* e) {
    const QByteArray indent =
        LeadingBlanks(GetLine(LineFromChar(-1), kAutoIndentChars), kAutoIndentChars);
    // The break and the indent are one undo step, and the indent is inserted, never typed: in
    // overwrite mode typing it would overwrite the rest of the line.
    BeginUndoAction();
    CTextControl::keyPressEvent(e);
    if (!indent.isEmpty())
        ReplaceSel(indent);
    EndUndoAction();
}

void CLumettaView::OnViewAutoIndent() {
    m_bAutoIndent = !m_bAutoIndent;
}

void CLumettaView::OnUpdateViewAutoIndent(CCmdUI* pCmdUI) {
    pCmdUI->SetCheck(m_bAutoIndent);
    pCmdUI->Enable(!m_bReadOnly);
}

void CLumettaView::OnIndent(int id) {
    CWaitCursor wait;
    CHARRANGE sel;
    GetSel(sel);
    CTextDocument text = Text();
    const auto [start, end] = IndentLines(text, LineFromChar(sel.cpMin), LineFromChar(sel.cpMax),
                                          id == ID_INDENT_INCREASE, sel.cpMin, sel.cpMax);
    SetSel(start, end);
}

void CLumettaView::OnEditDeleteLine() {
    const long line = LineFromChar(LineIndex(-1));
    const long start = LineIndex(line);
    // The line and the break that ends it, whichever it is; the last line has none.
    const long next = line + 1 < GetLineCount() ? LineIndex(line + 1) : GetTextLength();
    SetSel(start, next);
    Clear();
}

void CLumettaView::OnEditDateTime() {
    const QString text = DateTimeText(QDateTime::currentDateTime(), QLocale());
    if (const char32_t bad = Unholdable(text)) {
        Ui().MessageBox(CannotHoldText(bad), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    ReplaceSel(text.toUtf8());
}
