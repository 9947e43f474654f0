#include "framework/fontdialog.h"
#include "resources/resource.h"
#include "support/appfixture.h"
#include "view/linetext.h"
#include "view/numberinputdlg.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QLineEdit>
#include <QTest>

namespace {
using LineCommandsTest = AppFixture;

void Enter(CLumettaView* view) {
    QTest::keyClick(view, Qt::Key_Return);
    QApplication::processEvents();
}

TEST_F(LineCommandsTest, AutoIndentCopiesTheLeadingBlanksAfterTheBreak) {
    struct {
        QByteArray text;
        long caret;
        bool overwrite;
        QByteArray expected;
    } cases[] = {
        {"\t  word", 7, false, "\t  word\n\t  "},
        {"    word", 0, false, "\n        word"}, // the whole line moves down, four more blanks
        {QByteArray(60, ' '), 60, false, QByteArray(60, ' ') + "\n" + QByteArray(49, ' ')},
        {"  ab", 2, true, "  \n  ab"}, // inserted even in overwrite mode: nothing is eaten
        {"  ab\ncd", 4, true, "  ab\n  \ncd"},
        {"none", 4, false, "none\n"},
    };
    ASSERT_TRUE(Start());
    Exec(ID_VIEW_AUTOINDENT);
    EXPECT_EQ(Checked(ID_VIEW_AUTOINDENT), 1);
    int i = 0;
    for (const auto& c : cases) {
        ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile(QString::number(i++), c.text)));
        View()->SetSel(c.caret, c.caret);
        if (c.overwrite)
            QTest::keyClick(View(), Qt::Key_Insert);
        Enter(View());
        if (c.overwrite)
            QTest::keyClick(View(), Qt::Key_Insert);
        EXPECT_EQ(View()->GetText(), c.expected) << i;
        View()->Undo(); // the break and the indent are one step
        EXPECT_EQ(View()->GetText(), c.text) << i;
        ui.boxReplies = {IDNO};
    }
}

TEST_F(LineCommandsTest, AutoIndentOffOrReadOnlyOnlyBreaksTheLine) {
    ASSERT_TRUE(Start({WriteFile("f", "  x")}));
    View()->SetSel(3, 3);
    Enter(View());
    EXPECT_EQ(View()->GetText(), "  x\n");
    Exec(ID_VIEW_AUTOINDENT);
    Exec(ID_VIEW_READONLY);
    EXPECT_FALSE(Enabled(ID_VIEW_AUTOINDENT));
    Enter(View());
    EXPECT_EQ(View()->GetText(), "  x\n");
}

TEST_F(LineCommandsTest, IndentCoversEveryLineTheSelectionTouchesAndRepeats) {
    ASSERT_TRUE(Start({WriteFile("f", "l1\nl2\nline3\nl4\nl5\nl6\nl7\n")}));
    View()->SetSel(8, 18); // the middle of line 3 to the very start of line 6
    ASSERT_EQ(View()->GetSelText(), "ne3\nl4\nl5\n");
    Exec(ID_INDENT_INCREASE);
    EXPECT_EQ(View()->GetText(), "l1\nl2\n\tline3\n\tl4\n\tl5\n\tl6\nl7\n");
    EXPECT_EQ(View()->GetSelText(), "ne3\n\tl4\n\tl5\n\t");
    Exec(ID_INDENT_INCREASE);
    EXPECT_EQ(View()->GetText(), "l1\nl2\n\t\tline3\n\t\tl4\n\t\tl5\n\t\tl6\nl7\n");
    Exec(ID_EDIT_UNDO); // one step per command
    EXPECT_EQ(View()->GetText(), "l1\nl2\n\tline3\n\tl4\n\tl5\n\tl6\nl7\n");
    View()->SetSel(9, 22);
    ASSERT_EQ(View()->GetSelText(), "ne3\n\tl4\n\tl5\n\t");
    Exec(ID_INDENT_DECREASE);
    Exec(ID_INDENT_DECREASE);
    EXPECT_EQ(View()->GetText(), "l1\nl2\nline3\nl4\nl5\nl6\nl7\n");
    EXPECT_EQ(View()->GetSelText(), "ne3\nl4\nl5\n");
}

TEST_F(LineCommandsTest, IndentWithoutSelectionAndDecreaseRemovesOneBlankOrTab) {
    ASSERT_TRUE(Start({WriteFile("f", "    four\n\nword\n")}));
    View()->SetSel(9, 9); // the empty line
    Exec(ID_INDENT_INCREASE);
    EXPECT_EQ(View()->GetText(), "    four\n\t\nword\n");
    Exec(ID_INDENT_DECREASE);
    Exec(ID_INDENT_DECREASE); // an empty line stays as it is
    EXPECT_EQ(View()->GetText(), "    four\n\nword\n");
    View()->SetSel(6, 6);
    for (int i = 0; i < 5; ++i)
        Exec(ID_INDENT_DECREASE);
    EXPECT_EQ(View()->GetText(), "four\n\nword\n");
    View()->SetSel(6, 6);
    Exec(ID_INDENT_DECREASE); // a line starting with a letter is not changed
    EXPECT_EQ(View()->GetText(), "four\n\nword\n");
}

// Removing the blank between a CR and an LF joins their lines: the lines after are still the ones
// that were selected.
TEST_F(LineCommandsTest, DecreaseThatJoinsACrAndAnLfStillCoversEverySelectedLine) {
    ASSERT_TRUE(Start({WriteFile("f", "a\r \n b\n c\n")}));
    View()->SetSel(0, -1);
    Exec(ID_INDENT_DECREASE);
    EXPECT_EQ(View()->GetText(), "a\r\nb\nc\n");
    Exec(ID_EDIT_UNDO);
    EXPECT_EQ(View()->GetText(), "a\r \n b\n c\n");
}

TEST_F(LineCommandsTest, DeleteLineRemovesTheLineWithItsOwnBreak) {
    struct {
        QByteArray text;
        long caret;
        QByteArray expected;
    } cases[] = {
        {"one\ntwo\nthree", 5, "one\nthree"},
        {"one\r\ntwo\r\nthree", 6, "one\r\nthree"},
        {"one\rtwo\rthree", 5, "one\rthree"},
        {"one\ntwo", 6, "one\n"}, // the last line: the break before it stays
        {"only", 2, ""},
    };
    ASSERT_TRUE(Start());
    int i = 0;
    for (const auto& c : cases) {
        ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile(QString::number(i++), c.text)));
        View()->SetSel(c.caret, c.caret);
        Exec(ID_EDIT_DELETELINE);
        EXPECT_EQ(View()->GetText(), c.expected) << i;
        View()->Undo(); // the break and the indent are one step
        EXPECT_EQ(View()->GetText(), c.text) << i;
        ui.boxReplies = {IDNO};
    }
}

TEST(LineText, DateAndTimeFollowTheLocaleWithoutTimeAtMidnight) {
    const QLocale c(QLocale::C);
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale de(QLocale::German, QLocale::Germany);
    const QDate day(2026, 3, 7);
    EXPECT_EQ(DateTimeText(QDateTime(day, QTime(14, 5, 9)), de), "07.03.26 14:05:09");
    EXPECT_EQ(DateTimeText(QDateTime(day, QTime(14, 5, 9)), us).toStdString(),
              QString::fromUtf8("3/7/26 2:05:09 PM").toStdString());
    EXPECT_EQ(DateTimeText(QDateTime(day, QTime(0, 0)), de), "07.03.26");
    EXPECT_EQ(DateTimeText(QDateTime(day, QTime(0, 0, 1)), de), "07.03.26 00:00:01");
    EXPECT_EQ(DateTimeText(QDateTime(day, QTime(23, 59, 59)), c).right(8), "23:59:59");
}

TEST_F(LineCommandsTest, InsertDateTimeReplacesTheSelection) {
    ASSERT_TRUE(Start({WriteFile("f", "[x]")}));
    View()->SetSel(1, 2);
    Exec(ID_EDIT_DATETIME);
    const QByteArray text = View()->GetText();
    EXPECT_TRUE(text.startsWith("[") && text.endsWith("]") && text.size() > 8) << text.data();
    CHARRANGE sel;
    View()->GetSel(sel);
    EXPECT_EQ(sel.cpMin, text.size() - 1);
}

TEST(LineText, TabIntervalIsTheWidthOfDigitZerosInTwips) {
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setPointSize(10);
    const qreal zero = QFontMetricsF(mono).horizontalAdvance(QLatin1Char('0'));
    for (int n : {1, 4, 32})
        EXPECT_EQ(TabIntervalTwips(mono, n, 96), static_cast<int>(n * zero * 1440 / 96)) << n;
    // A font whose zeros are 8 pixels wide at 96 dpi (120 twips) gives stops every 480 twips.
    QFont fixed(QStringLiteral("DejaVu Sans Mono"));
    fixed.setPixelSize(13);
    fixed.setHintingPreference(QFont::PreferFullHinting);
    const qreal zero8 = QFontMetricsF(fixed).horizontalAdvance(QLatin1Char('0'));
    if (zero8 == 8.0) {
        EXPECT_EQ(TabIntervalTwips(fixed, 4, 96), 480);
    }
}

int Answer(QDialog& d, const QString& text) {
    auto* dlg = dynamic_cast<CNumberInputDlg*>(&d);
    dlg->m_pEdit->setText(text);
    d.accept();
    return d.result() == QDialog::Accepted ? IDOK : IDCANCEL;
}

TEST_F(LineCommandsTest, NumberPromptRefusesWhatIsNotInRange) {
    ASSERT_TRUE(Start());
    struct {
        const char* typed;
        bool accepted;
        const char* message;
    } cases[] = {
        {"0", false, "Please enter an integer between 1 and 32."},
        {"33", false, "Please enter an integer between 1 and 32."},
        {"", false, "Please enter an integer."},
        {"1", true, nullptr},
        {"32", true, nullptr},
    };
    for (const auto& c : cases) {
        ui.boxes.clear();
        int result = 0;
        ui.dialogReplies = {[&](QDialog& d) { return result = Answer(d, c.typed); }};
        Exec(ID_VIEW_TABWIDTH);
        EXPECT_EQ(result == IDOK, c.accepted) << c.typed;
        EXPECT_EQ(ui.BoxTexts(), c.message ? QStringList{c.message} : QStringList{}) << c.typed;
        if (c.accepted) {
            EXPECT_EQ(View()->m_nTabWidth, QString(c.typed).toInt());
        }
    }
    EXPECT_EQ(ui.dialogs.last(), "Enter new Tab Width");

    // Line numbers of a text of billions of lines are past what an int holds.
    const long most = 3000000000L;
    for (const auto& [typed, accepted] : {std::pair{"2999999999", true}, {"3000000001", false}}) {
        ui.boxes.clear();
        CNumberInputDlg dlg(QStringLiteral("Enter Line Number"), 1, 1, most);
        ui.dialogReplies = {[&](QDialog& d) { return Answer(d, typed); }};
        EXPECT_EQ(dlg.DoModal() == IDOK, accepted) << typed;
        EXPECT_EQ(ui.BoxTexts(), accepted ? QStringList{}
                                          : QStringList{"Please enter an integer between 1 and "
                                                        "3000000000."});
        if (accepted)
            EXPECT_EQ(dlg.m_nValue, 2999999999L);
    }
}

TEST_F(LineCommandsTest, GotoLine) {
    QByteArray text;
    for (int i = 1; i <= 9; ++i)
        text += "line " + QByteArray::number(i) + "\n";
    ASSERT_TRUE(Start({WriteFile("f", text)}));
    View()->SetSel(View()->LineIndex(6) + 2, View()->LineIndex(7));
    QString shown;
    ui.dialogReplies = {[&](QDialog& d) {
        shown = dynamic_cast<CNumberInputDlg*>(&d)->m_pEdit->text();
        return Answer(d, "10"); // the line count: the last, empty line
    }};
    Exec(ID_VIEW_GOTOLINE);
    EXPECT_EQ(shown, "7");
    EXPECT_EQ(ui.dialogs.last(), "Enter Line Number");
    CHARRANGE sel;
    View()->GetSel(sel);
    EXPECT_EQ(sel.cpMin, View()->GetTextLength());
    EXPECT_EQ(sel.cpMax, sel.cpMin);
    ui.dialogReplies = {[&](QDialog& d) {
        Answer(d, "11");
        EXPECT_EQ(ui.BoxTexts().last(), "Please enter an integer between 1 and 10.");
        return Answer(d, "2");
    }};
    Exec(ID_VIEW_GOTOLINE);
    View()->GetSel(sel);
    EXPECT_EQ(sel.cpMin, 7);

    for (const char* small : {"", "one line"}) {
        ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile("s", small)));
        const int dialogs = ui.dialogs.size();
        Exec(ID_VIEW_GOTOLINE);
        EXPECT_EQ(ui.dialogs.size(), dialogs);
    }
}

TEST_F(LineCommandsTest, FontChangeKeepsTheModifiedStateAndIsStored) {
    ASSERT_TRUE(Start({WriteFile("f", "text")}));
    QFont chosen(QStringLiteral("DejaVu Sans"));
    chosen.setPointSize(14);
    chosen.setBold(true);
    ui.fontReplies = {{chosen}};
    Exec(ID_VIEW_SETFONT);
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_EQ(View()->m_charFormat.yHeight, 280);
    EXPECT_EQ(View()->m_charFormat.szFaceName, "DejaVu Sans");
    Type("x");
    ui.fontReplies = {{chosen}};
    Exec(ID_VIEW_SETFONT);
    EXPECT_TRUE(Doc()->IsModified());
    Exec(ID_VIEW_SETFONT); // cancelled: nothing changes
    Stop();
    ASSERT_TRUE(Start());
    EXPECT_EQ(View()->m_charFormat.szFaceName, "DejaVu Sans");
    EXPECT_TRUE(View()->m_charFormat.dwEffects & CFE_BOLD);
}
TEST_F(LineCommandsTest, FontColourIsChosenWithTheFontAndOfferedAgain) {
    ASSERT_TRUE(Start({WriteFile("f", "text")}));
    const auto styleFore = [&] {
        const long bgr =
            View()->SendScintilla(QsciScintillaBase::SCI_STYLEGETFORE,
                                  static_cast<unsigned long>(QsciScintillaBase::STYLE_DEFAULT));
        return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    };
    ui.fontReplies = {{QFont(QStringLiteral("DejaVu Sans Mono")), QColor(0x80, 0, 0)}};
    Exec(ID_VIEW_SETFONT);
    EXPECT_EQ(View()->m_charFormat.crTextColor, qRgb(0x80, 0, 0));
    EXPECT_TRUE(View()->m_charFormat.dwMask & CFM_COLOR);
    EXPECT_EQ(styleFore(), QColor(0x80, 0, 0));
    Exec(ID_VIEW_SETFONT); // offered the colour in use; cancelled
    ASSERT_EQ(ui.fontsOffered.size(), 2u);
    EXPECT_FALSE(ui.fontsOffered[0].color.isValid()); // automatic at first
    EXPECT_EQ(ui.fontsOffered[1].color, QColor(0x80, 0, 0));
    ui.fontReplies = {{QFont(QStringLiteral("DejaVu Sans Mono")), QColor()}};
    Exec(ID_VIEW_SETFONT);
    EXPECT_TRUE(View()->m_charFormat.dwEffects & CFE_AUTOCOLOR);
    EXPECT_EQ(styleFore(), View()->palette().color(QPalette::Text));
}

TEST_F(LineCommandsTest, StrikeOutCoversTheWholeTextAndWhatIsTypedLater) {
    ASSERT_TRUE(Start({WriteFile("f", "abc")}));
    const auto struck = [&](long pos) {
        return View()->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, 8UL, pos) != 0;
    };
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStrikeOut(true);
    ui.fontReplies = {{font}};
    Exec(ID_VIEW_SETFONT);
    EXPECT_TRUE(View()->m_charFormat.dwEffects & CFE_STRIKEOUT);
    EXPECT_TRUE(struck(0) && struck(2));
    View()->SetSel(3, 3);
    Type("d");
    View()->SetSel(0, 0);
    Type("<");
    EXPECT_EQ(View()->GetText(), "<abcd");
    EXPECT_TRUE(struck(0) && struck(4));
    View()->SetSel(0, 5);
    QTest::keyClick(View(), Qt::Key_Delete);
    Exec(ID_EDIT_UNDO); // the text comes back struck out
    EXPECT_EQ(View()->GetText(), "<abcd");
    EXPECT_TRUE(struck(0) && struck(4));
    Open("another file\n");
    View()->SetSel(13, 13);
    Type("xyz");
    EXPECT_TRUE(struck(0) && struck(11) && struck(13) && struck(15));
    font.setStrikeOut(false);
    ui.fontReplies = {{font}};
    Exec(ID_VIEW_SETFONT);
    EXPECT_FALSE(struck(0) || struck(11));
    Type("x");
    EXPECT_FALSE(struck(0));
}

TEST(FontDialogTest, ListsTheColourInUseAndReturnsTheChoice) {
    const QFont font(QStringLiteral("DejaVu Sans Mono"), 12);
    CFontDialog automatic(font, QColor());
    EXPECT_FALSE(automatic.GetColor().isValid());
    EXPECT_EQ(automatic.GetFont().family(), font.family());
    EXPECT_EQ(automatic.GetFont().pointSize(), 12);

    CFontDialog d(font, QColor(0xFF, 0, 0));
    EXPECT_EQ(d.m_pColor->currentText(), "Red");
    const int listed = d.m_pColor->count();
    d.SetColor(QColor(1, 2, 3)); // a colour of its own gets the one custom entry
    d.SetColor(QColor(4, 5, 6));
    EXPECT_EQ(d.m_pColor->count(), listed + 1);
    EXPECT_EQ(d.m_pColor->currentText(), "Custom");
    EXPECT_EQ(d.GetColor(), QColor(4, 5, 6));
    EXPECT_EQ(d.m_pColor->itemText(d.m_pColor->count() - 1), "Other...");
}
} // namespace
