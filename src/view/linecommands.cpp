// The view's commands that work on whole lines or insert generated text.
#include "view/lumettaview.h"

#include "framework/uiservices.h"
#include "framework/waitcursor.h"
#include "resources/resource.h"
#include "view/linetext.h"

#include <QApplication>

#include <vector>

namespace {
constexpr int kAutoIndentChars = 49;
}

void CLumettaView::AutoIndentStep() {
    const QByteArray indent =
        LeadingBlanks(GetLine(LineFromChar(-1), kAutoIndentChars), kAutoIndentChars);
    // Posted, so that they are typed after the line break that the Enter key itself makes.
    for (char c : indent)
        QApplication::postEvent(this, new CTypedCharEvent(c));
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
    const long first = LineFromChar(sel.cpMin);
    const long last = LineFromChar(sel.cpMax);
    // The selection is put back over the same text: each end moves by what was inserted or
    // removed before it.
    long start = sel.cpMin;
    long end = sel.cpMax;
    // Where the lines start is taken first, and they are changed from the last: removing a blank
    // between a CR and an LF joins two lines into one, which would shift the lines after it.
    std::vector<long> starts;
    for (long line = first; line <= last; ++line)
        starts.push_back(LineIndex(line));
    BeginUndoAction();
    for (auto at = starts.rbegin(); at != starts.rend(); ++at) {
        const long lineStart = *at;
        if (id == ID_INDENT_INCREASE) {
            InsertText(lineStart, QByteArrayLiteral("\t"));
            if (lineStart <= sel.cpMin)
                ++start;
            if (lineStart <= sel.cpMax)
                ++end;
        } else {
            const QByteArray head = GetTextRange(lineStart, lineStart + 1);
            if (head != " " && head != "\t")
                continue;
            DeleteRange(lineStart, 1);
            if (lineStart < sel.cpMin)
                --start;
            if (lineStart < sel.cpMax)
                --end;
        }
    }
    EndUndoAction();
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
