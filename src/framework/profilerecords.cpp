// The two composite settings records: a rectangle and the editor font.
#include "framework/winapp.h"

#include <QFontDatabase>
#include <QRegularExpression>

namespace {
const QString kRectKey = QStringLiteral("szWindowRect");
// 1638 points, the largest size a font dialog offers; anything outside is not a stored font.
constexpr int kMaxFontHeight = 1638 * 20;
} // namespace

void CWinApp::GetProfileRect(const QString& section, RECT& rect) const {
    const QString text = GetProfileString(section, kRectKey);
    // Four comma-separated integers, each possibly preceded by blanks; anything after the fourth
    // is ignored.
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*([-+]?\\d+),\\s*([-+]?\\d+),\\s*([-+]?\\d+),\\s*([-+]?\\d+)"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!text.isEmpty() && m.hasMatch()) {
        int32_t v[4];
        for (int i = 0; i < 4; ++i)
            v[i] = static_cast<int32_t>(static_cast<uint32_t>(m.captured(i + 1).toLongLong()));
        rect = RECT{v[0], v[1], v[2], v[3]};
        return;
    }
    rect = rectDefault;
}

void CWinApp::WriteProfileRect(const QString& section, const RECT& rect) {
    WriteProfileString(
        section, kRectKey,
        QString::asprintf("%d,%d,%d,%d", rect.left, rect.top, rect.right, rect.bottom));
}

void CWinApp::GetProfileCharFormat(const QString& section, CHARFORMAT& cf) const {
    cf.cbSize = 60;
    cf.dwMask = CFM_SIZE | CFM_FACE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE;
    cf.dwEffects = 0;
    cf.yOffset = 0;
    cf.yHeight = GetProfileInt(section, QStringLiteral("nHeight"), 0);
    if (cf.yHeight < 0 || cf.yHeight > kMaxFontHeight)
        cf.yHeight = 0;
    if (cf.yHeight != 0) {
        if (GetProfileInt(section, QStringLiteral("bBold"), 0))
            cf.dwEffects |= CFE_BOLD;
        if (GetProfileInt(section, QStringLiteral("bItalic"), 0))
            cf.dwEffects |= CFE_ITALIC;
        if (GetProfileInt(section, QStringLiteral("bUnderline"), 0))
            cf.dwEffects |= CFE_UNDERLINE;
        cf.bCharSet = static_cast<uint8_t>(GetProfileInt(section, QStringLiteral("nCharSet"), 1));
        cf.bPitchAndFamily =
            static_cast<uint8_t>(GetProfileInt(section, QStringLiteral("nPitchAndFamily"), 0));
        cf.SetFaceName(
            GetProfileString(section, QStringLiteral("szFaceName"), QStringLiteral("System")));
        return;
    }
    // The system's fixed-pitch font at 10 points.
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (fixed.weight() > QFont::Medium)
        cf.dwEffects |= CFE_BOLD;
    if (fixed.italic())
        cf.dwEffects |= CFE_ITALIC;
    if (fixed.underline())
        cf.dwEffects |= CFE_UNDERLINE;
    cf.bCharSet = 0;
    cf.bPitchAndFamily = 1; // fixed pitch
    cf.SetFaceName(fixed.family());
    cf.yHeight = 200;
}

void CWinApp::WriteProfileCharFormat(const QString& section, const CHARFORMAT& cf) {
    if (cf.yHeight == 0)
        return;
    WriteProfileInt(section, QStringLiteral("nHeight"), cf.yHeight);
    WriteProfileInt(section, QStringLiteral("bBold"), (cf.dwEffects & CFE_BOLD) ? 1 : 0);
    WriteProfileInt(section, QStringLiteral("bItalic"), (cf.dwEffects & CFE_ITALIC) ? 1 : 0);
    WriteProfileInt(section, QStringLiteral("bUnderline"), (cf.dwEffects & CFE_UNDERLINE) ? 1 : 0);
    WriteProfileInt(section, QStringLiteral("nCharSet"), cf.bCharSet);
    WriteProfileInt(section, QStringLiteral("nPitchAndFamily"), cf.bPitchAndFamily);
    WriteProfileString(section, QStringLiteral("szFaceName"), cf.szFaceName);
}
