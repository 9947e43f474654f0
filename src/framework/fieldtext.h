// How search and replacement strings appear in the one-line fields of the search dialogs: line
// breaks, NUL and the other control characters, which a one-line field would show as blanks or
// drop, appear as their pictures (U+2400 onwards) and are read back as themselves. A picture
// that is the character itself (typed, pasted, or in the text searched) is shown followed by an
// invisible variation selector, U+FE0E, so that it is read back as the picture it is.
#pragma once

#include <QString>

class QComboBox;

namespace FieldText {
QString ToField(const QString& text);
QString FromField(const QString& field);
// Makes the combo box's field show what is typed or pasted into it as ToField does.
void Attach(QComboBox* combo);
} // namespace FieldText
