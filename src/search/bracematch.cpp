#include "search/bracematch.h"

#include "framework/waitcursor.h"
#include "resources/strings.h"
#include "view/lumettaview.h"

#include <cstring>

namespace {
const char kBraces[] = "{[(}])";

// How many times `ch` occurs in `range`.
long CountInRange(const CLumettaView& view, char ch, const CHARRANGE& range,
                  const FindOptions& forwards) {
    long count = 0;
    CHARRANGE rest = range;
    const QString text = QString(QLatin1Char(ch));
    for (long p = view.FindInRange(text, rest, forwards); p != -1;
         p = view.FindInRange(text, rest, forwards)) {
        ++count;
        rest.cpMin = p + 1;
    }
    return count;
}
} // namespace

void MatchBrace(CLumettaView& view) {
    const QByteArray selected = view.GetSelText().trimmed();
    const char* found = selected.size() == 1 ? std::strchr(kBraces, selected[0]) : nullptr;
    if (!found || selected[0] == '\0') {
        view.ShowStatusMessage(QString::fromUtf8(Str::NoSingleBrace), true);
        return;
    }
    const char brace = selected[0];
    const int i = static_cast<int>(found - kBraces);
    const bool forward = i < 3;
    const char partner = kBraces[forward ? i + 3 : i - 3];
    CHARRANGE sel;
    view.GetSel(sel);
    CHARRANGE range =
        forward ? CHARRANGE{sel.cpMax, view.GetTextLength()} : CHARRANGE{0, sel.cpMin};

    // A brace is found wherever it stands, whole words or not; the partner in the direction of
    // the search, the braces between counted forwards.
    FindOptions towardsPartner = view.UserFindOptions();
    towardsPartner.match.wholeWord = false;
    towardsPartner.backwards = !forward;
    FindOptions forwards = towardsPartner;
    forwards.backwards = false;

    CWaitCursor wait;
    const QString partnerText = QString(QLatin1Char(partner));
    long depth = 0;
    long pos = view.FindInRange(partnerText, range, towardsPartner);
    while (pos != -1) {
        // The selected kind of brace opened between the search start and this partner.
        const CHARRANGE stretch =
            forward ? CHARRANGE{range.cpMin, pos} : CHARRANGE{pos + 1, range.cpMax};
        if (stretch.cpMin < stretch.cpMax)
            depth += CountInRange(view, brace, stretch, forwards);
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
        pos = view.FindInRange(partnerText, range, towardsPartner);
    }
    if (pos != -1)
        view.SetSel(pos, pos + 1);
    else
        view.ShowStatusMessage(QString::fromUtf8(Str::BraceUnbalanced), true);
}
