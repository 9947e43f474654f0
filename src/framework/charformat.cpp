#include "framework/charformat.h"

QFont CHARFORMAT::ToFont() const {
    QFont font(szFaceName);
    font.setPointSizeF(yHeight > 0 ? yHeight / 20.0 : 10.0);
    font.setBold(dwEffects & CFE_BOLD);
    font.setItalic(dwEffects & CFE_ITALIC);
    font.setUnderline(dwEffects & CFE_UNDERLINE);
    font.setStrikeOut(dwEffects & CFE_STRIKEOUT);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

QColor CHARFORMAT::TextColor() const {
    return (dwMask & CFM_COLOR) && !(dwEffects & CFE_AUTOCOLOR) ? QColor(crTextColor) : QColor();
}

CHARFORMAT CHARFORMAT::FromFont(const QFont& font, const QColor& color) {
    CHARFORMAT cf;
    cf.dwMask = CFM_SIZE | CFM_FACE | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT |
                CFM_CHARSET;
    cf.SetFaceName(font.family());
    cf.yHeight = static_cast<int32_t>(font.pointSizeF() * 20.0 + 0.5);
    if (font.bold())
        cf.dwEffects |= CFE_BOLD;
    if (font.italic())
        cf.dwEffects |= CFE_ITALIC;
    if (font.underline())
        cf.dwEffects |= CFE_UNDERLINE;
    if (font.strikeOut())
        cf.dwEffects |= CFE_STRIKEOUT;
    cf.bCharSet = 1; // the default character set: the face decides
    cf.bPitchAndFamily = font.fixedPitch() ? 1 : 2;
    if (color.isValid()) {
        cf.dwMask |= CFM_COLOR;
        cf.crTextColor = color.rgb();
    } else {
        cf.dwEffects |= CFE_AUTOCOLOR;
    }
    return cf;
}
