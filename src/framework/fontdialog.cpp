#include "framework/fontdialog.h"

#include <QBoxLayout>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

#include <iterator>

namespace {
// The sixteen colours that font choosers traditionally list.
const struct {
    const char* name;
    QRgb rgb;
} kColors[] = {
    {"Black", 0x000000},  {"Maroon", 0x800000}, {"Green", 0x008000}, {"Olive", 0x808000},
    {"Navy", 0x000080},   {"Purple", 0x800080}, {"Teal", 0x008080},  {"Gray", 0x808080},
    {"Silver", 0xC0C0C0}, {"Red", 0xFF0000},    {"Lime", 0x00FF00},  {"Yellow", 0xFFFF00},
    {"Blue", 0x0000FF},   {"Fuchsia", 0xFF00FF}, {"Aqua", 0x00FFFF}, {"White", 0xFFFFFF},
};

QIcon Swatch(const QColor& color) {
    QPixmap pixmap(16, 12);
    pixmap.fill(color);
    QPainter(&pixmap).drawRect(0, 0, 15, 11);
    return QIcon(pixmap);
}
} // namespace

CFontDialog::CFontDialog(const QFont& font, const QColor& color, QWidget* parent)
    : QDialog(parent), m_pFont(new QFontDialog(font, this)), m_pColor(new QComboBox(this)) {
    setWindowTitle(QStringLiteral("Font"));
    // Qt's dialog as a plain part of this one, without buttons of its own.
    m_pFont->setWindowFlags(Qt::Widget);
    m_pFont->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_pFont->setSizeGripEnabled(false);
    m_pFont->installEventFilter(this);
    NameFontLists();

    m_pColor->addItem(QStringLiteral("Automatic"), QColor());
    for (const auto& c : kColors)
        m_pColor->addItem(Swatch(QColor(c.rgb)), QString::fromLatin1(c.name), QColor(c.rgb));
    m_pColor->addItem(QStringLiteral("Other..."));
    SetColor(color);
    connect(m_pColor, qOverload<int>(&QComboBox::activated), this, &CFontDialog::OnColorChosen);

    auto* colorRow = new QHBoxLayout;
    auto* colorLabel = new QLabel(QStringLiteral("&Color:"), this);
    colorLabel->setBuddy(m_pColor);
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(m_pColor);
    colorRow->addStretch();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    // Made the default by hand: the embedded dialog's hidden buttons would keep it from it.
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pFont);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);
}

void CFontDialog::NameFontLists() {
    // Qt's dialog labels each list, but the size label names the field above its list: that
    // list is the one no label names.
    QList<QListView*> unnamed = m_pFont->findChildren<QListView*>();
    QString sizeName;
    for (QLabel* label : m_pFont->findChildren<QLabel*>()) {
        const QString name = label->text().remove(QLatin1Char('&'));
        if (auto* list = qobject_cast<QListView*>(label->buddy())) {
            list->setAccessibleName(name);
            unnamed.removeOne(list);
        } else if (qobject_cast<QLineEdit*>(label->buddy())) {
            sizeName = name;
        }
    }
    if (unnamed.size() == 1)
        unnamed.front()->setAccessibleName(sizeName);
}

bool CFontDialog::eventFilter(QObject* watched, QEvent* event) {
    // Enter and Escape would end the embedded dialog alone: they are this dialog's.
    if (watched == m_pFont && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            keyPressEvent(static_cast<QKeyEvent*>(event));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

QFont CFontDialog::GetFont() const { return m_pFont->currentFont(); }

QColor CFontDialog::GetColor() const { return m_pColor->currentData().value<QColor>(); }

void CFontDialog::SetColor(const QColor& color) {
    const int other = m_pColor->count() - 1;
    int index = m_pColor->findData(color.isValid() ? QColor(color.rgb()) : QColor());
    if (index < 0) {
        // A colour of its own has one place, just before "Other...".
        constexpr int kCustom = 1 + std::size(kColors);
        if (other == kCustom)
            m_pColor->insertItem(kCustom, QString());
        m_pColor->setItemIcon(kCustom, Swatch(color));
        m_pColor->setItemText(kCustom, QStringLiteral("Custom"));
        m_pColor->setItemData(kCustom, QColor(color.rgb()));
        index = kCustom;
    }
    m_pColor->setCurrentIndex(index);
    m_nLastColor = index;
}

void CFontDialog::OnColorChosen(int index) {
    if (index != m_pColor->count() - 1) {
        m_nLastColor = index;
        return;
    }
    const QColor previous = m_pColor->itemData(m_nLastColor).value<QColor>();
    const QColor chosen = QColorDialog::getColor(previous.isValid() ? previous : Qt::black, this);
    if (chosen.isValid())
        SetColor(chosen);
    else
        m_pColor->setCurrentIndex(m_nLastColor);
}
