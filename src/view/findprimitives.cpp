// The view's search primitives: a string found inside a range, or from the selection on with
// wrap-around, with the options the user set or with those a caller gives.
#include "view/lumettaview.h"

#include "framework/framewnd.h"
#include "framework/inputswallower.h"
#include "resources/strings.h"
#include "view/hexpager.h"

#include <QApplication>

FindOptions CLumettaView::UserFindOptions() const {
    return FindOptions{{m_bMatchCase != 0, m_bWordsOnly != 0, m_bRegularExpression != 0},
                       m_bSearchBackwards != 0,
                       m_bCyclicSearch != 0};
}

// Bytes that are no UTF-8 (in a needle taken from the text) travel as escapes, and become the
// same bytes again.
bool CLumettaView::ToDocumentBytes(const QString& text, QByteArray& bytes) const {
    bytes = BytesFromEscaped(text);
    return Unholdable(text) == 0;
}

QString CLumettaView::FromDocumentBytes(const QByteArray& bytes) const {
    return EscapedFromBytes(bytes);
}

long CLumettaView::FindInRange(const QString& text, const CHARRANGE& range,
                               const FindOptions& options) const {
    QByteArray bytes;
    return ToDocumentBytes(text, bytes) ? FindBytesInRange(bytes, range, options) : -1;
}

bool CLumettaView::SelectionMatches(const QString& text) const {
    QByteArray bytes;
    CHARRANGE sel;
    GetSel(sel);
    return ToDocumentBytes(text, bytes) &&
           IsMatch(SearchFlags(UserFindOptions().match), sel, bytes);
}

QByteArray CLumettaView::ReplacementFor(const QString& with) const {
    QByteArray bytes;
    ToDocumentBytes(with, bytes);
    return Replacement(SearchFlags(UserFindOptions().match), bytes);
}

int CLumettaView::SearchFlags(const SearchOptions& options) {
    return (options.matchCase ? FR_MATCHCASE : 0) | (options.wholeWord ? FR_WHOLEWORD : 0) |
           (options.regex ? FR_REGEX : 0);
}

long CLumettaView::FindBytesInRange(const QByteArray& bytes, const CHARRANGE& range,
                                    const FindOptions& options, long* matchEnd) const {
    const int flags = SearchFlags(options.match);
    // Backwards: the last match in the range, found by scanning from its end.
    return options.backwards ? FindTextLast(flags, range, bytes, matchEnd)
                             : FindText(flags, range, bytes, matchEnd);
}

long CLumettaView::FindNextFrom(const QByteArray& bytes, const CHARRANGE& sel, long limit,
                                const FindOptions& options, bool* wrapped, long* matchEnd) const {
    const long length = GetTextLength();
    const bool regex = options.match.regex;
    CHARRANGE first;
    if (options.backwards) {
        first = {0, sel.cpMin};
    } else {
        // A regular expression goes on after the match selected: its matches do not overlap.
        first.cpMin = regex ? sel.cpMax : sel.cpMin + (sel.cpMin != sel.cpMax ? 1 : 0);
        first.cpMax = limit != -1 ? limit : length;
    }
    long end = -1;
    long p = FindBytesInRange(bytes, first, options, &end);
    if (regex && p != -1 && p == end && p == sel.cpMin && sel.cpMin == sel.cpMax) {
        // The empty match at the caret is where the search stands: the next one is a
        // character further on (or back).
        if (options.backwards)
            first.cpMax = p > 0 ? Text().PrevChar(p) : -1;
        else
            first.cpMin = p < length ? Text().NextChar(p) : length + 1;
        p = first.cpMax >= first.cpMin ? FindBytesInRange(bytes, first, options, &end) : -1;
    }
    if (matchEnd)
        *matchEnd = end;
    // A search that gave up has not looked at the rest: it says why rather than wrap around.
    if (p == -1 && options.cyclic && limit == -1 && SearchFailure().isEmpty()) {
        const CHARRANGE wrap =
            options.backwards ? CHARRANGE{sel.cpMin, length} : CHARRANGE{0, first.cpMin};
        p = FindBytesInRange(bytes, wrap, options, matchEnd);
        if (wrapped)
            *wrapped = p != -1;
    }
    return p;
}

long CLumettaView::FindNext(const QString& text, long limit, bool interactive,
                            const FindOptions& options) {
    QByteArray bytes;
    CHARRANGE sel;
    GetSel(sel);
    if (m_pHexPager)
        return ToDocumentBytes(text, bytes)
                   ? FindInPagedDump(bytes, sel, limit, interactive, options)
                   : -1;
    bool wrapped = false;
    long end = -1;
    const long p = ToDocumentBytes(text, bytes)
                       ? FindNextFrom(bytes, sel, limit, options, &wrapped, &end)
                       : -1;
    if (wrapped && interactive)
        ShowStatusMessage(QString::fromUtf8(Str::CursorWarped), true);
    if (p == -1) {
        if (interactive && options.match.regex && !SearchFailure().isEmpty())
            ShowStatusMessage(QString::fromUtf8(Str::RegexGaveUp).arg(SearchFailure()), true);
        else if (interactive)
            ShowStatusMessage(QString::fromUtf8(Str::TextNotFound), true);
        return -1;
    }
    SetSel(p, end);
    return p;
}

long CLumettaView::FindInPagedDump(const QByteArray& bytes, const CHARRANGE& sel, long limit,
                                   bool interactive, const FindOptions& options) {
    CHexPager& pager = *m_pHexPager;
    const long selMin = pager.Global(sel.cpMin);
    const long selMax = pager.Global(sel.cpMax);
    const long end = limit != -1 ? pager.Global(limit) : -1;
    const bool regex = options.match.regex;
    // From where the search in a text goes on (see FindNextFrom).
    long from = options.backwards ? selMin : regex ? selMax : selMin + (selMin != selMax ? 1 : 0);
    ShowStatusMessage(QString::fromUtf8(Str::SearchingDump), false);
    CFrameWnd* frame = GetParentFrame(this);
    CInputSwallower input;
    qApp->installEventFilter(&input);
    const auto cancelled = [&](double done) {
        if (frame)
            frame->SetProgress(static_cast<int>(done * 100));
        QApplication::processEvents(QEventLoop::X11ExcludeTimers);
        return input.m_bEscape;
    };
    const auto find = [&](long cpMin, long cpMax, long* matchEnd) {
        return pager.Find(bytes, options.match, options.backwards, cpMin, cpMax, matchEnd,
                          cancelled);
    };
    long matchEnd = -1;
    long p = options.backwards ? find(0, from, &matchEnd) : find(from, end, &matchEnd);
    if (regex && p >= 0 && p == matchEnd && p == selMin && selMin == selMax) {
        // The empty match at the caret is where the search stands (the dump is ASCII: a
        // character is a byte).
        from = options.backwards ? p - 1 : p + 1;
        p = from < 0 || from > pager.Length() ? -1
            : options.backwards               ? find(0, from, &matchEnd)
                                              : find(from, end, &matchEnd);
    }
    bool wrapped = false;
    if (p == -1 && options.cyclic && limit == -1 && pager.Failure().isEmpty()) {
        p = options.backwards ? find(selMin, -1, &matchEnd) : find(0, from, &matchEnd);
        wrapped = p >= 0;
    }
    if (frame)
        frame->SetProgress(-1);
    ShowStatusMessage(QString(), false);
    // Keys pressed during the search were the search's (see CHexView::OnViewHex).
    QApplication::processEvents(QEventLoop::X11ExcludeTimers);
    qApp->removeEventFilter(&input);
    if (p == -2)
        return -1; // stopped by the user, who knows why nothing was found
    if (wrapped && interactive)
        ShowStatusMessage(QString::fromUtf8(Str::CursorWarped), true);
    if (p == -1) {
        if (interactive && regex && !pager.Failure().isEmpty())
            ShowStatusMessage(QString::fromUtf8(Str::RegexGaveUp).arg(pager.Failure()), true);
        else if (interactive)
            ShowStatusMessage(QString::fromUtf8(Str::TextNotFound), true);
        return -1;
    }
    pager.Select(p, matchEnd);
    CHARRANGE shown;
    GetSel(shown);
    return shown.cpMin;
}
