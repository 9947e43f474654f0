#include "framework/file.h"
#include "support/appfixture.h"
#include "view/loadprogress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QProgressBar>

#include <cerrno>
#include <unistd.h>

#include <algorithm>

namespace {
class LoadProgressTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        CLoadProgress::s_nDelay = 0; // every load counts as long
    }
    void TearDown() override {
        CLoadProgress::s_nDelay = 100;
        AppFixture::TearDown();
    }

    // Opens the file with the window hidden, recording each value the status bar's progress
    // showed and whether the window was visible then.
    struct Shown {
        std::vector<int> values;
        bool windowVisible = true;
    };
    Shown OpenHidden(const QString& path, bool makeVisible) {
        Frame()->m_wndStatusBar.SetProgress(-1);
        auto* bar = Frame()->m_wndStatusBar.findChild<QProgressBar*>();
        bar->reset();
        Frame()->hide();
        Shown shown;
        const QMetaObject::Connection c =
            QObject::connect(bar, &QProgressBar::valueChanged, [&](int value) {
                shown.values.push_back(value);
                shown.windowVisible = shown.windowVisible && Frame()->isVisible();
            });
        ui.boxReplies = {IDNO};
        EXPECT_TRUE(app->DocTemplate()->OpenDocumentFile(path, makeVisible));
        QObject::disconnect(c);
        EXPECT_FALSE(bar->isVisible()) << "the progress goes with the load";
        return shown;
    }
};

// A long load shows its window at once, and its progress in the status bar as it reads and
// then decodes; the values only go up.
TEST_F(LoadProgressTest, ALongLoadShowsItsWindowAndHowFarItHasCome) {
    const QByteArray line = "a line of text that is long enough\n";
    struct {
        const char* what;
        QByteArray bytes;
        qsizetype shown; // bytes of text shown
        int decodedFrom; // the percent decoding starts from, or -1
    } cases[] = {
        {"UTF-8", line.repeated(90000), line.size() * 90000, -1},
        {"Windows-1252", QByteArray("caf\xE9\n").repeated(600000), 6 * 600000, 50},
    };
    ASSERT_TRUE(Start());
    for (const auto& c : cases) {
        const Shown shown = OpenHidden(WriteFile(c.what, c.bytes), true);
        ASSERT_GE(shown.values.size(), 3u) << c.what;
        EXPECT_TRUE(shown.windowVisible) << c.what;
        EXPECT_TRUE(std::is_sorted(shown.values.begin(), shown.values.end())) << c.what;
        EXPECT_GE(shown.values.front(), 0);
        EXPECT_LE(shown.values.back(), 100);
        if (c.decodedFrom >= 0) {
            EXPECT_LT(shown.values.front(), c.decodedFrom) << "reading is the first half";
            EXPECT_GT(shown.values.back(), c.decodedFrom) << "decoding the second";
        }
        EXPECT_EQ(View()->GetTextLength(), c.shown) << c.what;
        EXPECT_TRUE(View()->updatesEnabled());
    }
}

// The window shown early has the start of the text at once, read-only until the whole of it is
// in; a load that fails after that shows again the text shown before, where it was.
TEST_F(LoadProgressTest, TheEarlyWindowShowsTheStartOfTheText) {
    QByteArray big = "\xEF\xBB\xBF";
    for (int i = 0; i < 100000; ++i)
        big += "line " + QByteArray::number(i) + " \xC3\xA9\n";
    const QString path = WriteFile("big", big);
    ASSERT_TRUE(Start());
    Open("before\nthe load\n");
    View()->SetSel(9, 12);
    for (bool fails : {false, true}) {
        Frame()->m_wndStatusBar.SetProgress(-1);
        auto* bar = Frame()->m_wndStatusBar.findChild<QProgressBar*>();
        bar->reset();
        Frame()->hide();
        QByteArray shownFirst;
        bool readOnly = false;
        const QMetaObject::Connection c = QObject::connect(bar, &QProgressBar::valueChanged, [&] {
            if (!shownFirst.isEmpty())
                return;
            shownFirst = View()->GetText();
            readOnly = View()->SendScintilla(QsciScintillaBase::SCI_GETREADONLY) != 0;
        });
        const FileSystemCalls calls = FileSystem();
        if (fails) // the read after the window has shown fails
            FileSystem().read = [](int fd, void* buf, size_t n) -> ssize_t {
                static int reads = 0;
                if (++reads > 2)
                    return errno = EIO, -1;
                return ::read(fd, buf, n);
            };
        ui.boxReplies = {IDNO, IDOK};
        EXPECT_EQ(app->DocTemplate()->OpenDocumentFile(path) != nullptr, !fails);
        FileSystem() = calls;
        QObject::disconnect(c);
        EXPECT_GT(shownFirst.size(), 1000) << fails;
        EXPECT_LE(shownFirst.size(), 1 << 16);
        EXPECT_TRUE(big.mid(3).startsWith(shownFirst)) << "without the mark, no character cut";
        EXPECT_TRUE(readOnly);
        if (fails) {
            EXPECT_EQ(View()->GetText(), "before\nthe load\n");
            EXPECT_EQ(Sel().cpMin, 9);
            EXPECT_EQ(Sel().cpMax, 12);
        } else {
            EXPECT_EQ(View()->GetText(), big.mid(3));
            View()->SetSel(0, 0);
            View()->ReplaceSel("x");
            EXPECT_EQ(View()->GetText().left(2), "xl");
            Open("before\nthe load\n");
            View()->SetSel(9, 12);
        }
    }
}

// Closing the window while its file loads is refused, without asking about the text being
// replaced; once the load is over, the window closes as usual.
TEST_F(LoadProgressTest, TheWindowStaysWhileItsFileLoads) {
    const QString path = WriteFile("big", QByteArray("text\n").repeated(600000));
    ASSERT_TRUE(Start());
    Type("changed");
    Frame()->m_wndStatusBar.SetProgress(-1);
    auto* bar = Frame()->m_wndStatusBar.findChild<QProgressBar*>();
    bar->reset();
    bool closed = true;
    QObject::connect(bar, &QProgressBar::valueChanged, [&] {
        QCloseEvent close;
        QApplication::sendEvent(Frame(), &close);
        closed = closed && close.isAccepted();
    });
    ui.boxReplies = {IDNO};
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(path));
    EXPECT_FALSE(closed);
    EXPECT_EQ(ui.boxes.size(), 1u) << "only the question before the load";
    EXPECT_TRUE(Frame()->isVisible());
    QCloseEvent close;
    QApplication::sendEvent(Frame(), &close);
    EXPECT_TRUE(close.isAccepted());
}

// A document opened to be printed from the command line keeps its window hidden.
TEST_F(LoadProgressTest, AnOpenNotToBeShownKeepsItsWindowHidden) {
    const QString path = WriteFile("big", QByteArray("text\n").repeated(600000));
    ASSERT_TRUE(Start());
    const Shown shown = OpenHidden(path, false);
    EXPECT_TRUE(shown.values.empty());
    EXPECT_FALSE(Frame()->isVisible());
    EXPECT_EQ(View()->GetTextLength(), 3000000);
}

// While a shown text is replaced, the old one is not redrawn: the component would draw it
// wrongly until the new one is attached. It is drawn again once the load is over.
TEST_F(LoadProgressTest, TheShownTextWaitsForTheNewOne) {
    const QString path = WriteFile("big", QByteArray("text\n").repeated(600000));
    ASSERT_TRUE(Start());
    Frame()->show();
    Frame()->m_wndStatusBar.SetProgress(-1);
    auto* bar = Frame()->m_wndStatusBar.findChild<QProgressBar*>();
    bar->reset();
    std::vector<bool> textDrawn;
    QObject::connect(bar, &QProgressBar::valueChanged,
                     [&](int) { textDrawn.push_back(View()->updatesEnabled()); });
    ui.boxReplies = {IDNO};
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(path));
    ASSERT_FALSE(textDrawn.empty());
    EXPECT_EQ(std::count(textDrawn.begin(), textDrawn.end(), true), 0);
    EXPECT_TRUE(View()->updatesEnabled());
}
} // namespace
