// The editor font as the program keeps it: a character format record with the height in twips.
#pragma once

#include <QColor>
#include <QFont>
#include <QRgb>
#include <QString>

#include <cstdint>

enum : uint32_t {
    CFM_BOLD = 0x1,
    CFM_ITALIC = 0x2,
    CFM_UNDERLINE = 0x4,
    CFM_STRIKEOUT = 0x8,
    CFM_CHARSET = 0x08000000,
    CFM_OFFSET = 0x10000000,
    CFM_FACE = 0x20000000,
    CFM_COLOR = 0x40000000,
    CFM_SIZE = 0x80000000,
    CFE_BOLD = 0x1,
    CFE_ITALIC = 0x2,
    CFE_UNDERLINE = 0x4,
    CFE_STRIKEOUT = 0x8,
    CFE_AUTOCOLOR = 0x40000000,
};

constexpr int kFaceNameChars = 31; // a 32-character field with its terminator

struct CHARFORMAT {
    uint32_t cbSize = 60;
    uint32_t dwMask = 0;
    uint32_t dwEffects = 0;
    int32_t yHeight = 0; // twips
    int32_t yOffset = 0;
    QRgb crTextColor = 0;
    uint8_t bCharSet = 0;
    uint8_t bPitchAndFamily = 0;
    QString szFaceName;

    void SetFaceName(const QString& face) { szFaceName = face.left(kFaceNameChars); }
    // The font this record describes, at its point size.
    QFont ToFont() const;
    // The text colour; invalid for the automatic colour.
    QColor TextColor() const;
    // A record describing `font`; the colour given as well unless it is invalid.
    static CHARFORMAT FromFont(const QFont& font, const QColor& color);
};
