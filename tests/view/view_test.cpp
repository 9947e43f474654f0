#include "resources/resource.h"
#include "support/appfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>

#include <algorithm>
#include <random>

namespace {
using ViewTest = AppFixture;

TEST_F(ViewTest, EnableRulesFollowReadOnlySelectionModifiedAndClipboard) {
    ASSERT_TRUE(Start());
    QApplication::clipboard()->setText("clip");
    Type("abc");
    View()->SetSel(1, 1);
    struct Expect {
        int id;
        bool editable;
        bool readOnly;
    };
    // With an empty selection, modified text, text on the clipboard and an undo step.
    const Expect rules[] = {
        {ID_FILE_NEW, true, false},         {ID_FILE_OPEN, true, true},
        {ID_FILE_SAVE, true, true},         {ID_FILE_SAVE_AS, true, false},
        {ID_EDIT_UNDO, true, true},         {ID_EDIT_SELECT_ALL, true, true},
        {ID_EDIT_CUT, false, false},        {ID_EDIT_COPY, true, true},
        {ID_EDIT_PASTE, true, false},       {ID_EDIT_OVERWRITE, true, false},
        {ID_VIEW_READONLY, true, true},     {ID_VIEW_WORDWRAP, true, true},
        {ID_SETTINGS_PERSIST, true, true},  {ID_APP_EXIT, true, true},
        {ID_VIEW_STATUS_BAR, true, true},
    };
    for (bool readOnly : {false, true}) {
        if (readOnly)
            Exec(ID_VIEW_READONLY);
        for (const Expect& r : rules)
            EXPECT_EQ(Enabled(r.id), readOnly ? r.readOnly : r.editable)
                << r.id << (readOnly ? " read-only" : " editable");
    }
    View()->SetSel(0, 2);
    EXPECT_FALSE(Enabled(ID_EDIT_CUT));
    Exec(ID_VIEW_READONLY);
    EXPECT_TRUE(Enabled(ID_EDIT_CUT));
    QApplication::clipboard()->clear();
    EXPECT_FALSE(Enabled(ID_EDIT_PASTE));
}

TEST_F(ViewTest, DisabledCommandsAreDroppedAlsoFromShortcuts) {
    ASSERT_TRUE(Start());
    Type("abc");
    Exec(ID_VIEW_READONLY);
    View()->SetSel(0, 3);
    EXPECT_FALSE(Exec(ID_EDIT_CUT));
    QTest::keyClick(View(), Qt::Key_X, Qt::ControlModifier);
    QTest::keyClick(View(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(View()->GetText(), "abc");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ViewTest, CopyWithEmptySelectionCopiesTheLineAndLeavesTheCaret) {
    ASSERT_TRUE(Start({WriteFile("f", "one\r\nabc\r\n\r\nlast")}));
    QApplication::clipboard()->setText("before");
    View()->SetSel(6, 6);
    Exec(ID_EDIT_COPY);
    EXPECT_EQ(QApplication::clipboard()->text(), "abc");
    CHARRANGE sel;
    View()->GetSel(sel);
    EXPECT_EQ(sel.cpMin, 6);
    EXPECT_EQ(sel.cpMax, 6);
    QApplication::clipboard()->setText("before");
    View()->SetSel(10, 10); // the empty line
    Exec(ID_EDIT_COPY);
    EXPECT_EQ(QApplication::clipboard()->text(), "before");
    View()->GetSel(sel);
    EXPECT_EQ(sel.cpMin, 10);
}

TEST_F(ViewTest, CutPasteUndoAndSelectAll) {
    ASSERT_TRUE(Start());
    Type("hello world");
    View()->SetSel(0, 6);
    Exec(ID_EDIT_CUT);
    EXPECT_EQ(View()->GetText(), "world");
    View()->SetSel(5, 5);
    Exec(ID_EDIT_PASTE);
    EXPECT_EQ(View()->GetText(), "worldhello ");
    Exec(ID_EDIT_UNDO);
    EXPECT_EQ(View()->GetText(), "world");
    Exec(ID_EDIT_SELECT_ALL);
    EXPECT_EQ(View()->GetSelText(), "world");
}

TEST_F(ViewTest, OverwriteFollowsInsertKeyAndCommandButNeverWhileReadOnly) {
    ASSERT_TRUE(Start());
    Type("abcd");
    View()->SetSel(0, 0);
    QTest::keyClick(View(), Qt::Key_Insert);
    EXPECT_TRUE(View()->m_bOverwrite);
    EXPECT_TRUE(View()->GetOvertype());
    Frame()->OnIdleUpdate();
    EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(2), "OVR");
    Type("XY");
    EXPECT_EQ(View()->GetText(), "XYcd");

    Exec(ID_VIEW_READONLY);
    QTest::keyClick(View(), Qt::Key_Insert);
    EXPECT_TRUE(View()->m_bOverwrite);
    EXPECT_TRUE(View()->GetOvertype());
    EXPECT_FALSE(Exec(ID_EDIT_OVERWRITE));
    Exec(ID_VIEW_READONLY);

    EXPECT_TRUE(Exec(ID_EDIT_OVERWRITE)); // at once, no key event on the way
    EXPECT_FALSE(View()->m_bOverwrite);
    EXPECT_FALSE(View()->GetOvertype());
    EXPECT_EQ(Checked(ID_EDIT_OVERWRITE), 0);
}

TEST_F(ViewTest, ReadOnlyBlocksEditingAndChangesTheBackground) {
    ASSERT_TRUE(Start());
    const long editable = View()->SendScintilla(QsciScintillaBase::SCI_STYLEGETBACK, 0UL);
    Exec(ID_VIEW_READONLY);
    EXPECT_EQ(Checked(ID_VIEW_READONLY), 1);
    Type("typed");
    EXPECT_EQ(View()->GetTextLength(), 0);
    EXPECT_NE(View()->SendScintilla(QsciScintillaBase::SCI_STYLEGETBACK, 0UL), editable);
}

TEST_F(ViewTest, IndicatorTexts) {
    ASSERT_TRUE(Start({WriteFile("f", "ab\n\tcaf\xc3\xa9x\n")}));
    struct {
        long pos;
        int hex;
        const char* text;
    } cases[] = {
        {0, 0, "Ln 1, Col 1"},  {4, 0, "Ln 2, Col 2"},      {10, 0, "Ln 2, Col 7"},
        {0, 1, "Off=0x000000"}, {4, 1, "Off=0x000010"},
    };
    for (const auto& c : cases) {
        View()->SetSel(c.pos, c.pos);
        View()->m_bHexView = c.hex;
        Frame()->OnIdleUpdate();
        EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(1), c.text);
    }
    EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(3), "");
    Type("z");
    Frame()->OnIdleUpdate();
    EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(3), "*");
}

// The column is counted from a remembered position kept through edits: after any mix of edits
// before it, after it, across it and over line breaks it must equal a count from the line start.
TEST_F(ViewTest, ColumnsStayRightThroughEdits) {
    ASSERT_TRUE(Start());
    Open("h\xc3\xa9llo w\xc3\xb6rld\n" + QByteArray(9000, 'a') + "\t\xe2\x82\xac end\nlast");
    const auto sci = [&](unsigned int msg, unsigned long w = 0, long l = 0) {
        return View()->SendScintilla(msg, w, l);
    };
    const auto counted = [&](long pos) {
        const long line = sci(QsciScintillaBase::SCI_LINEFROMPOSITION, pos);
        return sci(QsciScintillaBase::SCI_COUNTCHARACTERS,
                   sci(QsciScintillaBase::SCI_POSITIONFROMLINE, line), pos);
    };
    // A character boundary near a random place.
    std::minstd_rand generator(7);
    const auto random = [&](long below) { return static_cast<long>(generator() % below); };
    const auto boundary = [&](long pos) {
        return sci(QsciScintillaBase::SCI_POSITIONBEFORE,
                   sci(QsciScintillaBase::SCI_POSITIONAFTER, pos));
    };
    const char* pieces[] = {"x", "\xc3\xa9", "\n", "\t", "\xe2\x82\xac\xe2\x82\xac", "ab\ncd"};
    for (int step = 0; step < 400; ++step) {
        const long length = View()->GetTextLength();
        const long caret = sci(QsciScintillaBase::SCI_GETCURRENTPOS);
        // Most edits land next to the caret, as typing does; some anywhere.
        const long near = boundary(std::clamp(caret + random(9) - 4, 0L, length));
        const long at = step % 3 ? near : boundary(random(length + 1));
        switch (random(4)) {
        case 0:
        case 1:
            sci(QsciScintillaBase::SCI_INSERTTEXT, at, reinterpret_cast<long>(pieces[random(6)]));
            break;
        case 2:
            if (at < length) {
                long end = at;
                for (long n = random(3) + 1; n > 0 && end < length; --n)
                    end = sci(QsciScintillaBase::SCI_POSITIONAFTER, end);
                sci(QsciScintillaBase::SCI_DELETERANGE, at, end - at);
            }
            break;
        default:
            sci(step % 2 ? QsciScintillaBase::SCI_UNDO : QsciScintillaBase::SCI_REDO);
        }
        sci(QsciScintillaBase::SCI_GOTOPOS, boundary(std::min(at, View()->GetTextLength())));
        const long pos = sci(QsciScintillaBase::SCI_GETCURRENTPOS);
        ASSERT_EQ(View()->ColumnOf(pos), counted(pos)) << "step " << step;
        const long other = boundary(random(View()->GetTextLength() + 1));
        ASSERT_EQ(View()->ColumnOf(other), counted(other)) << "step " << step;
    }
}

TEST_F(ViewTest, ATextWithALineTooLongToWrapIsShownUnwrappedAndSaysSo) {
    ASSERT_TRUE(Start());
    ASSERT_EQ(View()->m_bWordWrap, 1);
    const auto wrapMode = [&] { return View()->SendScintilla(QsciScintillaBase::SCI_GETWRAPMODE); };
    const QString said = Frame()->m_wndStatusBar.GetPaneText(0);
    QByteArray text = "short line\r";
    text += QByteArray(CTextControl::kMaxWrappedLine + 1, 'x');
    Open(text);
    EXPECT_EQ(wrapMode(), QsciScintillaBase::SC_WRAP_NONE);
    EXPECT_EQ(View()->m_bWordWrap, 1); // the option itself stays as chosen
    EXPECT_EQ(Checked(ID_VIEW_WORDWRAP), 1);
    EXPECT_TRUE(Frame()->m_wndStatusBar.GetPaneText(0).startsWith("Word wrap is off"));
    Exec(ID_VIEW_WORDWRAP);
    EXPECT_EQ(wrapMode(), QsciScintillaBase::SC_WRAP_NONE);
    EXPECT_EQ(View()->m_bWordWrap, 0);
    Frame()->m_wndStatusBar.ShowMessage(said, false);
    Exec(ID_VIEW_WORDWRAP);
    EXPECT_TRUE(Frame()->m_wndStatusBar.GetPaneText(0).startsWith("Word wrap is off"));
    Open(QByteArray(CTextControl::kMaxWrappedLine, 'x') + "\r\n" + text.left(10));
    EXPECT_EQ(wrapMode(), QsciScintillaBase::SC_WRAP_WORD);
    // Inserting a file with such a line stops the wrapping too.
    Frame()->m_wndStatusBar.ShowMessage(said, false);
    ui.fileNames = {WriteFile("long", text)};
    Exec(ID_FILE_INSERT);
    EXPECT_EQ(wrapMode(), QsciScintillaBase::SC_WRAP_NONE);
    EXPECT_TRUE(Frame()->m_wndStatusBar.GetPaneText(0).startsWith("Word wrap is off"));
}
TEST_F(ViewTest, WordWrapKeepsTheCaretsLineWhereItWasOnTheScreen) {
    QByteArray text;
    for (int line = 0; line < 300; ++line) {
        for (int word = 0; word < 60; ++word)
            text += "line" + QByteArray::number(line) + " ";
        text += "\n";
    }
    ASSERT_TRUE(Start({WriteFile("long.txt", text)}));
    ASSERT_EQ(View()->m_bWordWrap, 1);
    const auto sci = [&](unsigned msg, unsigned long w = 0, long l = 0) {
        return View()->SendScintilla(msg, w, l);
    };
    // The caret on line 60, at its start and on a later row of the wrapped line; then a caret
    // out of view, where the top line stays.
    for (const long column : {0L, 300L}) {
        const long caret = View()->LineIndex(60) + column;
        View()->SetSel(caret, caret);
        sci(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE,
            sci(QsciScintillaBase::SCI_VISIBLEFROMDOCLINE, 58) + (column ? 0 : 2));
        const auto shownAt = [&] {
            View()->grab(); // painted, as the user sees it
            return View()->PosFromChar(caret).y();
        };
        const int y = shownAt();
        ASSERT_GT(y, 0);
        for (int toggle = 0; toggle < 3; ++toggle) {
            Exec(ID_VIEW_WORDWRAP);
            EXPECT_EQ(shownAt(), y) << column << " toggle " << toggle;
        }
        Exec(ID_VIEW_WORDWRAP); // back on
    }
    View()->SetSel(0, 0);
    sci(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE,
        sci(QsciScintillaBase::SCI_VISIBLEFROMDOCLINE, 200));
    const auto topLine = [&] {
        View()->grab();
        return sci(QsciScintillaBase::SCI_DOCLINEFROMVISIBLE,
                   sci(QsciScintillaBase::SCI_GETFIRSTVISIBLELINE));
    };
    for (int toggle = 0; toggle < 2; ++toggle) {
        Exec(ID_VIEW_WORDWRAP);
        EXPECT_EQ(topLine(), 200) << toggle;
    }
}
} // namespace
