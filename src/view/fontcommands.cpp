// The view's font, tab stops and go to line.
#include "view/lumettaview.h"

#include "framework/uiservices.h"
#include "view/hexpager.h"
#include "view/linetext.h"
#include "view/numberinputdlg.h"

#include <QFontMetricsF>

void CLumettaView::OnViewSetFont() {
    QFont font = m_charFormat.ToFont();
    QColor color = m_charFormat.TextColor();
    if (!Ui().ChooseFont(font, color))
        return;
    m_charFormat = CHARFORMAT::FromFont(font, color);
    // A change of font is not a change of the document.
    const bool modified = GetModify();
    SetDefaultCharFormat(m_charFormat);
    SetTabWidth(m_nTabWidth);
    if (!modified)
        SetModify(false);
}

void CLumettaView::SetTabWidth(int nWidth) {
    const int dpi = logicalDpiX();
    const QFont font = m_charFormat.ToFont();
    const int interval = TabIntervalTwips(font, nWidth, dpi);
    const int spaceTwips =
        static_cast<int>(QFontMetricsF(font).horizontalAdvance(QLatin1Char(' ')) * 1440.0 / dpi);
    if (interval <= 0 || spaceTwips <= 0)
        return; // the font cannot be measured: the stops stay as they are
    // The control spaces its stops in whole blanks of the editor font: exact for fixed-pitch
    // fonts, the nearest whole number of blanks for proportional ones.
    const int blanks = std::max(1, (interval + spaceTwips / 2) / spaceTwips);
    SetTabStops(blanks);
    m_nTabWidth = nWidth;
}

void CLumettaView::OnViewTabWidth() {
    CNumberInputDlg dlg(QStringLiteral("Enter new Tab Width"), m_nTabWidth, 1, 32);
    if (dlg.DoModal() == IDOK)
        SetTabWidth(static_cast<int>(dlg.m_nValue));
}

void CLumettaView::OnViewGotoLine() {
    // A dump shown a window at a time has the lines of the whole dump.
    const long first = m_pHexPager ? m_pHexPager->FirstLine() : 0;
    const long count = m_pHexPager ? m_pHexPager->TotalLines() : GetLineCount();
    if (count < 2)
        return;
    CNumberInputDlg dlg(QStringLiteral("Enter Line Number"), first + LineFromChar(-1) + 1, 1,
                        count);
    if (dlg.DoModal() != IDOK)
        return;
    if (m_pHexPager) {
        m_pHexPager->GoToLine(dlg.m_nValue - 1);
        return;
    }
    const long p = LineIndex(dlg.m_nValue - 1);
    SetSel(p, p);
}
