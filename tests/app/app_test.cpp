#include "resources/resource.h"
#include "support/appfixture.h"

#include <QFile>

namespace {
using AppTest = AppFixture;

TEST_F(AppTest, PersistenceSwitchGovernsWritingOnly) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(Checked(ID_SETTINGS_PERSIST), 1);
    Exec(ID_VIEW_WORDWRAP); // off
    Stop();
    ASSERT_TRUE(Start());
    EXPECT_FALSE(View()->m_bWordWrap);
    Exec(ID_SETTINGS_PERSIST); // off: the change below is lost
    Exec(ID_VIEW_WORDWRAP);
    Stop();
    ASSERT_TRUE(Start());
    EXPECT_FALSE(View()->m_bWordWrap);
    EXPECT_EQ(Checked(ID_SETTINGS_PERSIST), 0);
    EXPECT_EQ(app->GetProfileInt("Editor/Viewer Settings", "bPesistSettings", 7), 0);
    Exec(ID_VIEW_WORDWRAP);
    Exec(ID_SETTINGS_PERSIST); // on again before exit: written
    Stop();
    ASSERT_TRUE(Start());
    EXPECT_TRUE(View()->m_bWordWrap);
}

TEST_F(AppTest, HistoryLengthOutsideTwoToFiftyGivesFifteen) {
    for (auto [stored, used] : {std::pair{1, 15}, {2, 2}, {50, 50}, {51, 15}}) {
        StoreInt("Editor/Viewer Settings", "nHistoryItems", stored);
        ASSERT_TRUE(Start());
        EXPECT_EQ(app->m_nHistoryItems, used) << stored;
        Stop();
    }
}

TEST_F(AppTest, ProfileOptionRedirectsEveryReadAndWrite) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(app->GetProfileName(), "Zorvek" + profile);
    const QString file = app->ProfileStore().FileName();
    EXPECT_TRUE(file.endsWith("/Vantreth Plc/Zorvek" + profile + ".conf"));
    Stop();
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(app->GetProfileName(), "Zorvek"); // the base name is given back
}

TEST_F(AppTest, UnregisterRemovesTheProfileAndSaysSo) {
    ASSERT_TRUE(Start());
    const QString file = app->ProfileStore().FileName();
    Stop();
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_FALSE(Start({"/Unregister"}));
    EXPECT_EQ(app->ExitInstance(), 0);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(ui.BoxTexts().last(),
              "System registry entries have been removed and the INI file (if any) was deleted.");
}

TEST_F(AppTest, DroppedFilesOpenInTurn) {
    const QString a = WriteFile("a.txt", "first");
    const QString b = WriteFile("b.txt", "second");
    ASSERT_TRUE(Start());
    app->OpenDroppedFiles({a, b});
    EXPECT_EQ(View()->GetText(), "second");
    EXPECT_EQ(app->RecentFiles()[1], a);
}

TEST_F(AppTest, ExitWithUnsavedChangesCanBeCancelled) {
    ASSERT_TRUE(Start());
    Type("work");
    ui.boxReplies = {IDCANCEL};
    EXPECT_TRUE(Exec(ID_APP_EXIT));
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_EQ(ui.BoxTexts(), QStringList{"Save changes to Untitled?"});
}
} // namespace
