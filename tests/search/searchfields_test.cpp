#include "resources/resource.h"
#include "framework/fieldtext.h"
#include "search/findtextdlg.h"
#include "search/replacetextdlg.h"
#include "support/appfixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
// The search dialogs' fields driven by real keys: what is typed is what is searched for.
class SearchFieldsTest : public AppFixture {
protected:
    // Shows the dialog and gives `combo` the focus, its text selected, as a user finds it.
    static QLineEdit* Focus(QDialog& d, QComboBox* combo) {
        d.show();
        QApplication::setActiveWindow(&d);
        combo->setFocus();
        combo->lineEdit()->selectAll();
        return combo->lineEdit();
    }
    static int Result(QDialog& d) { return d.result() == QDialog::Accepted ? IDOK : IDCANCEL; }
};

TEST(FieldText, ControlCharactersShowAsSymbolsAndReadBackAsThemselves) {
    const QString text = QString::fromUtf8("a\r\nb") + QChar(0) + QString::fromUtf8("c\td\x7f\x1b");
    const QString field = FieldText::ToField(text);
    EXPECT_EQ(field, QString::fromUtf8("a\u240d\u240ab\u2400c\td\u2421\u241b"));
    EXPECT_EQ(FieldText::FromField(field), text);
    EXPECT_EQ(FieldText::ToField("plain text"), "plain text");
}

TEST_F(SearchFieldsTest, FindSearchesForWhatWasTypedNotAHistoryEntry) {
    ASSERT_TRUE(Start());
    const struct {
        const char* history;
        const char* typed;
        int matchCase;
        const char* text;
        long caret;
        long found;
    } cases[] = {
        {"alpha", "ALPHA", 1, "alpha ALPHA", 0, 6},   // no case-blind completion
        {"alphabet", "alp", 1, "alphabet alp", 1, 9}, // no prefix completion
        {"alphabet", "alp", 0, "xx alp alphabet", 0, 3},
    };
    for (const auto& c : cases) {
        Open(c.text);
        View()->m_findHistory.RemoveAll();
        View()->m_findHistory.AddString(15, c.history);
        View()->m_bMatchCase = c.matchCase;
        View()->SetSel(c.caret, c.caret);
        ui.dialogReplies = {[&](QDialog& d) {
            auto& dlg = dynamic_cast<CFindTextDlg&>(d);
            EXPECT_EQ(dlg.m_pFindWhat->completer(), nullptr);
            QTest::keyClicks(Focus(d, dlg.m_pFindWhat), c.typed);
            EXPECT_EQ(dlg.m_pFindWhat->currentText(), c.typed);
            QTest::keyClick(dlg.m_pFindWhat->lineEdit(), Qt::Key_Return);
            return Result(d);
        }};
        Exec(ID_EDIT_FIND);
        EXPECT_EQ(Sel().cpMin, c.found) << c.typed;
        EXPECT_EQ(Sel().cpMax - Sel().cpMin, static_cast<long>(strlen(c.typed))) << c.typed;
        EXPECT_EQ(View()->m_findHistory.GetMostRecent(), c.typed);
    }
    EXPECT_EQ(View()->m_findHistory.GetCount(), 2); // "alp" and "alphabet" are two entries
}

TEST_F(SearchFieldsTest, TabOutOfTheReplaceFieldKeepsItsCase) {
    ASSERT_TRUE(Start());
    Open("one two one");
    View()->m_replaceHistory.AddString(15, "foo");
    View()->SetSel(0, 0);
    ui.dialogReplies = {[&](QDialog& d) {
        auto& dlg = dynamic_cast<CReplaceTextDlg&>(d);
        QTest::keyClicks(Focus(d, dlg.m_pFindWhat), "one");
        QLineEdit* with = Focus(d, dlg.m_pReplaceWith);
        QTest::keyClicks(with, "FOO");
        QTest::keyClick(with, Qt::Key_Tab);
        EXPECT_EQ(dlg.m_pReplaceWith->currentText(), "FOO");
        dlg.m_pReplaceAll->click();
        d.reject();
        return IDCANCEL;
    }};
    Exec(ID_EDIT_REPLACE);
    EXPECT_EQ(View()->GetText(), "FOO two FOO");
    EXPECT_EQ(View()->m_replaceHistory.Entries(), (QStringList{"FOO", "foo"}));
}

TEST_F(SearchFieldsTest, AMultiLineSelectionIsSearchedForExactly) {
    ASSERT_TRUE(Start());
    const struct {
        QByteArray text;
        long selMin, selMax;
        const char* shown;
        long found;
    } cases[] = {
        {"one\r\ntwo\r\nxx one two\r\none\r\ntwo", 0, 8, "one\u240d\u240atwo", 22},
        {"one\ntwo\none two", 0, 7, "one\u240atwo", -1},
        {QByteArray("a\0b a b a\0b", 11), 0, 3, "a\u2400b", 8},
    };
    for (const auto& c : cases) {
        Open(c.text);
        View()->m_findHistory.AddString(15, "decoy");
        View()->m_bCyclicSearch = 0;
        View()->SetSel(c.selMin, c.selMax);
        const QByteArray selected = View()->GetSelText();
        ui.dialogReplies = {[&](QDialog& d) {
            auto& dlg = dynamic_cast<CFindTextDlg&>(d);
            EXPECT_EQ(dlg.m_pFindWhat->currentText(), QString::fromUtf8(c.shown));
            QTest::keyClick(Focus(d, dlg.m_pFindWhat), Qt::Key_Return);
            return Result(d);
        }};
        Exec(ID_EDIT_FIND);
        const CHARRANGE expected = c.found < 0
                                       ? CHARRANGE{c.selMin, c.selMax}
                                       : CHARRANGE{c.found, c.found + (c.selMax - c.selMin)};
        EXPECT_EQ(Sel().cpMin, expected.cpMin) << c.shown;
        EXPECT_EQ(Sel().cpMax, expected.cpMax) << c.shown;
        EXPECT_TRUE(View()->m_findHistory.GetMostRecent() == View()->FromDocumentBytes(selected));
        // Repeat Find searches for the same bytes.
        View()->SetSel(0, 0);
        Exec(ID_EDIT_REPEAT);
        EXPECT_EQ(Sel().cpMin, c.selMin) << c.shown;
    }
}

TEST_F(SearchFieldsTest, PastedLineBreaksStayInTheField) {
    ASSERT_TRUE(Start());
    Open("a\nb a b");
    QApplication::clipboard()->setText("a\nb");
    ui.dialogReplies = {[&](QDialog& d) {
        auto& dlg = dynamic_cast<CFindTextDlg&>(d);
        Focus(d, dlg.m_pFindWhat)->paste();
        EXPECT_EQ(dlg.m_pFindWhat->currentText(), QString::fromUtf8("a\u240ab"));
        QTest::keyClick(dlg.m_pFindWhat->lineEdit(), Qt::Key_Return);
        return Result(d);
    }};
    Exec(ID_EDIT_FIND);
    EXPECT_EQ(View()->GetSelText(), "a\nb");
}
// Mostly text, so that a few stray bytes leave it UTF-8.
const QByteArray kWords = QByteArray(" some w\xc3\xb6rds").repeated(8);

TEST(FieldText, APictureThatIsItselfIsMarkedAndReadBackAsItself) {
    const QString picture(QChar(0x240a));
    const QString text = "x" + picture + "y\n";
    const QString field = FieldText::ToField(text);
    EXPECT_EQ(field, "x" + picture + QChar(0xfe0e) + "y" + picture);
    EXPECT_EQ(FieldText::FromField(field), text);
}

// A needle taken from the text is searched as the bytes it came from: a stray byte is not the
// replacement character, and a picture in the text is not the control character it pictures.
TEST_F(SearchFieldsTest, NeedlesTakenFromTheTextAreItsBytes) {
    ASSERT_TRUE(Start());
    const QByteArray stray("a\xff"
                           "b");
    const QByteArray replacement("a\xef\xbf\xbd"
                                 "b");
    const QByteArray picture("x\xe2\x90\x8ay"); // x U+240A y
    Open(stray + " " + replacement + " " + stray + kWords);
    ASSERT_EQ(View()->GetEncoding(), TextEncoding::Utf8);
    View()->m_bCyclicSearch = 0;
    View()->SetSel(0, 3);
    Exec(ID_SEARCH_FINDSELECTION);
    EXPECT_EQ(Sel().cpMin, 10);
    EXPECT_EQ(Sel().cpMax, 13);
    // A character whose second half in UTF-16 looks like an escaped byte is itself (U+1F480).
    Open("\xf0\x9f\x92\x80x \xf0\x9f\x92\x80x");
    View()->SetSel(0, 5);
    Exec(ID_SEARCH_FINDSELECTION);
    EXPECT_EQ(Sel().cpMin, 6);
    EXPECT_EQ(Sel().cpMax, 11);

    const struct {
        QByteArray text;
        long selMin, selMax;
        QByteArray replaced;
        const char* count;
    } cases[] = {
        {stray + " " + replacement + " " + stray + kWords, 0, 3, "X " + replacement + " X" + kWords,
         "2 occurences have been replaced."},
        {picture + " x\ny " + picture + kWords, 0, 5, "X x\ny X" + kWords,
         "2 occurences have been replaced."},
        {QByteArray("n\0l n l n\0l", 11) + kWords, 0, 3, "X n l X" + kWords,
         "2 occurences have been replaced."},
    };
    for (const auto& c : cases) {
        Open(c.text);
        View()->SetSel(c.selMin, c.selMax);
        ui.boxes.clear();
        ui.dialogReplies = {[&](QDialog& d) {
            auto& dlg = dynamic_cast<CReplaceTextDlg&>(d);
            dlg.m_pReplaceWith->setEditText("X");
            dlg.OnReplaceAll();
            d.reject();
            return IDCANCEL;
        }};
        Exec(ID_EDIT_REPLACE);
        EXPECT_EQ(View()->GetText(), c.replaced) << c.text.left(12).toHex().toStdString();
        EXPECT_EQ(ui.BoxTexts(), QStringList{c.count});
    }

    // The history keeps these needles exactly across a restart.
    const QStringList history = View()->m_findHistory.Entries();
    Stop();
    ASSERT_TRUE(Start());
    EXPECT_EQ(View()->m_findHistory.Entries(), history);
    Open(QByteArray("n l n\0l", 7));
    View()->SetSel(0, 0);
    Exec(ID_EDIT_REPEAT);
    EXPECT_EQ(Sel().cpMin, 4);
    EXPECT_EQ(Sel().cpMax, 7);
}

// What the user types is searched as itself, a picture of a control character included.
TEST_F(SearchFieldsTest, ATypedPictureIsSearchedAsItself) {
    ASSERT_TRUE(Start());
    Open("x\ny x\xe2\x90\x8ay");
    View()->SetSel(0, 0);
    ui.dialogReplies = {[&](QDialog& d) {
        auto& dlg = dynamic_cast<CFindTextDlg&>(d);
        QLineEdit* edit = Focus(d, dlg.m_pFindWhat);
        // Typed as a keyboard whose layout has the character gives it.
        for (QChar c : "x" + QString(QChar(0x240a)) + "y") {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(edit, &press);
        }
        EXPECT_EQ(FieldText::FromField(dlg.m_pFindWhat->currentText()),
                  "x" + QString(QChar(0x240a)) + "y");
        // Backspace takes a typed picture away whole, its mark with it.
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClick(edit, Qt::Key_Backspace);
        EXPECT_EQ(dlg.m_pFindWhat->currentText(), "x");
        QKeyEvent again(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x240a)));
        QApplication::sendEvent(edit, &again);
        QTest::keyClicks(edit, "y");
        QTest::keyClick(dlg.m_pFindWhat->lineEdit(), Qt::Key_Return);
        return Result(d);
    }};
    Exec(ID_EDIT_FIND);
    EXPECT_EQ(Sel().cpMin, 4);
    EXPECT_EQ(Sel().cpMax, 9);
}
} // namespace
