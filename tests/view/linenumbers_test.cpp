#include "resources/resource.h"
#include "support/appfixture.h"

#include <QApplication>
#include <QTest>

namespace {
using LineNumbersTest = AppFixture;

QByteArray Lines(int count, const QByteArray& line = "x") {
    QByteArray text;
    text.reserve(count * (line.size() + 1));
    for (int i = 1; i < count; ++i)
        text += line + '\n';
    return text + line;
}

long MarginWidth(const CLumettaView* view, int margin) {
    return view->SendScintilla(QsciScintillaBase::SCI_GETMARGINWIDTHN, margin);
}

long TextWidth(const CLumettaView* view, const QByteArray& text) {
    return view->SendScintilla(QsciScintillaBase::SCI_TEXTWIDTH,
                               QsciScintillaBase::STYLE_LINENUMBER, text.constData());
}

// What the component draws: numbers right-aligned, 3 pixels from the margin's right edge.
constexpr long kNumberPadding = 3;

TEST_F(LineNumbersTest, OffByDefaultThenToggledTickedAndKeptForTheNextRun) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(Checked(ID_VIEW_LINENUMBERS), 0);
    EXPECT_EQ(View()->GetLineNumberMarginWidth(), 0);
    EXPECT_TRUE(Enabled(ID_VIEW_LINENUMBERS));
    EXPECT_TRUE(Exec(ID_VIEW_LINENUMBERS));
    EXPECT_EQ(Checked(ID_VIEW_LINENUMBERS), 1);
    EXPECT_GT(View()->GetLineNumberMarginWidth(), 0);
    Stop();

    ASSERT_TRUE(Start());
    EXPECT_EQ(Checked(ID_VIEW_LINENUMBERS), 1);
    EXPECT_GT(View()->GetLineNumberMarginWidth(), 0);
    Exec(ID_VIEW_READONLY); // read-only text keeps its numbers
    EXPECT_GT(View()->GetLineNumberMarginWidth(), 0);
    Exec(ID_VIEW_READONLY);
    Exec(ID_VIEW_LINENUMBERS);
    EXPECT_EQ(View()->GetLineNumberMarginWidth(), 0);
    Stop();

    ASSERT_TRUE(Start());
    EXPECT_EQ(Checked(ID_VIEW_LINENUMBERS), 0);
    EXPECT_EQ(View()->GetLineNumberMarginWidth(), 0);
}

TEST_F(LineNumbersTest, MarginFitsTheLastLinesNumber) {
    StoreInt("Editor/Viewer Settings", "bLineNumbers", 1);
    ASSERT_TRUE(Start());
    long previous = 0;
    for (int count : {9, 99999, 1000000}) {
        Open(Lines(count));
        ASSERT_EQ(View()->GetLineCount(), count);
        const long width = View()->GetLineNumberMarginWidth();
        const long number = TextWidth(View(), QByteArray::number(count));
        EXPECT_GE(width, number + kNumberPadding) << count;
        EXPECT_LE(width, number + 2 * TextWidth(View(), "9")) << count; // not much to spare
        EXPECT_GT(width, previous) << count;
        previous = width;
    }

    // Typing and undoing the tenth line widens the margin and narrows it again.
    Open(Lines(9));
    const long nine = View()->GetLineNumberMarginWidth();
    View()->SetSel(-1, -1);
    QTest::keyClick(View(), Qt::Key_Return);
    View()->viewport()->grab(); // as the window is painted
    ASSERT_EQ(View()->GetLineCount(), 10);
    EXPECT_GE(View()->GetLineNumberMarginWidth(), TextWidth(View(), "10") + kNumberPadding);
    EXPECT_GT(View()->GetLineNumberMarginWidth(), nine);
    Exec(ID_EDIT_UNDO);
    View()->viewport()->grab(); // as the window is painted
    EXPECT_EQ(View()->GetLineNumberMarginWidth(), nine);

    // A larger font widens it too.
    CHARFORMAT big = View()->m_charFormat;
    big.yHeight *= 3;
    View()->SetDefaultCharFormat(big);
    EXPECT_GT(View()->GetLineNumberMarginWidth(), nine * 2);
}

TEST_F(LineNumbersTest, WrappedLinesKeepOneNumber) {
    StoreInt("Editor/Viewer Settings", "bLineNumbers", 1);
    ASSERT_TRUE(Start());
    Open(Lines(9));
    const long unwrapped = View()->GetLineNumberMarginWidth();
    // Nine lines, each wrapped over several rows of the window: still one digit.
    Open(Lines(9, QByteArray("word ").repeated(400)));
    ASSERT_EQ(View()->m_bWordWrap, 1);
    View()->viewport()->grab(); // as the window is painted
    EXPECT_GT(View()->SendScintilla(QsciScintillaBase::SCI_WRAPCOUNT, 0UL), 3);
    EXPECT_GT(View()->SendScintilla(QsciScintillaBase::SCI_VISIBLEFROMDOCLINE, 8UL), 9);
    EXPECT_EQ(View()->GetLineNumberMarginWidth(), unwrapped);
}

TEST_F(LineNumbersTest, NumbersStandBeforeTheSelectionBarAndTheTextAfterBoth) {
    StoreInt("Editor/Viewer Settings", "bSelectionBar", 1);
    ASSERT_TRUE(Start({WriteFile("f", Lines(20, "text"))}));
    EXPECT_EQ(MarginWidth(View(), 1), 16);
    const long textStart = View()->PosFromChar(0).x();
    Exec(ID_VIEW_LINENUMBERS);
    const long numbers = View()->GetLineNumberMarginWidth();
    ASSERT_GT(numbers, 0);
    EXPECT_EQ(MarginWidth(View(), 1), 16);
    EXPECT_EQ(View()->PosFromChar(0).x(), textStart + numbers);

    // A click in the selection bar still selects the whole line beside it.
    const QPoint line3 = View()->PosFromChar(View()->LineIndex(2));
    QTest::mouseClick(View()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(numbers + 8, line3.y() + 2));
    EXPECT_EQ(View()->GetSelText(), "text\n");
}
} // namespace
