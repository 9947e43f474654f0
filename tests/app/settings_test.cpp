#include "resources/resource.h"
#include "support/appfixture.h"

#include <QFontDatabase>

namespace {
using SettingsTest = AppFixture;

TEST_F(SettingsTest, FirstStartWithAnEmptyStoreGivesEveryDefault) {
    ASSERT_TRUE(Start());
    CLumettaView* v = View();
    EXPECT_EQ(app->m_bPersistSettings, 1);
    EXPECT_EQ(app->m_nHistoryItems, 15);
    EXPECT_EQ(v->m_bWordWrap, 1);
    EXPECT_EQ(v->m_bCyclicSearch, 1);
    EXPECT_EQ(v->m_nTabWidth, 3);
    EXPECT_EQ(v->m_bReadOnly, 0);
    EXPECT_EQ(v->m_bSelectionBar, 0);
    EXPECT_EQ(v->m_bAutoIndent, 0);
    EXPECT_EQ(v->m_bMatchCase + v->m_bWordsOnly + v->m_bSearchBackwards, 0);
    EXPECT_EQ(v->m_charFormat.yHeight, 200);
    EXPECT_EQ(v->m_charFormat.szFaceName,
              QFontDatabase::systemFont(QFontDatabase::FixedFont).family().left(31));
    EXPECT_TRUE(v->m_rectMargins == (RECT{300, 300, 300, 300}));
}

TEST_F(SettingsTest, RectanglesReadBackAsStoredOrAsTheDefault) {
    struct {
        const char* text;
        RECT rect;
    } cases[] = {
        {"10,20,630,460", {10, 20, 630, 460}},
        {"10, 20, 630, 460", {10, 20, 630, 460}},
        {"10,20,630,460,99", {10, 20, 630, 460}},
        {"-5,-6,-1,-2", {-5, -6, -1, -2}},
        {"10,20,30", rectDefault},
        {"", rectDefault},
        {"a,b,c,d", rectDefault},
        {"10 ,20,30,40", rectDefault},
    };
    CLumettaApp store;
    store.ProfileStore().SetProfileName("Zorvek" + profile);
    for (const auto& c : cases) {
        store.WriteProfileString("R", "szWindowRect", c.text);
        RECT r;
        store.GetProfileRect("R", r);
        EXPECT_TRUE(r == c.rect) << c.text << " -> " << r.left << "," << r.top << "," << r.right
                                 << "," << r.bottom;
    }
    store.WriteProfileRect("R", RECT{-2147483647 - 1, 0, 2147483647, -1});
    EXPECT_EQ(store.GetProfileString("R", "szWindowRect"), "-2147483648,0,2147483647,-1");
}

TEST_F(SettingsTest, TabWidthAndFontAreCheckedAsRead) {
    for (auto [stored, used] : {std::pair{0, 3}, {33, 3}, {-1, 3}, {1, 1}, {32, 32}}) {
        StoreInt("Editor/Viewer Settings", "nTabWidth", stored);
        ASSERT_TRUE(Start());
        EXPECT_EQ(View()->m_nTabWidth, used) << stored;
        Stop();
    }
    const QString face40 = QString(40, QChar('F'));
    StoreString("Editor Character Format", "szFaceName", face40);
    StoreInt("Editor Character Format", "nHeight", 0);
    StoreInt("Editor Character Format", "bBold", 1);
    ASSERT_TRUE(Start());
    EXPECT_NE(View()->m_charFormat.szFaceName, face40.left(31)); // height 0: stock font
    EXPECT_EQ(View()->m_charFormat.yHeight, 200);
    Stop(); // writes the stock font back
    StoreString("Editor Character Format", "szFaceName", face40);
    StoreInt("Editor Character Format", "bBold", 1);
    StoreInt("Editor Character Format", "nCharSet", 1);
    StoreInt("Editor Character Format", "nHeight", 280);
    ASSERT_TRUE(Start());
    EXPECT_EQ(View()->m_charFormat.szFaceName, face40.left(31));
    EXPECT_EQ(View()->m_charFormat.yHeight, 280);
    EXPECT_EQ(View()->m_charFormat.dwEffects & CFE_BOLD, unsigned(CFE_BOLD));
    EXPECT_EQ(View()->m_charFormat.bCharSet, 1);
}

TEST_F(SettingsTest, WritesAtExitComeInTheirOrder) {
    ASSERT_TRUE(Start());
    QStringList writes;
    app->ProfileStore().m_writeObserver = [&](const QString& section, const QString& key) {
        if (writes.isEmpty() || !writes.last().startsWith(section + ":"))
            writes << section + ":" + key;
    };
    Stop();
    const QStringList expected = {
        "Editor/Viewer Settings:szWindowRect",
        "Editor/Viewer Settings-Summary:Bars",
        "Editor/Viewer Settings-Bar0:BarID",
        "Editor/Viewer Settings-Bar1:BarID",
        "Editor/Viewer Settings:bSelectionBar",
        "Editor Character Format:nHeight",
        "Search & Replace Settings:bWordsOnly",
        "Page Margins:szWindowRect",
        "Editor/Viewer Settings:bPesistSettings",
        "Recent File List:File1",
    };
    EXPECT_EQ(writes, expected);
}

TEST_F(SettingsTest, WithPersistenceOffOnlyTheSwitchAndRecentFilesAreWritten) {
    ASSERT_TRUE(Start());
    Exec(ID_SETTINGS_PERSIST);
    QStringList writes;
    app->ProfileStore().m_writeObserver = [&](const QString& section, const QString& key) {
        writes << section + ":" + key;
    };
    Stop();
    EXPECT_EQ(writes.first(), "Editor/Viewer Settings:bPesistSettings");
    for (const QString& w : writes.mid(1))
        EXPECT_TRUE(w.startsWith("Recent File List:")) << w.toStdString();
}
} // namespace

namespace {
using SettingsRangeTest = AppFixture;

TEST_F(SettingsRangeTest, ValuesOutOfRangeFallBackToTheirDefaults) {
    const struct {
        const char* section;
        const char* key;
        const char* stored;
    } cases[] = {
        {"Editor/Viewer Settings", "nHistoryItems", "-5"},
        {"Editor/Viewer Settings", "nHistoryItems", "2147483647"},
        {"Editor/Viewer Settings", "nTabWidth", "-2147483648"},
        {"Editor Character Format", "nHeight", "-200"},
        {"Editor Character Format", "nHeight", "40000"},
        {"Page Margins", "szWindowRect", "-1,300,300,300"},
        {"Page Margins", "szWindowRect", "300,300,2147483647,300"},
    };
    for (const auto& c : cases) {
        StoreString(c.section, c.key, c.stored);
        StoreString("Editor Character Format", "szFaceName", "Stored Face");
        ASSERT_TRUE(Start());
        EXPECT_EQ(app->m_nHistoryItems, 15) << c.key << "=" << c.stored;
        EXPECT_EQ(View()->m_nTabWidth, 3) << c.key << "=" << c.stored;
        EXPECT_EQ(View()->m_charFormat.yHeight, 200) << c.key << "=" << c.stored;
        EXPECT_NE(View()->m_charFormat.szFaceName, "Stored Face") << c.key << "=" << c.stored;
        EXPECT_TRUE(View()->m_rectMargins == (RECT{300, 300, 300, 300}))
            << c.key << "=" << c.stored;
        app->m_bPersistSettings = 0; // the next case starts from the store as it was
        Stop();
        StoreString(c.section, c.key, c.key == QStringLiteral("szWindowRect") ? "" : "0");
    }
}
} // namespace
