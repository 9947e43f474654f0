#include "app/aboutdlg.h"
#include "resources/resource.h"
#include "support/appfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QTest>
#include <QToolBar>

namespace {
using FrameTest = AppFixture;

TEST_F(FrameTest, ToolbarStartsDockedVerticallyAtTheLeftWithItsCaption) {
    ASSERT_TRUE(Start());
    QToolBar* bar = Frame()->ToolBar();
    EXPECT_EQ(Frame()->toolBarArea(bar), Qt::LeftToolBarArea);
    EXPECT_EQ(bar->orientation(), Qt::Vertical);
    EXPECT_EQ(bar->windowTitle(), "Editor toolbar");
    EXPECT_TRUE(bar->isFloatable());
    const QList<QAction*> actions = bar->actions();
    EXPECT_EQ(actions.size(), 21);
    const qsizetype undo = actions.indexOf(Frame()->Action(ID_EDIT_UNDO));
    ASSERT_GE(undo, 0);
    EXPECT_EQ(actions.value(undo + 1), Frame()->Action(ID_EDIT_REDO)); // Redo beside Undo
    EXPECT_EQ(Frame()->Action(ID_EDIT_REDO)->toolTip(), "Redo (Ctrl+Y)");
    EXPECT_EQ(bar->actions()[0]->toolTip(), "New (Ctrl+N)");
    EXPECT_EQ(bar->actions()[0]->statusTip(), "Create a new document");
    EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneCount(),
              5); // message, Ln/Col, OVR, modified, encoding
}

TEST_F(FrameTest, PlacementAndBarLayoutComeBackAsLeft) {
    ASSERT_TRUE(Start());
    Frame()->setGeometry(40, 50, 640, 420);
    Frame()->removeToolBar(Frame()->ToolBar());
    Frame()->addToolBar(Qt::TopToolBarArea, Frame()->ToolBar());
    Frame()->ToolBar()->show();
    Exec(ID_VIEW_STATUS_BAR);
    Stop();
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame()->geometry(), QRect(40, 50, 640, 420));
    EXPECT_EQ(Frame()->toolBarArea(Frame()->ToolBar()), Qt::TopToolBarArea);
    EXPECT_TRUE(Frame()->m_wndStatusBar.isHidden());
    EXPECT_EQ(Checked(ID_VIEW_STATUS_BAR), 0);
    EXPECT_EQ(Checked(ID_VIEW_TOOLBAR), 1);
    // With persistence off, the next start still shows what was stored before.
    Exec(ID_SETTINGS_PERSIST);
    Exec(ID_VIEW_STATUS_BAR);
    Frame()->setGeometry(10, 10, 300, 300);
    Stop();
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame()->geometry(), QRect(40, 50, 640, 420));
    EXPECT_TRUE(Frame()->m_wndStatusBar.isHidden());
}

TEST_F(FrameTest, ACancelledExitHasAlreadyWrittenThePlacement) {
    ASSERT_TRUE(Start());
    Frame()->setGeometry(70, 80, 500, 400);
    Type("unsaved");
    ui.boxReplies = {IDCANCEL};
    Exec(ID_APP_EXIT);
    RECT r;
    app->GetProfileRect("Editor/Viewer Settings", r);
    EXPECT_TRUE(r == (RECT{70, 80, 570, 480}));
}

TEST_F(FrameTest, MessagesStayTheirFullPeriodThenReadyReturns) {
    ASSERT_TRUE(Start());
    CStatusMessageBar& bar = Frame()->m_wndStatusBar;
    bar.m_nMessagePeriod = 1000;
    View()->ShowStatusMessage("first", false);
    EXPECT_EQ(bar.GetPaneText(0), "first");
    QTest::qWait(600);
    View()->ShowStatusMessage("second", true);
    QElapsedTimer shown;
    shown.start();
    EXPECT_EQ(bar.GetPaneText(0), "second");
    EXPECT_EQ(ui.beeps, std::vector<unsigned>{MB_ICONEXCLAMATION});
    // The second message stays a full period of its own, not the rest of the first one's
    // (timers may fire up to 5% early).
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar.GetPaneText(0) == "Ready"; }, 10000));
    EXPECT_GE(shown.elapsed(), 900);
    EXPECT_EQ(bar.m_nTimer, -1);
    View()->ShowStatusMessage(QString(), false); // the idle text, for a full period too
    EXPECT_EQ(bar.GetPaneText(0), "Ready");
    EXPECT_NE(bar.m_nTimer, -1);
}

TEST_F(FrameTest, ALongMessageIsCutAndNeverWidensTheWindow) {
    ASSERT_TRUE(Start());
    Frame()->resize(800, 600);
    QTest::qWait(50);
    const int minimum = Frame()->minimumSizeHint().width();
    const QString path = "/home/user/" + QString("a-long-folder-name/").repeated(20) + "f.txt";
    View()->ShowStatusMessage(path + " has been changed by another program.", false);
    QTest::qWait(50);
    EXPECT_EQ(Frame()->width(), 800);
    EXPECT_EQ(Frame()->minimumSizeHint().width(), minimum);
    QLabel* pane = Frame()->m_wndStatusBar.Pane(0);
    EXPECT_LE(pane->width(), 800);
    EXPECT_EQ(pane->text(), path + " has been changed by another program.");
    pane->grab(); // painted: cut, with the whole text in the tool tip
    EXPECT_EQ(pane->toolTip(), pane->text());
}

TEST_F(FrameTest, WithTheStatusBarHiddenBeepingMessagesBecomeMessageBoxes) {
    ASSERT_TRUE(Start());
    Exec(ID_VIEW_STATUS_BAR);
    View()->ShowStatusMessage("Converting... (ESC to interrupt)", false);
    View()->ShowStatusMessage("The specified text cannot be located.", true);
    EXPECT_EQ(ui.BoxTexts(), QStringList{"The specified text cannot be located."});
    EXPECT_TRUE(ui.beeps.empty());
    EXPECT_NE(Frame()->m_wndStatusBar.GetPaneText(0), "Converting... (ESC to interrupt)");
}

TEST_F(FrameTest, AnOpenMenuWidensTheMessagePaneOnceAndClosingRestoresIt) {
    ASSERT_TRUE(Start());
    CStatusMessageBar& bar = Frame()->m_wndStatusBar;
    QMenu* menu = Frame()->menuBar()->actions()[0]->menu();
    Frame()->OnMenuSelect(0, 0x10, menu);
    EXPECT_EQ(Frame()->m_nSavedPaneStyle, 0x08000100u);
    const int saved = Frame()->m_cxSavedPane;
    EXPECT_NE(saved, -1);
    EXPECT_TRUE(bar.Pane(1)->isHidden());
    Frame()->OnMenuSelect(ID_FILE_OPEN, 0, menu); // moving between items saves nothing again
    EXPECT_EQ(Frame()->m_cxSavedPane, saved);
    Frame()->OnMenuSelect(0, 0xFFFF, nullptr);
    EXPECT_EQ(Frame()->m_cxSavedPane, -1);
    EXPECT_FALSE(bar.Pane(1)->isHidden());
}

TEST_F(FrameTest, IndicatorShowsLargeOffsetsWithMoreDigits) {
    QByteArray lines;
    for (int i = 0; i < 0x100001; ++i)
        lines += "\n";
    ASSERT_TRUE(Start({WriteFile("many", lines)}));
    View()->SetSel(0x100000, 0x100000);
    View()->m_bHexView = 1;
    Frame()->OnIdleUpdate();
    EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(1), "Off=0x1000000");
}

TEST_F(FrameTest, AboutBoxShowsSelectableReadOnlyAddresses) {
    ASSERT_TRUE(Start());
    ui.dialogReplies.push_back([](QDialog& d) {
        auto* about = dynamic_cast<CAboutDlg*>(&d);
        EXPECT_NE(about, nullptr);
        EXPECT_EQ(about->m_pEmail->text(), "zorvek@example.org");
        EXPECT_TRUE(about->m_pWeb->isReadOnly());
        // The licence the program is under, with where its full text is.
        const auto* licence = d.findChild<QLabel*>("licence");
        const QString terms = licence ? licence->text() : QString();
        EXPECT_TRUE(terms.contains("GNU General Public License, version 3")) << terms.toStdString();
        EXPECT_TRUE(terms.contains("/usr/share/common-licenses/GPL-3"));
        about->m_pWeb->selectAll();
        about->m_pWeb->copy();
        QTest::keyClick(about->m_pEmail, Qt::Key_A);
        EXPECT_EQ(about->m_pEmail->text(), "zorvek@example.org");
        QTest::keyClick(&d, Qt::Key_Return); // Ok is the default button
        return d.result() == QDialog::Accepted ? IDOK : IDCANCEL;
    });
    EXPECT_TRUE(Exec(ID_APP_ABOUT));
    EXPECT_EQ(ui.dialogs, QStringList{"About Zorvek"});
    EXPECT_TRUE(ui.dialogReplies.empty());
    EXPECT_EQ(QApplication::clipboard()->text(), "www.example.org/zorvek");
}
} // namespace

namespace {
using PlacementTest = AppFixture;

TEST_F(PlacementTest, AStoredRectangleNoScreenCanShowComesBackOnTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const char* stored : {"0,0,2147483647,2147483647", "-2147483648,-2147483648,0,0",
                               "5000,5000,5400,5300", "300,200,100,50", ""}) {
        StoreString("Editor/Viewer Settings", "szWindowRect", stored);
        ASSERT_TRUE(Start());
        const QRect frame = Frame()->frameGeometry();
        EXPECT_TRUE(screen.contains(frame)) << stored << " gave " << frame.x() << "," << frame.y()
                                            << " " << frame.width() << "x" << frame.height();
        Stop();
    }
    // What is written back is what was shown, so the next start is sound too.
    RECT r;
    CLumettaApp reader;
    reader.ProfileStore().SetProfileName("Zorvek" + profile);
    reader.GetProfileRect("Editor/Viewer Settings", r);
    EXPECT_TRUE(screen.contains(QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1))));
}

TEST_F(PlacementTest, AFloatingToolbarOffEveryScreenComesBackAndViewToolbarDocksIt) {
    ASSERT_TRUE(Start());
    Frame()->show();
    QToolBar* bar = Frame()->ToolBar();
    Frame()->removeToolBar(bar);
    Frame()->addToolBar(Qt::TopToolBarArea, bar);
    bar->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    bar->show();
    ASSERT_TRUE(bar->isFloating());
    bar->setGeometry(1876, 1180, 44, 3); // floated at the edge of a much larger screen
    Stop();
    ASSERT_TRUE(Start());
    bar = Frame()->ToolBar();
    ASSERT_TRUE(bar->isFloating());
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(bar->geometry())) << bar->x() << "," << bar->y();
    EXPECT_GE(bar->width(), bar->minimumSizeHint().width());
    EXPECT_GE(bar->height(), bar->minimumSizeHint().height());
    EXPECT_FALSE(Frame()->IsToolBarLost());
    // Lost again: View > Toolbar brings it back docked at its edge, shown.
    bar->setGeometry(-3000, -3000, 44, 3);
    ASSERT_TRUE(Frame()->IsToolBarLost());
    Exec(ID_VIEW_TOOLBAR);
    EXPECT_FALSE(bar->isFloating());
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(Frame()->toolBarArea(bar), Qt::TopToolBarArea);
    Exec(ID_VIEW_TOOLBAR); // an ordinary toggle once it is docked
    EXPECT_TRUE(bar->isHidden());
}
} // namespace
