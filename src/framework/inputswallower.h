// Takes the user's input while a long operation runs inside a command: Escape asks to stop it,
// everything else typed or clicked meanwhile is dropped. Installed on the application while the
// operation runs.
#pragma once

#include <QEvent>
#include <QKeyEvent>
#include <QObject>

class CInputSwallower : public QObject {
public:
    bool m_bEscape = false;

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
        case QEvent::ShortcutOverride: // accepted, so that no shortcut runs meanwhile
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape)
                m_bEscape = true;
            e->accept();
            return true;
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::Close:
        case QEvent::Drop:
            return true;
        default:
            return false;
        }
    }
};
