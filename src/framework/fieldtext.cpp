#include "framework/fieldtext.h"

#include <QComboBox>
#include <QLineEdit>

namespace {
constexpr char16_t kPictures = 0x2400; // U+2400 NUL to U+241F US, the pictures of 0 to 31
constexpr char16_t kDeletePicture = 0x2421;
constexpr char16_t kItself = 0xFE0E; // after a picture that stands for itself
const char* const kShownProperty = "zorvekFieldText";

// A tab is shown as it is: it is significant and the field keeps it.
bool Pictured(char16_t c) {
    return (c < 0x20 && c != '\t') || c == 0x7F;
}
bool IsPicture(char16_t c) {
    return (c >= kPictures && c < kPictures + 0x20 && c != kPictures + '\t') || c == kDeletePicture;
}
} // namespace

namespace FieldText {
QString ToField(const QString& text) {
    QString field;
    field.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (Pictured(c)) {
            field += QChar(c == 0x7F ? kDeletePicture : char16_t(kPictures + c));
            continue;
        }
        field += QChar(c);
        // A picture already marked keeps its one mark.
        if (IsPicture(c) && (i + 1 == text.size() || text[i + 1].unicode() != kItself))
            field += QChar(kItself);
    }
    return field;
}

QString FromField(const QString& field) {
    QString text;
    text.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char16_t c = field[i].unicode();
        if (!IsPicture(c)) {
            text += QChar(c);
        } else if (i + 1 < field.size() && field[i + 1].unicode() == kItself) {
            text += QChar(c);
            ++i;
        } else {
            text += QChar(c == kDeletePicture ? char16_t(0x7F) : char16_t(c - kPictures));
        }
    }
    return text;
}

void Attach(QComboBox* combo) {
    QLineEdit* edit = combo->lineEdit();
    // What the field showed before an edit: the part the user typed or pasted is what differs.
    edit->setProperty(kShownProperty, edit->text());
    QObject::connect(edit, &QLineEdit::textChanged, edit,
                     [edit] { edit->setProperty(kShownProperty, edit->text()); });
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
        const QString before = edit->property(kShownProperty).toString();
        qsizetype head = 0;
        while (head < before.size() && head < text.size() && before[head] == text[head])
            ++head;
        qsizetype tail = 0;
        while (tail < before.size() - head && tail < text.size() - head &&
               before[before.size() - 1 - tail] == text[text.size() - 1 - tail])
            ++tail;
        const QString typed = text.mid(head, text.size() - head - tail);
        // Backspace takes the mark after a picture first: the picture goes with it.
        if (typed.isEmpty() && before.size() - head - tail == 1 &&
            before[head].unicode() == kItself && head > 0 && IsPicture(text[head - 1].unicode())) {
            edit->setText(text.left(head - 1) + text.mid(head));
            edit->setCursorPosition(static_cast<int>(head - 1));
            return;
        }
        const QString shown = ToField(typed);
        if (shown == typed)
            return;
        const int cursor = edit->cursorPosition();
        edit->setText(text.left(head) + shown + text.right(tail));
        edit->setCursorPosition(cursor + static_cast<int>(shown.size() - typed.size()));
    });
}
} // namespace FieldText
