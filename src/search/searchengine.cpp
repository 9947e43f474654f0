// The view's search primitives and the Search menu's commands.
#include "view/lumettaview.h"

#include "framework/uiservices.h"
#include "resources/resource.h"
#include "resources/strings.h"
#include "search/findtextdlg.h"

namespace {
constexpr long kBackwardWindow = 1024;
}

bool CLumettaView::ToDocumentBytes(const QString& text, QByteArray& bytes) const {
    if (IsUtf8()) {
        bytes = text.toUtf8();
        return true;
    }
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    bytes = text.toLatin1();
    return true;
}

QString CLumettaView::FromDocumentBytes(const QByteArray& bytes) const {
    return IsUtf8() ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

long CLumettaView::FindInRange(const QString& text, const CHARRANGE& range) {
    QByteArray bytes;
    if (!ToDocumentBytes(text, bytes))
        return -1;
    const int flags = (m_bMatchCase ? FR_MATCHCASE : 0) | (m_bWordsOnly ? FR_WHOLEWORD : 0);
    const long p0 = FindText(flags, range, bytes);
    if (!m_bSearchBackwards || p0 == -1)
        return p0;
    // The last match: windows from the end of the range towards the first match, each
    // overlapping the one after it by n - 1 so that no match is cut in two.
    const long n = bytes.size();
    const long step = n < kBackwardWindow ? kBackwardWindow : 2 * n;
    long hi = range.cpMax < 0 ? GetTextLength() : range.cpMax;
    for (;;) {
        const long lo = std::max(hi - step, p0);
        long p = FindText(flags, CHARRANGE{lo, hi}, bytes);
        if (p == -1) {
            if (lo == p0)
                return -1;
            hi = lo + n - 1;
            continue;
        }
        while (p + 1 + n <= hi) {
            const long next = FindText(flags, CHARRANGE{p + 1, hi}, bytes);
            if (next == -1)
                break;
            p = next;
        }
        return p;
    }
}

long CLumettaView::FindNext(const QString& text, long limit, bool interactive) {
    const long length = GetTextLength();
    QByteArray bytes;
    ToDocumentBytes(text, bytes);
    CHARRANGE sel;
    GetSel(sel);
    CHARRANGE first;
    if (m_bSearchBackwards) {
        first = {0, sel.cpMin};
    } else {
        first.cpMin = sel.cpMin + (sel.cpMin != sel.cpMax ? 1 : 0);
        first.cpMax = limit != -1 ? limit : length;
    }
    long p = FindInRange(text, first);
    if (p == -1 && m_bCyclicSearch && limit == -1) {
        const CHARRANGE wrap = m_bSearchBackwards ? CHARRANGE{sel.cpMin, length}
                                                  : CHARRANGE{0, first.cpMin};
        p = FindInRange(text, wrap);
        if (p != -1 && interactive)
            ShowStatusMessage(QString::fromUtf8(Str::CursorWarped), true);
    }
    if (p == -1) {
        if (interactive)
            ShowStatusMessage(QString::fromUtf8(Str::TextNotFound), true);
        return -1;
    }
    SetSel(p, p + bytes.size());
    return p;
}

void CLumettaView::OnEditFind() {
    CFindTextDlg dlg(GetSelectedText(), this);
    if (dlg.DoModal() == IDOK)
        FindNext(dlg.m_strFind, -1, true);
}

void CLumettaView::OnEditRepeat() { FindNext(m_findHistory.GetMostRecent(), -1, true); }

void CLumettaView::OnUpdateEditRepeat(CCmdUI* pCmdUI) { pCmdUI->Enable(m_findHistory.GetCount() > 0); }

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
