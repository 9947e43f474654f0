#include "frame/commandmenu.h"
#include "framework/fontdialog.h"
#include "resources/resource.h"
#include "support/appfixture.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QSet>
#include <QStyleOptionMenuItem>
#include <QTest>
#include <QToolBar>

namespace {
using AccessibilityTest = AppFixture;

QString AccessibleName(QObject* object) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(object);
    return face ? face->text(QAccessible::Name) : QString();
}

// The control a focusable widget belongs to: the field inside a combo or spin box is part of it.
QWidget* ControlOf(QWidget* w) {
    QWidget* parent = w->parentWidget();
    if (qobject_cast<QComboBox*>(parent) || qobject_cast<QAbstractSpinBox*>(parent))
        return parent;
    return w;
}

// Every control of a dialog that the keyboard can reach.
QList<QWidget*> KeyboardControls(QDialog& dialog) {
    QList<QWidget*> controls;
    for (QWidget* w : dialog.findChildren<QWidget*>())
        if (w->isVisibleTo(&dialog) && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) &&
            !w->focusProxy())
            controls << w;
    return controls;
}

// Shown as DoModal shows it: modal, so that the main window's shortcuts stay out of it.
void ShowModal(QDialog& dialog) {
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
}

// Checks that every control has a name and is reached with Tab alone, and that Escape closes.
void CheckDialog(QDialog& dialog, const char* what) {
    SCOPED_TRACE(what);
    const QList<QWidget*> controls = KeyboardControls(dialog);
    ASSERT_FALSE(controls.isEmpty());
    for (QWidget* w : controls)
        EXPECT_FALSE(AccessibleName(ControlOf(w)).isEmpty())
            << ControlOf(w)->metaObject()->className() << " " << w->objectName().toStdString();

    ShowModal(dialog);
    QSet<QWidget*> reached;
    for (int i = 0; i < 2 * controls.size() + 2; ++i) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        reached << focus;
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    for (QWidget* w : controls)
        EXPECT_TRUE(reached.contains(w))
            << w->metaObject()->className() << " " << w->objectName().toStdString();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(AccessibilityTest, TheTextAreaHasAName) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(AccessibleName(View()), "Document text");
}

TEST_F(AccessibilityTest, EveryDialogControlIsNamedAndReachedFromTheKeyboard) {
    ASSERT_TRUE(Start({WriteFile("f", "one\ntwo\nthree\n")}));
    struct {
        int id;
        const char* what;
        QString fieldName; // of the focused field, where the dialog has one
    } commands[] = {
        {ID_VIEW_GOTOLINE, "Go to line", "Enter Line Number"},
        {ID_VIEW_TABWIDTH, "Tab width", "Enter new Tab Width"},
        {ID_EDIT_FIND, "Find", "Find what"},
        {ID_EDIT_REPLACE, "Replace", "Find what"},
        {ID_APP_ABOUT, "About", QString()},
    };
    for (const auto& c : commands) {
        bool checked = false;
        ui.dialogReplies = {[&](QDialog& dialog) {
            checked = true;
            if (!c.fieldName.isEmpty()) {
                ShowModal(dialog);
                EXPECT_EQ(AccessibleName(ControlOf(QApplication::focusWidget())), c.fieldName)
                    << c.what;
            }
            CheckDialog(dialog, c.what);
            return IDCANCEL;
        }};
        Exec(c.id);
        EXPECT_TRUE(checked) << c.what;
    }
    CFontDialog font(QFont(QStringLiteral("Monospace"), 10), QColor(), Frame());
    CheckDialog(font, "Font");
}

TEST_F(AccessibilityTest, TheNumberPromptWorksFromTheKeyboardAlone) {
    ASSERT_TRUE(Start());
    ui.dialogReplies = {[](QDialog& dialog) {
        ShowModal(dialog);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "12");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        return dialog.result() == QDialog::Accepted ? IDOK : IDCANCEL;
    }};
    Exec(ID_VIEW_TABWIDTH);
    EXPECT_EQ(View()->m_nTabWidth, 12);
}

TEST_F(AccessibilityTest, TheNumberPromptIsWideEnoughForItsWholePrompt) {
    ASSERT_TRUE(Start());
    ui.dialogReplies = {[](QDialog& dialog) {
        dialog.show();
        const int prompt = dialog.fontMetrics().horizontalAdvance(dialog.windowTitle());
        EXPECT_GT(dialog.width(), prompt);
        bool shownWhole = false;
        for (QLabel* label : dialog.findChildren<QLabel*>())
            shownWhole |= label->text() == dialog.windowTitle() &&
                          label->width() >= label->sizeHint().width();
        EXPECT_TRUE(shownWhole);
        return IDCANCEL;
    }};
    Exec(ID_VIEW_TABWIDTH);
    EXPECT_EQ(ui.dialogs, QStringList{"Enter new Tab Width"});
}
} // namespace

namespace {
TEST_F(AccessibilityTest, CharactersAreWhereTheyAreDrawn) {
    ASSERT_TRUE(Start({WriteFile("f", "first line\nsecond line\n")}));
    Frame()->show();
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(View());
    ASSERT_TRUE(face && face->textInterface());
    for (const int offset : {0, 4, 11, 18}) {
        const QPoint drawn = View()->viewport()->mapToGlobal(View()->PosFromChar(offset));
        EXPECT_EQ(face->textInterface()->characterRect(offset).topLeft(), drawn) << offset;
    }
}
} // namespace

namespace {
// Menu items are read out by their names alone, with the key apart; toolbar buttons as their tool
// tips say.
TEST_F(AccessibilityTest, MenuItemsAndToolbarButtonsAreNamedAsTheyAreMeant) {
    ASSERT_TRUE(Start());
    QAction* newFile = Frame()->Action(ID_FILE_NEW);
    ASSERT_NE(newFile, nullptr);
    for (QMenu* menu : Frame()->menuBar()->findChildren<QMenu*>()) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(menu);
        for (int i = 0; face && i < face->childCount(); ++i)
            EXPECT_FALSE(face->child(i)->text(QAccessible::Name).contains('\t'))
                << face->child(i)->text(QAccessible::Name).toStdString();
    }
    QMenu* fileMenu = Frame()->menuBar()->actions().first()->menu();
    QAccessibleInterface* file = QAccessible::queryAccessibleInterface(fileMenu);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->child(0)->text(QAccessible::Name), "New");
    // What the menu shows is unchanged: the name, then the key as the command table writes it.
    struct ShownMenu : CCommandMenu {
        using CCommandMenu::initStyleOption;
    } menu;
    QStyleOptionMenuItem shown;
    for (const auto& [id, text] : {std::pair{ID_FILE_NEW, "&New\tCtrl+N"},
                                   std::pair{ID_INDENT_INCREASE, "&Increase\tAlt+ ->"}}) {
        menu.initStyleOption(&shown, Frame()->Action(id));
        EXPECT_EQ(shown.text, text);
    }
    const auto spoken = [&](int id) {
        return AccessibleName(Frame()->ToolBar()->widgetForAction(Frame()->Action(id)));
    };
    EXPECT_EQ(spoken(ID_INDENT_INCREASE), "Indent Right");
    EXPECT_EQ(spoken(ID_INDENT_DECREASE), "Indent Left");
    EXPECT_EQ(spoken(ID_FILE_NEW), "New");
}
} // namespace
