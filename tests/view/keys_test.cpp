#include "resources/resource.h"
#include "support/appfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <QWheelEvent>

namespace {
class KeysTest : public AppFixture {
protected:
    // Two lines; the second indented, so that Home to the first non-blank would show.
    static constexpr const char* kText = "one two\n  three\n";

    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(View(), key, modifiers);
    }
};

TEST_F(KeysTest, ComponentBindingsAndUnnamedChordsLeaveTheTextAlone) {
    ASSERT_TRUE(Start());
    QApplication::clipboard()->clear(); // Shift+Insert has nothing to paste: it falls through
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    } keys[] = {
        {Qt::Key_D, Qt::ControlModifier},                     // duplicate
        {Qt::Key_U, Qt::ControlModifier},                     // lower case
        {Qt::Key_U, Qt::ControlModifier | Qt::ShiftModifier}, // upper case
        {Qt::Key_T, Qt::ControlModifier},                     // swap lines
        {Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier}, // copy line
        {Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier}, // delete line
        {Qt::Key_Backspace, Qt::AltModifier},                 // undo
        {Qt::Key_Backspace, Qt::ControlModifier | Qt::ShiftModifier},
        {Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier},
        {Qt::Key_Backtab, Qt::ShiftModifier},                // unindent
        {Qt::Key_Down, Qt::AltModifier | Qt::ShiftModifier}, // rectangular selection
        {Qt::Key_Home, Qt::AltModifier},
        {Qt::Key_Slash, Qt::ControlModifier},
        {Qt::Key_Backslash, Qt::ControlModifier},
        {Qt::Key_BracketLeft, Qt::ControlModifier},
        {Qt::Key_Plus, Qt::ControlModifier}, // zoom: the view only
        {Qt::Key_Minus, Qt::ControlModifier},
        {Qt::Key_Equal, Qt::ControlModifier},
        {Qt::Key_0, Qt::ControlModifier},
        {Qt::Key_K, Qt::ControlModifier}, // names nothing
        {Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier},
        {Qt::Key_X, Qt::AltModifier},
        {Qt::Key_5, Qt::AltModifier | Qt::ControlModifier},
        {Qt::Key_Z, Qt::ControlModifier}, // nothing to undo: disabled
        {Qt::Key_Y, Qt::ControlModifier}, // nothing to redo: disabled
        {Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier},
        {Qt::Key_Insert, Qt::ShiftModifier},
    };
    for (const auto& k : keys) {
        Open(kText);
        View()->SetSel(0, 12); // over both lines
        Press(k.key, k.modifiers);
        EXPECT_EQ(View()->GetText(), kText) << k.key << " " << k.modifiers;
        EXPECT_FALSE(View()->GetModify()) << k.key << " " << k.modifiers;
    }
}

TEST_F(KeysTest, TheStandardKeysMoveSelectAndEdit) {
    ASSERT_TRUE(Start());
    const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier,
                                ctrl = Qt::ControlModifier;
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        long selMin, selMax;
        const char* text; // null: unchanged
        long afterMin, afterMax;
    } cases[] = {
        {Qt::Key_Home, none, 14, 14, nullptr, 8, 8}, // the line's start, not its first non-blank
        {Qt::Key_Home, shift, 14, 14, nullptr, 8, 14},
        {Qt::Key_End, none, 8, 8, nullptr, 15, 15},
        {Qt::Key_End, shift, 8, 8, nullptr, 8, 15},
        {Qt::Key_Home, ctrl, 14, 14, nullptr, 0, 0},
        {Qt::Key_End, ctrl, 0, 0, nullptr, 16, 16},
        {Qt::Key_End, ctrl | shift, 4, 4, nullptr, 4, 16},
        {Qt::Key_Right, ctrl, 0, 0, nullptr, 4, 4},
        {Qt::Key_Right, ctrl | shift, 0, 0, nullptr, 0, 4},
        {Qt::Key_Left, none, 4, 4, nullptr, 3, 3},
        {Qt::Key_Left, shift, 4, 4, nullptr, 3, 4},
        {Qt::Key_Down, none, 1, 1, nullptr, 9, 9},
        {Qt::Key_Up, none, 9, 9, nullptr, 1, 1},
        {Qt::Key_PageDown, none, 0, 0, nullptr, 16, 16},
        {Qt::Key_PageUp, shift, 16, 16, nullptr, 0, 16},
        {Qt::Key_Backspace, none, 3, 3, "on two\n  three\n", 2, 2},
        {Qt::Key_Backspace, ctrl, 7, 7, "one \n  three\n", 4, 4},
        {Qt::Key_Delete, none, 0, 0, "ne two\n  three\n", 0, 0},
        {Qt::Key_Delete, ctrl, 0, 0, "two\n  three\n", 0, 0},
        {Qt::Key_Return, none, 3, 3, "one\n two\n  three\n", 4, 4},
        {Qt::Key_Tab, none, 0, 12, "\tree\n", 1, 1}, // a character, also over several lines
        {Qt::Key_Tab, none, 8, 8, "one two\n\t  three\n", 9, 9},
    };
    for (const auto& c : cases) {
        Open(kText);
        View()->SetSel(c.selMin, c.selMax);
        Press(c.key, c.modifiers);
        EXPECT_EQ(View()->GetText(), c.text ? c.text : kText) << c.key << " " << c.modifiers;
        EXPECT_EQ(Sel().cpMin, c.afterMin) << c.key << " " << c.modifiers;
        EXPECT_EQ(Sel().cpMax, c.afterMax) << c.key << " " << c.modifiers;
    }
}

TEST_F(KeysTest, ClipboardKeysAreTheClipboardCommands) {
    ASSERT_TRUE(Start());
    Open(kText);
    View()->SetSel(0, 3);
    Press(Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "one");
    View()->SetSel(0, 4);
    Press(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "one ");
    EXPECT_EQ(View()->GetText(), "two\n  three\n");
    View()->SetSel(3, 3);
    Press(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(View()->GetText(), "twoone \n  three\n");
    Exec(ID_VIEW_READONLY); // the commands' rules hold for their second keys too
    View()->SetSel(0, 3);
    Press(Qt::Key_Delete, Qt::ShiftModifier);
    Press(Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(View()->GetText(), "twoone \n  three\n");
}

TEST_F(KeysTest, ZoomChangesTheViewAndNotTheStoredFont) {
    ASSERT_TRUE(Start());
    Open(kText);
    const CHARFORMAT font = View()->m_charFormat;
    const auto wheel = [&](int delta) {
        QWheelEvent e(QPointF(10, 10), View()->viewport()->mapToGlobal(QPointF(10, 10)), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase,
                      false);
        QApplication::sendEvent(View()->viewport(), &e);
    };
    Press(Qt::Key_Plus, Qt::ControlModifier);
    Press(Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(View()->GetZoom(), 2);
    Press(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(View()->GetZoom(), 1);
    wheel(120);
    EXPECT_EQ(View()->GetZoom(), 2);
    wheel(-120);
    wheel(-120);
    EXPECT_EQ(View()->GetZoom(), 0);
    Press(Qt::Key_Minus, Qt::ControlModifier);
    Press(Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(View()->GetZoom(), 0);
    EXPECT_EQ(View()->GetText(), kText);
    Press(Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(View()->m_charFormat.yHeight, font.yHeight);
    EXPECT_EQ(View()->m_charFormat.szFaceName, font.szFaceName);
}

TEST_F(KeysTest, CtrlQExitsAsEscDoes) {
    ASSERT_TRUE(Start());
    Type("work");
    ui.boxReplies = {IDCANCEL};
    Press(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(ui.BoxTexts(), QStringList{"Save changes to Untitled?"});
    EXPECT_EQ(View()->GetText(), "work");
}

TEST_F(KeysTest, RedoAfterTypingAndItsEnableRule) {
    ASSERT_TRUE(Start());
    EXPECT_FALSE(Enabled(ID_EDIT_REDO));
    Type("abc");
    EXPECT_FALSE(Enabled(ID_EDIT_REDO));
    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(View()->GetText(), "");
    EXPECT_FALSE(View()->GetModify());
    EXPECT_TRUE(Enabled(ID_EDIT_REDO));
    Press(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(View()->GetText(), "abc");
    EXPECT_TRUE(View()->GetModify());
    EXPECT_FALSE(Enabled(ID_EDIT_REDO));
    Press(Qt::Key_Z, Qt::ControlModifier);
    Press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(View()->GetText(), "abc");
    Press(Qt::Key_Z, Qt::ControlModifier);
    Type("x"); // a new change ends what could be redone
    EXPECT_FALSE(Enabled(ID_EDIT_REDO));
    EXPECT_EQ(View()->GetText(), "x");
}

TEST_F(KeysTest, UndoAndRedoWorkInReadOnlyMode) {
    ASSERT_TRUE(Start());
    Type("abc");
    Exec(ID_VIEW_READONLY);
    EXPECT_FALSE(Enabled(ID_EDIT_REDO));
    EXPECT_TRUE(Exec(ID_EDIT_UNDO));
    EXPECT_EQ(View()->GetText(), "");
    EXPECT_TRUE(Enabled(ID_EDIT_REDO));
    EXPECT_TRUE(Exec(ID_EDIT_REDO));
    EXPECT_EQ(View()->GetText(), "abc");
    Type("typed"); // still read-only
    EXPECT_EQ(View()->GetText(), "abc");
}
} // namespace
