// A menu of commands. Each command's name is its own (what assistive technology reads out), and
// its key is shown beside it as the command table writes it ("Alt+ ->").
#pragma once

#include <QMenu>

class QAction;

class CCommandMenu : public QMenu {
public:
    using QMenu::QMenu;

    // A command's menu text ("&New\tCtrl+N") given to its action: the name, and the key shown.
    static void SetMenuText(QAction* action, const QString& menuText);

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
};
