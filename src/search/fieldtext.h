// How search and replacement strings appear in the one-line fields of the search dialogs: line
// breaks, NUL and the other control characters, which a one-line field would show as blanks or
// drop, appear as their visible symbols (U+2400 onwards) and are read back as themselves.
#pragma once

#include <QString>

class QComboBox;

namespace FieldText {
QString ToField(const QString& text);
QString FromField(const QString& field);
// Makes the combo box's field show control characters that are typed or pasted as symbols.
void Attach(QComboBox* combo);
} // namespace FieldText
