#include "document/hexdumpfile.h"
#include "document/hexview.h"
#include "resources/resource.h"
#include "support/appfixture.h"
#include "text/hexwindow.h"
#include "view/hexpager.h"
#include "view/numberinputdlg.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include <chrono>
#include <thread>

#include <random>

namespace {
QByteArray Line(const QByteArray& bytes) {
    char out[80];
    const int n = HexDump::FormatLine(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                      static_cast<int>(bytes.size()), out);
    return QByteArray(out, n);
}

// The dump as a plain reading of its description, to check the fast formatter against.
QByteArray ReferenceDump(const QByteArray& data) {
    QByteArray dump;
    for (qsizetype at = 0; at < data.size(); at += 16) {
        const QByteArray line = data.mid(at, 16);
        QString hex;
        for (int j = 0; j < 16; ++j) {
            hex += j < line.size() ? QString::asprintf("%02X ", uint8_t(line[j])) : "   ";
            if (j % 4 == 3)
                hex += ' ';
        }
        QByteArray chars;
        for (char c : line)
            chars += uint8_t(c) >= 0x20 && uint8_t(c) <= 0x7F ? c : '.';
        dump += hex.toLatin1() + chars + "\r\n";
    }
    return dump;
}

TEST(HexDump, LinesOfTheDescribedForm) {
    EXPECT_EQ(Line("Hello, world!\r\n"),
              "48 65 6C 6C  6F 2C 20 77  6F 72 6C 64  21 0D 0A     Hello, world!..\r\n");
    EXPECT_EQ(Line("Hello, world!\r\n").size(), 69);
    EXPECT_EQ(Line(QByteArray(16, 'a')).size(), 70);
    const QByteArray second = Line("z");
    EXPECT_EQ(second.size(), 55);
    EXPECT_EQ(second, "7A" + QByteArray(50, ' ') + "z\r\n");
    EXPECT_EQ(Line(QByteArray("\x7F\x80\xFF\x00\x1F\x20", 6)).mid(52),
              QByteArray("\x7F....", 5) + " \r\n");
    EXPECT_EQ(HexDump::DumpLength(0), 0);
    EXPECT_EQ(HexDump::DumpLength(17), 125);
}

class HexViewTest : public AppFixture {
protected:
    QByteArray DumpOf(const QByteArray& bytes) {
        ui.boxReplies = {IDNO};
        EXPECT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile("d", bytes)));
        if (!View()->m_bReadOnly)
            Exec(ID_VIEW_READONLY);
        EXPECT_TRUE(Exec(ID_VIEW_HEX));
        return View()->GetText();
    }
};

TEST_F(HexViewTest, DumpsAgreeWithTheReferenceForManySizes) {
    ASSERT_TRUE(Start());
    std::mt19937 rng(5);
    for (int size : {1, 2, 15, 16, 17, 31, 32, 33, 47, 64, 99, 100, 300000}) {
        QByteArray data(size, '\0');
        for (char& c : data)
            c = static_cast<char>(rng());
        EXPECT_TRUE(DumpOf(data) == ReferenceDump(data)) << size;
        EXPECT_EQ(View()->m_bHexView, 1);
        EXPECT_FALSE(Doc()->IsModified());
    }
    for (int size = 0; size <= 100; ++size) {
        QByteArray data(size, '\0');
        for (char& c : data)
            c = static_cast<char>(rng());
        const QByteArray dump = ReferenceDump(data);
        std::vector<char> out(dump.size() + 64);
        QByteArray ours;
        for (qsizetype at = 0; at < size; at += 16)
            ours += Line(data.mid(at, 16));
        EXPECT_EQ(ours, dump) << size;
    }
}

TEST_F(HexViewTest, TogglingBackShowsTheFileAsItIsNow) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(DumpOf("abc").size(), 57);
    EXPECT_EQ(Checked(ID_VIEW_HEX), 1);
    WriteFile("d", "changed on disk");
    Exec(ID_VIEW_HEX);
    EXPECT_EQ(View()->GetText(), "changed on disk");
    EXPECT_EQ(View()->m_bHexView, 0);
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(ui.beeps.empty());
}

// The dump shows the file on disk in place of the text: changes not in the file yet are saved
// first, or dropped, as the user says; Cancel keeps everything as it is.
TEST_F(HexViewTest, UnsavedChangesAreAskedAboutFirst) {
    const QString file = WriteFile("notes.txt", "on disk");
    ASSERT_TRUE(Start({file}));
    View()->SetSel(0, 0);
    Type("typed ");
    Exec(ID_VIEW_READONLY);
    const QString question = "Save changes to notes.txt before showing its bytes?";
    Exec(ID_VIEW_HEX); // Cancel
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, question);
    EXPECT_EQ(View()->m_bHexView, 0);
    EXPECT_EQ(View()->GetText(), "typed on disk");
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_TRUE(View()->CanUndo());

    ui.boxReplies = {IDYES};
    Exec(ID_VIEW_HEX); // saved, then shown
    EXPECT_EQ(ReadFile(file), "typed on disk");
    EXPECT_EQ(View()->m_bHexView, 1);
    EXPECT_TRUE(View()->GetText().contains("typed on disk"));
    Exec(ID_VIEW_HEX);
    EXPECT_EQ(View()->GetText(), "typed on disk");

    Exec(ID_VIEW_READONLY);
    Type("more ");
    Exec(ID_VIEW_READONLY);
    ui.boxes.clear();
    ui.boxReplies = {IDNO};
    Exec(ID_VIEW_HEX); // dropped, and not offered back after a crash
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(View()->m_bHexView, 1);
    EXPECT_EQ(ReadFile(file), "typed on disk");
    EXPECT_EQ(Doc()->Journal(), nullptr);
}

TEST_F(HexViewTest, OnlyWhileReadOnlyAndOnlyForAFileWithBytes) {
    ASSERT_TRUE(Start());
    Type("untitled text");
    EXPECT_FALSE(Exec(ID_VIEW_HEX)); // editable: disabled
    Exec(ID_VIEW_READONLY);
    Exec(ID_VIEW_HEX); // untitled: nothing changes
    EXPECT_EQ(View()->GetText(), "untitled text");
    EXPECT_EQ(View()->m_bHexView, 0);
    ui.boxReplies = {IDNO};
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile("empty", "")));
    Exec(ID_VIEW_HEX);
    EXPECT_EQ(View()->m_bHexView, 0);
    // A dump shown: New and Open show text again with the mark off.
    DumpOf("xyz");
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile("other", "other")));
    EXPECT_EQ(View()->m_bHexView, 0);
    EXPECT_EQ(Checked(ID_VIEW_HEX), 0);
}

TEST_F(HexViewTest, EscapeInterruptsAndKeysTypedMeanwhileAreDropped) {
    ASSERT_TRUE(Start());
    QByteArray big;
    for (int i = 0; i < 400000; ++i)
        big +=
            "a line of text that is about a hundred bytes long, to make a dump of some size....\n";
    ui.boxReplies = {IDNO};
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile("big", big)));
    Exec(ID_VIEW_READONLY);
    QApplication::postEvent(View(),
                            new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
    QApplication::postEvent(View(),
                            new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    Exec(ID_VIEW_HEX);
    EXPECT_EQ(View()->m_bHexView, 0);
    EXPECT_EQ(View()->GetTextLength(), big.size());
    EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(0), "Ready");
    EXPECT_TRUE(Frame()->isVisible()); // Escape did not also end the program
    QApplication::processEvents();
    EXPECT_EQ(View()->GetTextLength(), big.size());
}

// The rows of the view that show text: bands of rows with ink between blank ones.
int DrawnLines(QWidget* viewport) {
    const QImage image = viewport->grab().toImage();
    const QRgb blank = image.pixel(image.width() - 1, image.height() - 1);
    int lines = 0;
    bool inked = false;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = image.pixel(x, y) != blank;
        lines += ink && !inked;
        inked = ink;
    }
    return lines;
}

TEST_F(HexViewTest, EscapeDuringTheDumpLeavesAViewThatDrawsTheWholeText) {
    QByteArray big;
    for (int i = 0; big.size() < 20000000; ++i)
        big += "line " + QByteArray::number(i) + " of a file of twenty megabytes\n";
    ASSERT_TRUE(Start({WriteFile("big", big)}));
    Exec(ID_VIEW_READONLY);
    Frame()->resize(800, 600);
    Frame()->show();
    QApplication::processEvents();
    const int before = DrawnLines(View()->viewport());
    ASSERT_GT(before, 15);
    for (int delay : {0, 20, 50, 100, 150}) {
        View()->SetSel(1000, 1005);
        // Escape pressed while the conversion runs, from another thread as the window system
        // would deliver it.
        std::thread escape([delay, view = View()] {
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            QApplication::postEvent(
                view, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
            QApplication::postEvent(
                view, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier));
        });
        Exec(ID_VIEW_HEX);
        escape.join();
        QApplication::processEvents();
        const bool done = View()->m_bHexView; // before the Escape came
        if (done)
            Exec(ID_VIEW_HEX);
        EXPECT_EQ(View()->GetTextLength(), big.size()) << delay;
        EXPECT_EQ(DrawnLines(View()->viewport()), before) << delay;
        if (!done) { // interrupted: the caret and selection stay
            EXPECT_EQ(Sel().cpMin, 1000) << delay;
            EXPECT_EQ(Sel().cpMax, 1005) << delay;
        }
    }
}

// A dump too long to be made whole is shown a window at a time. Wherever the view goes (Go to
// line, scrolling past the window's ends, the scroll bar, Ctrl+End, Find), it shows what the
// whole dump made at once has there, and the offset pane says where that is.
TEST_F(HexViewTest, APagedDumpShowsWhatTheWholeDumpHasWhereverTheViewGoes) {
    constexpr long kSize = (80L << 20) + 7; // its dump is past the most made whole
    ASSERT_GT(HexDump::DumpLength(kSize), CHexView::kWholeDumpMost);
    QByteArray data(kSize, Qt::Uninitialized);
    std::mt19937_64 rng(29);
    for (long at = 0; at < kSize; at += 8) {
        const uint64_t r = rng();
        memcpy(data.data() + at, &r, std::min(8L, kSize - at));
    }
    // Text far on, in one line's characters; and text across two lines where a search's piece
    // of the dump ends (the first two pieces hold 16,384 and 32,768 lines).
    const long kFarLine = (40L << 20) / 16;
    data.replace(kFarLine * 16, 16, "ZORVEK-HEX-FIND!");
    const long kBoundaryLine = 16384 + 32768 - 1;
    data.replace(kBoundaryLine * 16 + 12, 7, "WXYZQRS");
    const QByteArray across = "WXYZ\r\n51 52 53";
    ASSERT_TRUE(Start({WriteFile("big.bin", data)}));
    const QByteArray opened = View()->GetText();
    Exec(ID_VIEW_READONLY);
    Frame()->resize(800, 600);
    Frame()->show();
    Exec(ID_VIEW_HEX);
    ASSERT_NE(View()->HexPager(), nullptr);
    EXPECT_EQ(View()->m_bHexView, 1);
    EXPECT_EQ(Checked(ID_VIEW_HEX), 1);
    EXPECT_FALSE(Enabled(ID_VIEW_READONLY)); // a window of a dump is no text to edit
    EXPECT_EQ(View()->GetTextLength(), CHexWindow::kLines * HexDump::kLineLength);

    std::vector<char> whole(static_cast<size_t>(HexDump::DumpLength(kSize)));
    HexDump::FormatLines(reinterpret_cast<const uint8_t*>(data.constData()), kSize, whole.data());
    const long lines = (kSize + 15) / 16;
    const auto shownAgrees = [&] {
        const long first = View()->HexPager()->FirstLine();
        const QByteArray shown = View()->GetText();
        const size_t at = static_cast<size_t>(first * HexDump::kLineLength);
        return shown.size() > 0 && at + shown.size() <= whole.size() &&
               memcmp(shown.constData(), whole.data() + at, shown.size()) == 0;
    };
    const auto offsetPane = [&] {
        Frame()->OnIdleUpdate();
        return Frame()->m_wndStatusBar.GetPaneText(1);
    };
    const auto goTo = [&](long line) {
        ui.dialogReplies = {[line](QDialog& d) {
            dynamic_cast<CNumberInputDlg&>(d).m_pEdit->setText(QString::number(line + 1));
            d.accept();
            return IDOK;
        }};
        Exec(ID_VIEW_GOTOLINE);
        QApplication::processEvents();
    };
    EXPECT_TRUE(shownAgrees());
    for (long line : {3000000L, 1L, lines - 1, kFarLine, 0L}) {
        goTo(line);
        EXPECT_TRUE(shownAgrees()) << line;
        EXPECT_EQ(offsetPane(), QString::asprintf("Off=0x%06lX", line * 16)) << line;
    }

    // Scrolled down a thousand lines at a time, the view leaves the first window and the
    // window follows.
    for (int step = 0; step < 100; ++step) {
        View()->SetFirstVisibleLine(View()->FirstVisibleLine() + 1000);
        QApplication::processEvents();
    }
    EXPECT_GT(View()->HexPager()->FirstLine(), 0);
    EXPECT_EQ(View()->HexPager()->FirstLine() + View()->FirstVisibleLine(), 100000);
    EXPECT_TRUE(shownAgrees());

    // The scroll bar spans the whole dump.
    auto* bar = View()->findChild<QScrollBar*>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    bar->setValue(bar->maximum() / 2);
    QApplication::processEvents();
    EXPECT_EQ(View()->HexPager()->FirstLine() + View()->FirstVisibleLine(),
              static_cast<long>(bar->maximum() / 2));
    EXPECT_TRUE(shownAgrees());

    QTest::keyClick(View(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(View()->HexPager()->Global(Sel().cpMin), static_cast<long>(whole.size()));
    EXPECT_EQ(offsetPane(), QString::asprintf("Off=0x%06lX", lines * 16)); // after the last CR LF
    EXPECT_TRUE(shownAgrees());
    QTest::keyClick(View(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(View()->HexPager()->FirstLine(), 0);
    EXPECT_EQ(offsetPane(), "Off=0x000000");

    // Find looks through the whole dump, forwards across the pieces it is made in, backwards
    // from the end, and round the end to where it started.
    const long found = View()->FindNext("ZORVEK-HEX-FIND!", -1, true);
    EXPECT_EQ(found, Sel().cpMin);
    EXPECT_EQ(View()->GetSelText(), "ZORVEK-HEX-FIND!");
    EXPECT_EQ(offsetPane(), QString::asprintf("Off=0x%06lX", kFarLine * 16));
    EXPECT_TRUE(shownAgrees());
    View()->SetSel(0, 0);
    QTest::keyClick(View(), Qt::Key_Home, Qt::ControlModifier);
    ASSERT_NE(View()->FindNext(QString::fromLatin1(across), -1, true), -1);
    EXPECT_EQ(View()->GetSelText(), "WXYZ\r\n51 52 53");
    EXPECT_EQ(offsetPane(), QString::asprintf("Off=0x%06lX", kBoundaryLine * 16));
    QTest::keyClick(View(), Qt::Key_End, Qt::ControlModifier);
    FindOptions backwards = View()->UserFindOptions();
    backwards.backwards = true;
    ASSERT_NE(View()->FindNext("ZORVEK-HEX-FIND!", -1, true, backwards), -1);
    EXPECT_EQ(offsetPane(), QString::asprintf("Off=0x%06lX", kFarLine * 16));
    const long after = (kFarLine + 1) * HexDump::kLineLength;
    View()->HexPager()->Select(after, after);
    ASSERT_NE(View()->FindNext("ZORVEK-HEX-FIND!", -1, true), -1);
    EXPECT_EQ(offsetPane(), QString::asprintf("Off=0x%06lX", kFarLine * 16));
    EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(0), "Cursor warped round the file");
    EXPECT_EQ(View()->FindNext("ZORVEK-HEX-FIND?", -1, true), -1);
    EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(0), "The specified text cannot be located.");
    // Escape stops a search: the caret stays, nothing is said, the program goes on.
    View()->HexPager()->Select(0, 0);
    QApplication::postEvent(View(),
                            new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    EXPECT_EQ(View()->FindNext("ZORVEK-HEX-FIND!", -1, true), -1);
    EXPECT_EQ(Sel().cpMin, 0);
    EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(0), "Ready");
    QApplication::processEvents();
    EXPECT_TRUE(Frame()->isVisible());

    // Back to the text: the file's bytes, the component's own scroll bar, Read only enabled.
    Exec(ID_VIEW_HEX);
    EXPECT_EQ(View()->HexPager(), nullptr);
    EXPECT_TRUE(View()->GetText() == opened);
    EXPECT_TRUE(Enabled(ID_VIEW_READONLY));
    EXPECT_EQ(View()->findChild<QScrollBar*>(QString(), Qt::FindDirectChildrenOnly), nullptr);
}

TEST_F(HexViewTest, InsertFileReplacesTheSelectionAndCountsAsAChange) {
    const QString part = WriteFile("part", QByteArray("in\0serted\x01", 10));
    ASSERT_TRUE(Start({WriteFile("f", "0123456789")}));
    View()->SetSel(2, 5);
    ui.fileNames = {part};
    Exec(ID_FILE_INSERT);
    EXPECT_EQ(ui.openTitles, QStringList{"Insert"});
    EXPECT_EQ(View()->GetText(), QByteArray("01in\0serted\x01"
                                            "56789",
                                            17));
    EXPECT_TRUE(Doc()->IsModified());
    QApplication::processEvents();
    EXPECT_TRUE(ui.beeps.empty()); // an inserted file raises no warning
    View()->SetSel(0, 0);
    ui.fileNames = {Path("missing")};
    Exec(ID_FILE_INSERT); // nothing happens, nothing is said
    ui.fileNames = {QString()};
    Exec(ID_FILE_INSERT); // cancelled
    EXPECT_EQ(View()->GetTextLength(), 17);
    EXPECT_TRUE(ui.boxes.empty());
    Exec(ID_VIEW_READONLY);
    EXPECT_FALSE(Exec(ID_FILE_INSERT));
}

TEST_F(HexViewTest, NonTextWarningFollowsReadOnlyWhenShown) {
    const QString binary = WriteFile("bin", QByteArray("text\x01more", 9));
    const QString plain = WriteFile("plain", "printable\tand\nbreaks\r\n");
    ASSERT_TRUE(Start());
    for (int readOnly : {0, 1}) {
        View()->m_bReadOnly = readOnly;
        Frame()->m_wndStatusBar.SetPaneText(0, "Ready");
        ui.boxReplies = {IDNO};
        ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(binary));
        EXPECT_NE(Frame()->m_wndStatusBar.GetPaneText(0).left(20), "The file is probably");
        QApplication::processEvents(); // the warning comes after the open
        EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(0),
                  readOnly ? "The file is probably non-text; a switch to hex-view is suggested."
                           : "The file is probably non-text; editing may render it unusable.");
    }
    const size_t beeps = ui.beeps.size();
    EXPECT_EQ(beeps, 2u);
    View()->m_bReadOnly = 1;
    Exec(ID_VIEW_HEX);
    Exec(ID_VIEW_HEX);
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(plain));
    QApplication::processEvents();
    EXPECT_EQ(ui.beeps.size(), beeps);
}
// The warning is about the text shown, also when the file's bytes are decoded into it.
TEST_F(HexViewTest, NonTextWarningComesFromTheDecodedText) {
    struct {
        QByteArray bytes;
        bool warned;
    } cases[] = {
        {QByteArray("\xFF\xFEo\0\x01\0k\0", 8), true},  // UTF-16 holding U+0001
        {QByteArray("\xFE\xFF\0o\0\x01\0k", 8), true},  // the same, big-endian
        {QByteArray("\xFF\xFEo\0\0\x01k\0", 8), false}, // U+0100: a byte 1, no character 1
        {QByteArray("caf\xE9\x01", 5), true},           // Windows-1252
        {QByteArray("\xEF\xBB\xBF\x01", 4), true},      // UTF-8 with its mark
        {QByteArray("caf\xC3\xA9 \xC4\x81", 8), false},
    };
    ASSERT_TRUE(Start());
    for (const auto& c : cases) {
        Frame()->m_wndStatusBar.SetPaneText(0, "Ready");
        ui.boxReplies = {IDNO};
        ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile("decoded", c.bytes)));
        QApplication::processEvents();
        EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(0).startsWith("The file is probably"),
                  c.warned)
            << c.bytes.toHex().constData();
    }
}
} // namespace
