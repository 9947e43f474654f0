// Match Brace: from a selected brace to the one that balances it.
#include "view/lumettaview.h"

#include "framework/waitcursor.h"
#include "resources/strings.h"

namespace {
const char kBraces[] = "{[(}])";
}

int CLumettaView::CountInRange(char ch, const CHARRANGE& range) {
    const int savedBackwards = m_bSearchBackwards;
    m_bSearchBackwards = 0;
    int count = 0;
    CHARRANGE copy = range;
    const QString text = QString(QLatin1Char(ch));
    for (long p = FindInRange(text, copy); p != -1; p = FindInRange(text, copy)) {
        ++count;
        copy.cpMin = p + 1;
    }
    m_bSearchBackwards = savedBackwards;
    return count;
}

void CLumettaView::OnMatchBrace() {
    const QByteArray selected = GetSelText().trimmed();
    const char* found = selected.size() == 1 ? std::strchr(kBraces, selected[0]) : nullptr;
    if (!found || selected[0] == '\0') {
        ShowStatusMessage(QString::fromUtf8(Str::NoSingleBrace), true);
        return;
    }
    const char brace = selected[0];
    const int i = static_cast<int>(found - kBraces);
    const bool forward = i < 3;
    const char partner = kBraces[forward ? i + 3 : i - 3];
    CHARRANGE sel;
    GetSel(sel);
    CHARRANGE range = forward ? CHARRANGE{sel.cpMax, GetTextLength()} : CHARRANGE{0, sel.cpMin};

    const int savedBackwards = m_bSearchBackwards;
    const int savedWords = m_bWordsOnly;
    m_bWordsOnly = 0;
    m_bSearchBackwards = forward ? 0 : 1;
    {
        CWaitCursor wait;
        const QString partnerText = QString(QLatin1Char(partner));
        int depth = 0;
        long pos = FindInRange(partnerText, range);
        while (pos != -1) {
            // The selected kind of brace opened between the search start and this partner.
            const CHARRANGE stretch =
                forward ? CHARRANGE{range.cpMin, pos} : CHARRANGE{pos + 1, range.cpMax};
            if (stretch.cpMin < stretch.cpMax)
                depth += CountInRange(brace, stretch);
            if (depth == 0)
                break;
            --depth;
            if (forward)
                range.cpMin = pos + 1;
            else
                range.cpMax = pos;
            if (range.cpMin >= range.cpMax) {
                pos = -1;
                break;
            }
            pos = FindInRange(partnerText, range);
        }
        if (pos != -1)
            SetSel(pos, pos + 1);
        else
            ShowStatusMessage(QString::fromUtf8(Str::BraceUnbalanced), true);
    }
    m_bSearchBackwards = savedBackwards;
    m_bWordsOnly = savedWords;
}
