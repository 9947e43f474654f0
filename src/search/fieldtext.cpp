#include "search/fieldtext.h"

#include <QComboBox>
#include <QLineEdit>

namespace {
constexpr char16_t kPictures = 0x2400; // U+2400 NUL to U+241F US, the symbols of 0 to 31
constexpr char16_t kDeletePicture = 0x2421;

// A tab is shown as it is: it is significant and the field keeps it.
bool Pictured(char16_t c) {
    return (c < 0x20 && c != '\t') || c == 0x7F;
}
} // namespace

namespace FieldText {
QString ToField(const QString& text) {
    QString field = text;
    for (QChar& c : field)
        if (Pictured(c.unicode()))
            c = QChar(c.unicode() == 0x7F ? kDeletePicture : char16_t(kPictures + c.unicode()));
    return field;
}

QString FromField(const QString& field) {
    QString text = field;
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u == kDeletePicture)
            c = QChar(char16_t(0x7F));
        else if (u >= kPictures && u < kPictures + 0x20 && u != kPictures + '\t')
            c = QChar(char16_t(u - kPictures));
    }
    return text;
}

void Attach(QComboBox* combo) {
    QLineEdit* edit = combo->lineEdit();
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        const QString field = ToField(text);
        if (field == text)
            return;
        const int cursor = edit->cursorPosition();
        edit->setText(field);
        edit->setCursorPosition(cursor);
    });
}
} // namespace FieldText
