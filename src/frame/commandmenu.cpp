#include "frame/commandmenu.h"

#include <QAction>
#include <QStyleOptionMenuItem>

namespace {
constexpr const char* kShownKey = "zorvekShownKey";
} // namespace

void CCommandMenu::SetMenuText(QAction* action, const QString& menuText) {
    const qsizetype tab = menuText.indexOf(QLatin1Char('\t'));
    action->setText(menuText.left(tab));
    action->setProperty(kShownKey, tab < 0 ? QString() : menuText.mid(tab + 1));
}

void CCommandMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const {
    QMenu::initStyleOption(option, action);
    const QString key = action->property(kShownKey).toString();
    if (!key.isEmpty())
        option->text = action->text() + QLatin1Char('\t') + key;
}
