#include "resources/resource.h"
#include "search/findtextdlg.h"
#include "support/appfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTest>

#include <algorithm>
#include <random>

namespace {
using SearchTest = AppFixture;

struct FindCase {
    const char* text;
    const char* find;
    long selMin, selMax;
    bool backwards;
    bool cyclic;
    long limit;
    long found; // the match selected, or -1
    const char* message;
};

TEST_F(SearchTest, FindNextTable) {
    const std::string longText = std::string(3000, 'x') + "needle" + std::string(1018, 'y') +
                                 "needle" + std::string(10, 'z');
    const std::string boundary = std::string(2000, 'a') + "stra" + "ddle" + std::string(1020, 'b');
    const std::string bigFind(1500, 'q');
    const std::string bigText = "q" + bigFind + std::string(3000, '.') + bigFind + "..";
    const FindCase cases[] = {
        {"abc abc", "abc", 0, 0, false, true, -1, 0, nullptr},
        {"abc abc", "abc", 0, 3, false, true, -1, 4, nullptr},
        {"aaa", "aa", 0, 2, false, true, -1, 1, nullptr},
        {"abc abc", "abc", 4, 7, false, true, -1, 0, "Cursor warped round the file"},
        {"abc abc", "abc", 4, 7, false, false, -1, -1, "The specified text cannot be located."},
        {"abc abc", "abc", 4, 7, false, true, 7, -1, "The specified text cannot be located."},
        {"xx abc xx", "abc", 3, 6, false, true, -1, -1, "The specified text cannot be located."},
        {"xx abc xx", "abc", 3, 6, true, true, -1, 3, "Cursor warped round the file"},
        {"abc abc abc", "abc", 8, 8, true, true, -1, 4, nullptr},
        {"abc abc abc", "abc", 4, 7, true, true, -1, 0, nullptr},
        {"ab abc", "abc", 0, 0, false, true, 5, -1, "The specified text cannot be located."},
        {longText.c_str(), "needle", 5000, 5000, true, true, -1, 4024, nullptr},
        {boundary.c_str(), "straddle", 3028, 3028, true, true, -1, 2000, nullptr},
        {bigText.c_str(), bigFind.c_str(), 4600, 4600, true, false, -1, 1, nullptr},
        {bigText.c_str(), bigFind.c_str(), 6003, 6003, true, false, -1, 4501, nullptr},
    };
    ASSERT_TRUE(Start());
    for (const FindCase& c : cases) {
        Open(c.text);
        View()->m_bSearchBackwards = c.backwards;
        View()->m_bCyclicSearch = c.cyclic;
        View()->SetSel(c.selMin, c.selMax);
        ui.boxes.clear();
        Frame()->m_wndStatusBar.SetPaneText(0, "Ready");
        const long p = View()->FindNext(c.find, c.limit, true);
        const std::string what = std::string(c.text).substr(0, 20) + " / " + c.find;
        EXPECT_EQ(p, c.found) << what;
        const CHARRANGE sel = Sel();
        if (c.found >= 0) {
            EXPECT_EQ(sel.cpMin, c.found) << what;
            EXPECT_EQ(sel.cpMax, c.found + long(strlen(c.find))) << what;
        } else {
            EXPECT_EQ(sel.cpMin, c.selMin) << what;
        }
        EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(0), c.message ? c.message : "Ready") << what;
    }
}

// Letters fold by simple Unicode case folding; the component folds only ASCII, so the
// expectations here are Unicode's own table.
TEST_F(SearchTest, CaseInsensitiveFindFoldsEveryLetter) {
    struct {
        QByteArray file;
        const char* find;
        bool backwards;
        long selMin, selMax; // the match selected; selMin -1: none
    } cases[] = {
        {"x CAF\xc3\x89 caf\xc3\xa9", "caf\xc3\xa9", false, 2, 7}, // café finds CAFÉ
        {"x CAF\xc3\x89 caf\xc3\xa9", "CAF\xc3\x89", true, 8, 13}, // backwards
        {"stra\xc3\x9f"
         "e",
         "\xe1\xba\x9e", false, 4, 6},          // ẞ finds ß
        {"strasse", "\xc3\x9f", false, -1, -1}, // ß is no ss
        {"\xce\x9f\xce\x94\xce\x9f\xce\xa3", "\xce\xbf\xce\xb4\xce\xbf\xcf\x82", false, 0,
         8},                                    // ΟΔΟΣ / οδος
        {"a\xcf\x82", "\xce\xa3", false, 1, 3}, // Σ finds ς
        {"\xce\xa9", "\xcf\x89", false, 0, 2},  // ω finds Ω
        {"I", "i", false, 0, 1},
        {"\xc4\xb0", "i", false, -1, -1},     // İ has no simple fold
        {"\xc4\xb1", "I", false, -1, -1},     // nor has ı
        {"x \xe2\x84\xaa", "k", false, 2, 5}, // Kelvin sign finds k
        {"x k", "\xe2\x84\xaa", false, 2, 3},
        {"\xc5\xbf", "S", false, 0, 2},             // long s
        {"abc \x8a \x9a", "\xc5\xa1", false, 4, 6}, // Windows-1252 Š, š
        {"abc \x8a \x9a", "\xc5\xa0", true, 7, 9},
        {"abc \xe9", "\xc3\x89", false, 4, 6}, // Windows-1252 é, É
    };
    ASSERT_TRUE(Start());
    View()->m_bMatchCase = 0;
    View()->m_bCyclicSearch = 0;
    for (const auto& c : cases) {
        Open(c.file);
        View()->m_bSearchBackwards = c.backwards;
        const long from = c.backwards ? View()->GetTextLength() : 0;
        View()->SetSel(from, from);
        const QString find = QString::fromUtf8(c.find);
        EXPECT_EQ(View()->FindNext(find, -1, false), c.selMin) << c.find;
        if (c.selMin >= 0) {
            EXPECT_EQ(Sel().cpMax, c.selMax) << c.find;
            // Matching case, only the text written the same is found.
            View()->m_bMatchCase = 1;
            View()->SetSel(from, from);
            EXPECT_EQ(View()->FindNext(find, -1, false) != -1,
                      View()->GetText().contains(find.toUtf8()))
                << c.find;
            View()->m_bMatchCase = 0;
        }
    }
}

TEST_F(SearchTest, NonInteractiveSearchesSayNothing) {
    ASSERT_TRUE(Start({WriteFile("f", "abc")}));
    View()->SetSel(0, 3);
    View()->m_bCyclicSearch = 0;
    EXPECT_EQ(View()->FindNext("abc", -1, false), -1);
    EXPECT_TRUE(ui.beeps.empty());
}

TEST_F(SearchTest, CommandsFollowTheirEnableRulesAlsoFromShortcuts) {
    ASSERT_TRUE(Start({WriteFile("f", "one two one")}));
    EXPECT_FALSE(Enabled(ID_EDIT_REPEAT));
    EXPECT_FALSE(Enabled(ID_SEARCH_FINDSELECTION));
    EXPECT_FALSE(Enabled(ID_SEARCH_MATCHBRACE));
    QTest::keyClick(View(), Qt::Key_F3);
    QTest::keyClick(View(), Qt::Key_F3, Qt::ControlModifier);
    EXPECT_TRUE(ui.beeps.empty());
    View()->SetSel(0, 3);
    QTest::keyClick(View(), Qt::Key_F3, Qt::ControlModifier); // find selection
    EXPECT_EQ(Sel().cpMin, 8);
    EXPECT_EQ(View()->m_findHistory.GetMostRecent(), "one");
    QTest::keyClick(View(), Qt::Key_F3); // repeat: wraps to the first
    EXPECT_EQ(Sel().cpMin, 0);
    EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(0), "Cursor warped round the file");
}

// Shift+F3 repeats the last search the other way, for that search only.
TEST_F(SearchTest, ShiftF3RepeatsTheOtherWay) {
    ASSERT_TRUE(Start({WriteFile("f", "one two one two one")}));
    EXPECT_FALSE(Enabled(ID_SEARCH_REPEATOTHERWAY));
    View()->SetSel(8, 11);
    QTest::keyClick(View(), Qt::Key_F3, Qt::ControlModifier); // the middle "one", then the last
    ASSERT_EQ(Sel().cpMin, 16);
    QTest::keyClick(View(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(Sel().cpMin, 8);
    QTest::keyClick(View(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(Sel().cpMin, 0);
    EXPECT_EQ(View()->m_bSearchBackwards, 0);
    QTest::keyClick(View(), Qt::Key_F3);
    EXPECT_EQ(Sel().cpMin, 8);
    View()->m_bSearchBackwards = 1; // and the other way round
    QTest::keyClick(View(), Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(Sel().cpMin, 16);
}

int FillFind(QDialog& d, const QString& text, bool matchCase, bool accept) {
    auto* dlg = dynamic_cast<CFindTextDlg*>(&d);
    dlg->m_pFindWhat->setEditText(text);
    dlg->m_pMatchCase->setChecked(matchCase);
    if (accept)
        d.accept();
    else
        d.reject();
    return d.result() == QDialog::Accepted ? IDOK : IDCANCEL;
}

TEST_F(SearchTest, FindDialogBehaviour) {
    ASSERT_TRUE(Start({WriteFile("f", "Alpha alpha beta")}));
    QString shown;
    int listed = -1;
    auto peek = [&](QDialog& d) {
        auto* dlg = dynamic_cast<CFindTextDlg*>(&d);
        shown = dlg->m_pFindWhat->currentText();
        listed = dlg->m_pFindWhat->count();
    };
    // Nothing selected, empty history: an empty field.
    ui.dialogReplies = {[&](QDialog& d) {
        peek(d);
        return FillFind(d, "", true, true); // refused, but the options are already stored
    }};
    Exec(ID_EDIT_FIND);
    EXPECT_EQ(shown, "");
    EXPECT_EQ(ui.BoxTexts(), QStringList{"Search string should not be empty"});
    EXPECT_EQ(View()->m_bMatchCase, 1);
    EXPECT_EQ(View()->m_findHistory.GetCount(), 0);
    // Too long: refused with the length message.
    ui.boxes.clear();
    ui.dialogReplies = {[&](QDialog& d) { return FillFind(d, QString(121, 'x'), false, true); }};
    Exec(ID_EDIT_FIND);
    EXPECT_EQ(ui.BoxTexts(), QStringList{"Please enter no more than 120 characters."});
    // OK searches and records the string.
    ui.dialogReplies = {[&](QDialog& d) { return FillFind(d, "alpha", true, true); }};
    Exec(ID_EDIT_FIND);
    EXPECT_EQ(Sel().cpMin, 6);
    EXPECT_EQ(View()->m_findHistory.Entries(), QStringList{"alpha"});
    // A selection is offered even when it is not in the history; the list holds the history.
    View()->m_findHistory.AddString(15, "beta");
    View()->SetSel(0, 5);
    ui.dialogReplies = {[&](QDialog& d) {
        peek(d);
        return FillFind(d, "x", false, false); // Cancel changes nothing
    }};
    Exec(ID_EDIT_FIND);
    EXPECT_EQ(shown, "Alpha");
    EXPECT_EQ(listed, 2);
    EXPECT_EQ(View()->m_findHistory.Entries(), (QStringList{"beta", "alpha"}));
    EXPECT_EQ(View()->m_bMatchCase, 1);
    // Nothing selected: the most recent search string.
    View()->SetSel(3, 3);
    ui.dialogReplies = {[&](QDialog& d) {
        peek(d);
        return FillFind(d, "alpha", true, true); // moves to the front
    }};
    Exec(ID_EDIT_FIND);
    EXPECT_EQ(shown, "beta");
    EXPECT_EQ(View()->m_findHistory.Entries(), (QStringList{"alpha", "beta"}));
}

TEST_F(SearchTest, MatchBrace) {
    struct {
        const char* text;
        long selMin, selMax;
        long found;
        const char* message;
    } cases[] = {
        {"a{b{c}d}e", 1, 2, 7, nullptr},
        {"a{b{c}d}e", 7, 8, 1, nullptr},
        {"{ ( }", 0, 1, 4, nullptr},
        {"x { y }", 1, 4, 6, nullptr},
        {"{}", 0, 2, -1, "No single brace character is selected."},
        {"ab", 0, 1, -1, "No single brace character is selected."},
        {"{ no end", 0, 1, -1, "The matching brace cannot be found (unbalanced ?)"},
        {"} at start", 0, 1, -1, "The matching brace cannot be found (unbalanced ?)"},
        {"(((", 0, 1, -1, "The matching brace cannot be found (unbalanced ?)"},
        {"[a[b]c[d]e]", 10, 11, 0, nullptr},
    };
    ASSERT_TRUE(Start());
    for (const auto& c : cases) {
        Open(c.text);
        for (int options = 0; options < 4; ++options) {
            View()->m_bSearchBackwards = options & 1;
            View()->m_bWordsOnly = options >> 1;
            View()->SetSel(c.selMin, c.selMax);
            ui.boxes.clear();
            Frame()->m_wndStatusBar.SetPaneText(0, "Ready");
            Exec(ID_SEARCH_MATCHBRACE);
            const CHARRANGE sel = Sel();
            if (c.found >= 0) {
                EXPECT_EQ(sel.cpMin, c.found) << c.text;
                EXPECT_EQ(sel.cpMax, c.found + 1) << c.text;
            } else {
                EXPECT_EQ(sel.cpMin, c.selMin) << c.text;
                EXPECT_EQ(sel.cpMax, c.selMax) << c.text;
            }
            EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(0), c.message ? c.message : "Ready");
            EXPECT_EQ(View()->m_bSearchBackwards, options & 1);
            EXPECT_EQ(View()->m_bWordsOnly, options >> 1);
        }
    }
}

// The control's own scan must find exactly what the editing component finds, where the
// component's ASCII-only case folding agrees with ours.
// A stray byte is a character of its own: it is found as one, and never matches a byte inside
// another character.
TEST_F(SearchTest, AMatchStartsAndEndsBetweenCharacters) {
    // Mostly text, so that it is taken for UTF-8 with a few stray bytes.
    const QByteArray words = QByteArray("plain w\xc3\xb6rds ").repeated(10);
    ASSERT_TRUE(Start({WriteFile("f", "caf\xc3\xa9 \x80x caf\xc3 z " + words)}));
    ASSERT_EQ(View()->GetEncoding(), TextEncoding::Utf8);
    const struct {
        const char* needle;
        int flags;
        long found;
    } cases[] = {
        {"caf\xc3", FR_MATCHCASE, 9}, {"CAF\xc3", 0, 9}, {"\x80x", FR_MATCHCASE, 6}, {"\x80", 0, 6},
        {"\xa9", FR_MATCHCASE, -1},
    };
    const CHARRANGE all{0, View()->GetTextLength()};
    for (const auto& c : cases) {
        EXPECT_EQ(View()->FindText(c.flags, all, c.needle), c.found) << c.needle;
        EXPECT_EQ(View()->FindTextLast(c.flags, all, c.needle), c.found) << c.needle;
    }
}

TEST_F(SearchTest, FastFindAgreesWithTheComponent) {
    ASSERT_TRUE(Start());
    std::mt19937 rng(2026);
    const char* pieces[] = {
        "a",  "A",    "b",  "B",  "_",  " ",        ".",        "..",           "\n", "\r\n",
        "\t", "\x01", "ab", "Ab", "aB", "\xc3\xa9", "\xc3\x89", "\xe2\x82\xac", "1",  "-"};
    const char* latin1[] = {"\xe9", "\xc9", "\xff", "\x80"};
    int compared = 0;
    for (int round = 0; round < 60; ++round) {
        const bool utf8 = round % 3 != 0;
        QByteArray text;
        const int len = 1 + rng() % 300;
        while (text.size() < len) {
            text += pieces[rng() % 20];
            if (!utf8 && rng() % 5 == 0)
                text += latin1[rng() % 4];
        }
        Open(text);
        if (utf8) {
            ASSERT_EQ(View()->GetEncoding(), TextEncoding::Utf8) << round;
        }
        for (int k = 0; k < 40; ++k) {
            QByteArray needle;
            const int parts = 1 + rng() % 3;
            for (int i = 0; i < parts; ++i)
                needle += pieces[rng() % 20];
            const int flags = static_cast<int>(rng() % 8) & (FR_MATCHCASE | FR_WHOLEWORD);
            // The component folds only ASCII letters; other letters are compared against a
            // table of their own.
            const bool asciiNeedle =
                std::all_of(needle.begin(), needle.end(), [](char c) { return (c & 0x80) == 0; });
            if (needle.contains('\0') || (!(flags & FR_MATCHCASE) && !asciiNeedle))
                continue;
            long a = rng() % (text.size() + 1), b = rng() % (text.size() + 1);
            if (rng() % 3 == 0)
                a = 0, b = text.size();
            const CHARRANGE range{std::min(a, b), std::max(a, b)};
            const long ours = View()->FindText(flags, range, needle);
            const auto byComponent = [&](long from) {
                return View()->Text().FindByComponent(needle, flags & FR_MATCHCASE,
                                                      flags & FR_WHOLEWORD, from, range.cpMax);
            };
            const long theirs = byComponent(range.cpMin);
            // The last match, as stepping through the component's matches finds it.
            long theirsLast = theirs;
            for (long p = theirs; p != -1; p = byComponent(p + 1))
                theirsLast = p;
            ASSERT_EQ(View()->FindTextLast(flags, range, needle), theirsLast)
                << "last, round " << round << " needle [" << needle.toStdString() << "] flags "
                << flags << " range " << range.cpMin << ".." << range.cpMax;
            ASSERT_EQ(ours, theirs) << "round " << round << " needle [" << needle.toStdString()
                                    << "] flags " << flags << " range " << range.cpMin << ".."
                                    << range.cpMax << " text " << text.toHex().toStdString();
            ++compared;
        }
    }
    EXPECT_GT(compared, 2000);
}
} // namespace
