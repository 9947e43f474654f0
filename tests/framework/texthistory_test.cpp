#include "framework/texthistory.h"
#include "support/appfixture.h"

#include <QComboBox>

namespace {
QStringList Entries(std::initializer_list<const char*> texts, int max = 5) {
    CTextHistory h;
    for (const char* t : texts)
        h.AddString(max, t);
    return h.Entries();
}

TEST(TextHistory, AddStringKeepsMostRecentFirstWithoutDuplicatesOrEmpties) {
    EXPECT_EQ(Entries({"ABC", "abc"}), (QStringList{"abc", "ABC"}));
    EXPECT_EQ(Entries({"a", "b", "c", "a"}), (QStringList{"a", "c", "b"}));
    EXPECT_EQ(Entries({"a", "b", "c"}, 2), (QStringList{"c", "b"}));
    EXPECT_EQ(Entries({"a", "", "b"}), (QStringList{"b", "a"}));
    EXPECT_TRUE(CTextHistory().GetMostRecent().isNull());
}

TEST(TextHistory, FillComboBoxShowsTheGivenTextOrTheMostRecent) {
    CTextHistory h;
    h.AddString(5, "old");
    h.AddString(5, "new");
    struct {
        QString given;
        QString shown;
    } cases[] = {{QString(), "new"}, {"", "new"}, {"elsewhere", "elsewhere"}};
    for (const auto& c : cases) {
        QComboBox combo;
        combo.setEditable(true);
        h.FillComboBox(1, &combo, c.given);
        EXPECT_EQ(combo.count(), 1);
        EXPECT_EQ(combo.itemText(0), "new");
        EXPECT_EQ(combo.currentText(), c.shown);
    }
}

using TextHistoryStore = AppFixture;

TEST_F(TextHistoryStore, LoadStopsAtAGapDropsDuplicatesAndSaveLeavesHigherKeys) {
    for (auto [key, value] : {std::pair{"0", "a"}, {"2", "c"}})
        StoreString("Find Text History", key, value);
    for (auto [key, value] : {std::pair{"0", "x"}, {"1", "y"}, {"2", "x"}, {"3", "z"}})
        StoreString("Replace Text History", key, value);
    ASSERT_TRUE(Start());
    EXPECT_EQ(View()->m_findHistory.Entries(), QStringList{"a"});
    EXPECT_EQ(View()->m_replaceHistory.Entries(), (QStringList{"x", "y", "z"}));
    View()->m_findHistory.AddString(15, "multi\nline");
    Stop();
    ASSERT_TRUE(Start());
    // "0" and "1" were written; the "2" of before stays and is read back.
    EXPECT_EQ(View()->m_findHistory.Entries(), (QStringList{"multi\nline", "a", "c"}));
    EXPECT_EQ(app->GetProfileString("Replace Text History", "3"), "z");
}
} // namespace
