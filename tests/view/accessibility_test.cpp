#include "framework/fontdialog.h"
#include "resources/resource.h"
#include "support/appfixture.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QTest>

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
