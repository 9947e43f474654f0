// The view's search primitives: a string found inside a range, or from the selection on with
// wrap-around, with the options the user set or with those a caller gives.
#include "view/lumettaview.h"

#include "resources/strings.h"

FindOptions CLumettaView::UserFindOptions() const {
    return FindOptions{{m_bMatchCase != 0, m_bWordsOnly != 0}, m_bSearchBackwards != 0,
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

long CLumettaView::FindBytesInRange(const QByteArray& bytes, const CHARRANGE& range,
                                    const FindOptions& options, long* matchEnd) const {
    const int flags =
        (options.match.matchCase ? FR_MATCHCASE : 0) | (options.match.wholeWord ? FR_WHOLEWORD : 0);
    // Backwards: the last match in the range, found by scanning from its end.
    return options.backwards ? FindTextLast(flags, range, bytes, matchEnd)
                             : FindText(flags, range, bytes, matchEnd);
}

long CLumettaView::FindNextFrom(const QByteArray& bytes, const CHARRANGE& sel, long limit,
                                const FindOptions& options, bool* wrapped, long* matchEnd) const {
    const long length = GetTextLength();
    CHARRANGE first;
    if (options.backwards) {
        first = {0, sel.cpMin};
    } else {
        first.cpMin = sel.cpMin + (sel.cpMin != sel.cpMax ? 1 : 0);
        first.cpMax = limit != -1 ? limit : length;
    }
    long p = FindBytesInRange(bytes, first, options, matchEnd);
    if (p == -1 && options.cyclic && limit == -1) {
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
    bool wrapped = false;
    long end = -1;
    const long p = ToDocumentBytes(text, bytes)
                       ? FindNextFrom(bytes, sel, limit, options, &wrapped, &end)
                       : -1;
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
