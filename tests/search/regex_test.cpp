// Regular expressions through the Find and Replace dialogs and the repeat keys.
#include "resources/resource.h"
#include "search/findtextdlg.h"
#include "search/replacetextdlg.h"
#include "support/appfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTest>

namespace {
using RegexTest = AppFixture;

// Answers the Find dialog with a pattern, the regular expression option on.
std::function<int(QDialog&)> FindPattern(const QString& pattern) {
    return [pattern](QDialog& d) {
        auto& dlg = dynamic_cast<CFindTextDlg&>(d);
        dlg.m_pFindWhat->setEditText(pattern);
        dlg.m_pRegularExpression->setChecked(true);
        d.accept();
        return d.result() == QDialog::Accepted ? IDOK : IDCANCEL;
    };
}

TEST_F(RegexTest, FindRepeatsAndRemembersTheOption) {
    ASSERT_TRUE(Start({WriteFile("f", "id=12\r\nid=345\nname id=6")}));
    ui.dialogReplies = {FindPattern("id=(\\d+)$")};
    Exec(ID_EDIT_FIND);
    EXPECT_EQ(View()->m_bRegularExpression, 1);
    EXPECT_EQ(Sel().cpMin, 0);
    EXPECT_EQ(Sel().cpMax, 5);
    QTest::keyClick(View(), Qt::Key_F3);
    EXPECT_EQ(Sel().cpMin, 7);
    EXPECT_EQ(Sel().cpMax, 13);
    QTest::keyClick(View(), Qt::Key_F3);
    EXPECT_EQ(Sel().cpMin, 19);
    QTest::keyClick(View(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(Sel().cpMin, 7);
    // An empty match is where the search stands: the next one is further on, never the same.
    ui.dialogReplies = {FindPattern("^")};
    View()->SetSel(0, 0);
    Exec(ID_EDIT_FIND);
    EXPECT_EQ(Sel().cpMin, 7);
    QTest::keyClick(View(), Qt::Key_F3);
    EXPECT_EQ(Sel().cpMin, 14);
    QTest::keyClick(View(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(Sel().cpMin, 7);
    EXPECT_EQ(Sel().cpMax, 7);
    EXPECT_EQ(View()->m_findHistory.Entries(), (QStringList{"^", "id=(\\d+)$"}));
    Stop();
    ASSERT_TRUE(Start());
    EXPECT_EQ(View()->m_bRegularExpression, 1);
}

TEST_F(RegexTest, AnInvalidPatternIsSaidAndNothingIsSearched) {
    ASSERT_TRUE(Start({WriteFile("f", "(abc) abc")}));
    View()->SetSel(6, 6);
    ui.dialogReplies = {FindPattern("(ab\xc3\xa9"
                                    "c")};
    Exec(ID_EDIT_FIND);
    EXPECT_EQ(ui.BoxTexts().join("|").toStdString(),
              std::string{"This regular expression is not valid: missing closing "
                          "parenthesis (at character 6)."});
    EXPECT_EQ(Sel().cpMin, 6);
    EXPECT_EQ(View()->m_findHistory.GetCount(), 0);
    // A pattern PCRE2 gives up on says so, rather than that the text is not there.
    Open(QByteArray(2000000, 'a'));
    View()->m_bRegularExpression = 1;
    EXPECT_EQ(View()->FindNext("(.)*x", -1, true), -1);
    EXPECT_TRUE(Frame()->m_wndStatusBar.GetPaneText(0).startsWith(
        "The regular expression could not be searched for: "));
    // And Replace All, which replaces nothing then.
    ui.dialogReplies = {[&](QDialog& d) {
        auto& dlg = dynamic_cast<CReplaceTextDlg&>(d);
        dlg.m_pFindWhat->setEditText("(.)*x");
        dlg.OnReplaceAll();
        d.reject();
        return IDCANCEL;
    }};
    Exec(ID_EDIT_REPLACE);
    ASSERT_EQ(ui.BoxTexts().size(), 2);
    EXPECT_TRUE(ui.BoxTexts().last().startsWith("The regular expression could not be searched"));
    EXPECT_FALSE(View()->CanUndo());
    Open("(abc) abc");
    // Off, the same text is found as it stands.
    View()->m_bRegularExpression = 0;
    EXPECT_EQ(View()->FindNext("(abc", -1, false), 0);
}

TEST_F(RegexTest, ReplaceAndReplaceAllFillInTheGroups) {
    ASSERT_TRUE(Start({WriteFile("f", "k=1 k=22 k=333 k=4")}));
    View()->m_bRegularExpression = 1;
    ui.dialogReplies = {[&](QDialog& d) {
        auto& dlg = dynamic_cast<CReplaceTextDlg&>(d);
        dlg.m_pFindWhat->setEditText("k=(\\d+)");
        dlg.OnFindNext();
        EXPECT_EQ(Sel().cpMax, 3);
        dlg.m_pReplaceWith->setEditText("\\2");
        dlg.OnReplace(); // refused: there is no second group
        EXPECT_EQ(ui.BoxTexts().join("|").toStdString(),
                  std::string{"The replacement uses \\2, but the regular "
                              "expression has only 1 group(s)."});
        dlg.m_pReplaceWith->setEditText("\\1=\\\\k\\t");
        dlg.OnReplace();
        EXPECT_EQ(View()->GetText(), "1=\\k\t k=22 k=333 k=4");
        EXPECT_EQ(Sel().cpMin, 6); // the next match
        dlg.OnReplaceAll();
        d.reject();
        return IDCANCEL;
    }};
    Exec(ID_EDIT_REPLACE);
    EXPECT_EQ(View()->GetText(), "1=\\k\t 22=\\k\t 333=\\k\t 4=\\k\t");
    EXPECT_EQ(ui.BoxTexts().last(), "3 occurences have been replaced.");
    Exec(ID_EDIT_UNDO); // Replace All is one step
    EXPECT_EQ(View()->GetText(), "1=\\k\t k=22 k=333 k=4");
}
} // namespace
