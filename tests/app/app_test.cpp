#include "resources/resource.h"
#include "support/appfixture.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

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

TEST_F(AppTest, AProfileSuffixThatIsAPathIsRefusedBeforeAnythingIsTouched) {
    const QString root = qEnvironmentVariable("ZORVEK_TEST_CONFIG");
    QDir(root).mkpath("victim");
    QFile victim(root + "/victim/app.conf");
    ASSERT_TRUE(victim.open(QIODevice::WriteOnly));
    victim.write("[S]\nk=1\n");
    victim.close();
    for (const QStringList& args : {QStringList{"S:/../../victim/app", "/Unregister"},
                                    QStringList{"S:/../../victim/app"}, QStringList{"S:a\nb"}}) {
        EXPECT_FALSE(Start(args));
        EXPECT_EQ(app->ExitInstance(), 2);
        EXPECT_EQ(ui.BoxTexts().size(), 1);
        EXPECT_EQ(ui.BoxTexts().value(0),
                  args[0] + " cannot select a settings profile: the part after S: must be a name "
                            "of at most 64 bytes, without /, \\, .., or control characters.");
        ui.boxes.clear();
    }
    EXPECT_EQ(ReadFile(root + "/victim/app.conf"), "[S]\nk=1\n");
    EXPECT_FALSE(QFile::exists(app->ProfileStore().FileName()));
    EXPECT_FALSE(QFile::exists(root + "/victim/app.conf.lock"));
}

TEST_F(AppTest, PrintingWithoutAFileIsAUsageError) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(Start({"/p"}));
    EXPECT_EQ(app->ExitInstance(), 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "zorvek: /p needs the name of the file to print\n"
              "Try 'zorvek --help' for more information.\n");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(AppTest, FurtherFilesOpenInRunsOfTheirOwnInOrder) {
    const QString a = WriteFile("a.txt", "first");
    ASSERT_TRUE(Start({a, "b.txt", "--", "-c.txt"}));
    EXPECT_EQ(View()->GetText(), "first");
    const QString own = "S:" + profile;
    EXPECT_EQ(launched, (std::vector<QStringList>{{own, "--", "b.txt"}, {own, "--", "-c.txt"}}));
    EXPECT_EQ(cascades, (std::vector<int>{1, 2}));
}

// Windows started together do not lie exactly on top of each other: each steps down and right
// from where the window was left; and the Open dialogs start beside the file open now.
TEST_F(AppTest, WindowsStartedTogetherStepAsideAndOpenStartsBesideTheFile) {
    const QString a = WriteFile("a.txt", "first");
    StoreString("Editor/Viewer Settings", "szWindowRect", "100,80,500,380");
    QRect first;
    for (const char* cascade : {"0", "2"}) {
        qputenv("ZORVEK_WINDOW_CASCADE", cascade);
        ASSERT_TRUE(Start({a}));
        EXPECT_TRUE(qgetenv("ZORVEK_WINDOW_CASCADE").isEmpty()); // not handed on
        if (first.isNull())
            first = Frame()->geometry();
        else
            EXPECT_EQ(Frame()->geometry().topLeft() - first.topLeft(),
                      QPoint(2, 2) * (Frame()->fontMetrics().height() + 12));
        Stop();
    }
    ASSERT_TRUE(Start({a}));
    Exec(ID_FILE_OPEN);
    Exec(ID_FILE_INSERT);
    EXPECT_EQ(ui.openFolders, QStringList({dir.path(), dir.path()}));
    Exec(ID_FILE_NEW);
    Exec(ID_FILE_OPEN);
    EXPECT_EQ(ui.openFolders.last(), QString()); // untitled: the working folder
}

TEST_F(AppTest, ADashReadsStandardInputByteForByteIntoAnUntitledDocument) {
    const QByteArray bytes("piped\r\nnul\0and \xc3\xa9\n\0", 19);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], bytes.constData(), bytes.size()), bytes.size());
    close(fds[1]);
    const int saved = dup(STDIN_FILENO);
    dup2(fds[0], STDIN_FILENO);
    close(fds[0]);
    const bool started = Start({"-"});
    dup2(saved, STDIN_FILENO);
    close(saved);
    ASSERT_TRUE(started);
    EXPECT_EQ(View()->GetText(), bytes);
    EXPECT_EQ(Doc()->GetPathName(), "");
    EXPECT_EQ(Frame()->windowTitle(), "Untitled");
    EXPECT_TRUE(ui.boxes.empty()) << ui.BoxTexts().join("|").toStdString();
    // Nowhere on disk: quitting asks before the text is lost.
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_FALSE(app->CloseMainFrame()); // the recorder answers Cancel
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Save changes to Untitled?");
}

TEST_F(AppTest, TheRecentFileListIsOnDiskAsSoonAsItChanges) {
    ASSERT_TRUE(Start());
    Open("kept");
    // Read as a crash right now would leave it.
    const QByteArray onDisk = ReadFile(app->ProfileStore().FileName());
    EXPECT_TRUE(onDisk.contains("[Recent File List]\nFile1=" + Path("opened").toUtf8() + "\n"))
        << onDisk.toStdString();
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
