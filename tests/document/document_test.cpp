#include "resources/resource.h"
#include "support/appfixture.h"

#include "framework/file.h"
#include "framework/streamfile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {
using DocumentTest = AppFixture;

TEST_F(DocumentTest, NewDocumentIsUntitledEmptyAndUnmodified) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(Frame()->windowTitle(), "Untitled");
    EXPECT_EQ(View()->GetTextLength(), 0);
    EXPECT_FALSE(Doc()->IsModified());
    Type("abc");
    EXPECT_TRUE(Doc()->IsModified());
    ui.boxReplies = {IDNO};
    EXPECT_TRUE(Exec(ID_FILE_NEW));
    EXPECT_EQ(ui.BoxTexts(), QStringList{"Save changes to Untitled?"});
    EXPECT_EQ(View()->GetTextLength(), 0);
}

TEST_F(DocumentTest, CaptionIsNameAtFolder) {
    EXPECT_EQ(CLumettaDoc::Caption("b.txt", "/a/b.txt"), "b.txt @ /a/");
    EXPECT_EQ(CLumettaDoc::Caption("Untitled", "/a/Untitled"), "Untitled");
    EXPECT_EQ(CLumettaDoc::Caption("x", "x"), "x @ ");
    const QString path = WriteFile("notes.txt", "hello");
    ASSERT_TRUE(Start({path}));
    EXPECT_EQ(Frame()->windowTitle(), "notes.txt @ " + dir.path() + "/");
}

TEST_F(DocumentTest, ByteExactRoundTripOfAnyContent) {
    std::mt19937 rng(42);
    QByteArray randomBytes(70000, '\0');
    for (char& c : randomBytes)
        c = static_cast<char>(rng());
    const QByteArray samples[] = {
        QByteArray(),
        QByteArray("x"),
        QByteArray("\0", 1),
        QByteArray("nul\0in\0the\0middle\0", 18),
        QByteArray("caf\xe9 latin-1 and \xff\xfe invalid utf-8\n"),
        QByteArray("mixed\r\nline\rends\n\n\r\r\n"),
        QByteArray("utf-8 caf\xc3\xa9 \xe2\x82\xac\r\n"),
        randomBytes,
    };
    ASSERT_TRUE(Start());
    int i = 0;
    for (const QByteArray& bytes : samples) {
        const QString in = WriteFile(QStringLiteral("in%1").arg(i), bytes);
        const QString out = Path(QStringLiteral("out%1").arg(i++));
        ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(in));
        if (View()->GetEncoding() == TextEncoding::Utf8) // others are shown decoded
            EXPECT_EQ(View()->GetText(), bytes);
        EXPECT_FALSE(Doc()->IsModified());
        ui.fileNames = {out};
        ASSERT_TRUE(Exec(ID_FILE_SAVE_AS));
        EXPECT_EQ(ReadFile(out), bytes) << "sample " << i - 1;
    }
    EXPECT_TRUE(ui.boxes.empty()) << ui.BoxTexts().join("|").toStdString();
}

TEST_F(DocumentTest, CodePageAndLineEndFollowTheFile) {
    ASSERT_TRUE(Start());
    struct {
        QByteArray bytes;
        TextEncoding encoding;
        QByteArray typedBreak;
    } cases[] = {
        {"a\r\nb\n", TextEncoding::Utf8, "\r\n"},
        {"caf\xe9\rx", TextEncoding::Windows1252, "\r"},
        {"plain", TextEncoding::Utf8, "\n"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile("f", c.bytes)));
        EXPECT_EQ(View()->GetEncoding(), c.encoding) << c.bytes.toStdString();
        View()->SetSel(0, 0);
        QTest::keyClick(View(), Qt::Key_Return);
        EXPECT_EQ(View()->GetText().left(c.typedBreak.size()), c.typedBreak);
        ui.boxReplies = {IDNO};
    }
}

// A file whose text plainly cannot fit in the memory left is not begun: said with the figures,
// and the text shown stays; nor is it inserted (as with any file Insert cannot read).
TEST_F(DocumentTest, AFileThatCannotFitInMemoryIsRefusedWithTheFigures) {
    ASSERT_TRUE(Start({WriteFile("kept", "kept text")}));
    const QString big = WriteFile("big", QByteArray("line\n").repeated(600 << 10)); // 3 MB
    const FileSystemCalls calls = FileSystem();
    FileSystem().availableMemory = [] { return int64_t(4) << 20; };
    ui.boxReplies = {IDNO};
    EXPECT_FALSE(app->DocTemplate()->OpenDocumentFile(big));
    ui.fileNames = {big};
    Exec(ID_FILE_INSERT);
    FileSystem() = calls;
    // The text (3 MB), the index of its 614,400 lines and a margin.
    ASSERT_EQ(ui.boxes.size(), 1u);
    const QRegularExpressionMatch said =
        QRegularExpression("^(.*) cannot be opened: its text needs about (\\d+) MB of memory, "
                           "and 4 MB are available\\.$")
            .match(ui.boxes[0].text);
    ASSERT_TRUE(said.hasMatch()) << ui.boxes[0].text.toStdString();
    EXPECT_EQ(said.captured(1), big);
    EXPECT_GT(said.captured(2).toInt(), 3 + 4);
    EXPECT_EQ(View()->GetText(), "kept text");
    // With the memory there, it opens.
    ui.boxes.clear();
    EXPECT_TRUE(app->DocTemplate()->OpenDocumentFile(big));
    EXPECT_EQ(View()->GetTextLength(), 5 * (600 << 10));
}

TEST_F(DocumentTest, SaveChangesPromptAnswers) {
    const QString a = WriteFile("a.txt", "aaa");
    const QString b = WriteFile("b.txt", "bbb");
    ASSERT_TRUE(Start({a}));
    Type("X");
    // Cancel: nothing happens.
    ui.boxReplies = {IDCANCEL};
    EXPECT_FALSE(app->DocTemplate()->OpenDocumentFile(b));
    EXPECT_EQ(View()->GetText(), "Xaaa");
    EXPECT_EQ(ui.BoxTexts().last(), "Save changes to a.txt?");
    // Yes: saved, then the other file opens.
    ui.boxReplies = {IDYES};
    EXPECT_TRUE(app->DocTemplate()->OpenDocumentFile(b));
    EXPECT_EQ(ReadFile(a), "Xaaa");
    EXPECT_EQ(View()->GetText(), "bbb");
    EXPECT_EQ(ui.beeps.size(), 1u); // "The file was saved Ok." with its beep
    // No: changes dropped.
    Type("Y");
    ui.boxReplies = {IDNO};
    EXPECT_TRUE(app->DocTemplate()->OpenDocumentFile(a));
    EXPECT_EQ(ReadFile(b), "bbb");
}

TEST_F(DocumentTest, SaveOfUntitledAsksForANameAndCancelKeepsTheDocument) {
    ASSERT_TRUE(Start());
    Type("text");
    EXPECT_TRUE(Enabled(ID_FILE_SAVE));
    ui.fileNames = {QString()};
    Exec(ID_FILE_SAVE);
    EXPECT_EQ(ui.saveInitials, QStringList{"Untitled"});
    EXPECT_TRUE(Doc()->IsModified());
    ui.fileNames = {Path("new.txt")};
    Exec(ID_FILE_SAVE);
    EXPECT_EQ(ReadFile(Path("new.txt")), "text");
    EXPECT_FALSE(Doc()->IsModified());
    EXPECT_FALSE(Enabled(ID_FILE_SAVE));
    EXPECT_EQ(Frame()->windowTitle(), "new.txt @ " + dir.path() + "/");
    EXPECT_EQ(Frame()->m_wndStatusBar.GetPaneText(0), "The file was saved Ok.");
    EXPECT_EQ(app->RecentFiles()[0], Path("new.txt"));
}

TEST_F(DocumentTest, SaveOfAFileReadOnlyOnDiskOrGoneGoesToSaveAs) {
    const QString ro = WriteFile("ro.txt", "old");
    chmod(QFile::encodeName(ro).constData(), 0444);
    ASSERT_TRUE(Start({ro}));
    Type("new ");
    ui.fileNames = {Path("copy.txt")};
    Exec(ID_FILE_SAVE);
    EXPECT_EQ(ui.saveInitials, QStringList{ro});
    EXPECT_EQ(ReadFile(ro), "old");
    EXPECT_EQ(ReadFile(Path("copy.txt")), "new old");

    QFile::remove(Path("copy.txt"));
    Type("again ");
    ui.fileNames = {Path("third.txt")};
    Exec(ID_FILE_SAVE);
    EXPECT_EQ(ui.saveInitials.size(), 2);
    EXPECT_EQ(ReadFile(Path("third.txt")), "new again old");
}

TEST_F(DocumentTest, OpeningAMissingFileReportsItAndKeepsTheDocument) {
    const QString a = WriteFile("a.txt", "keep me");
    ASSERT_TRUE(Start({a}));
    EXPECT_FALSE(app->DocTemplate()->OpenDocumentFile(Path("missing.txt")));
    EXPECT_EQ(ui.BoxTexts(), QStringList{Path("missing.txt") + " was not found."});
    EXPECT_EQ(ui.boxes[0].flags, unsigned(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(View()->GetText(), "keep me");
    EXPECT_EQ(Doc()->GetPathName(), a);
}

TEST_F(DocumentTest, FoldersAndDevicesSayWhatTheyAreAtOnce) {
    ASSERT_TRUE(Start({WriteFile("a.txt", "keep me")}));
    const struct {
        QString path;
        QString message;
    } cases[] = {
        {dir.path(), dir.path() + " is a folder, not a file."},
        {"/dev/zero", "/dev/zero is a device, not a file: it cannot be opened as text."},
        {"/dev/urandom", "/dev/urandom is a device, not a file: it cannot be opened as text."},
    };
    for (const auto& c : cases) {
        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(app->DocTemplate()->OpenDocumentFile(c.path));
        EXPECT_LT(timer.elapsed(), 1000);
        EXPECT_EQ(ui.BoxTexts(), QStringList{c.message});
        EXPECT_EQ(View()->GetText(), "keep me");
        ui.boxes.clear();
    }
}

class FifoTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        fifo = Path("fifo");
        ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // Both ends in one: the FIFO has a writer until the test closes it.
        writer = ::open(QFile::encodeName(fifo).constData(), O_RDWR);
        ASSERT_GE(writer, 0);
        CStreamFile::s_nProgressDelay = 100;
    }
    void TearDown() override {
        if (writer >= 0)
            ::close(writer);
        CStreamFile::s_nProgressDelay = 500;
        AppFixture::TearDown();
    }
    QString fifo;
    int writer = -1;
};

TEST_F(FifoTest, WhatAFifoCarriesIsReadWithoutFreezingTheWindow) {
    const QByteArray bytes("from a pipe\0\xc3\xa9\r\n", 17);
    ASSERT_EQ(write(writer, bytes.constData(), bytes.size()), bytes.size());
    ASSERT_TRUE(Start());
    // The writer ends a while after the reading began; meanwhile the program keeps running.
    bool ticked = false;
    QTimer::singleShot(300, [&] {
        ticked = true;
        ::close(writer);
        writer = -1;
    });
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(fifo));
    EXPECT_TRUE(ticked);
    EXPECT_EQ(View()->GetText(), bytes);
    EXPECT_TRUE(ui.boxes.empty()) << ui.BoxTexts().join("|").toStdString();
}

TEST_F(FifoTest, AFifoWhoseWriterSendsNothingCanBeCancelled) {
    ASSERT_TRUE(Start({WriteFile("a.txt", "keep me")}));
    bool sawProgress = false;
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* progress = qobject_cast<QProgressDialog*>(w);
                progress && progress->isVisible()) {
                sawProgress = true;
                // A modal dialog is the active window on a desktop; its Escape key works there.
                QApplication::setActiveWindow(progress);
                QTest::keyClick(progress, Qt::Key_Escape);
            }
    });
    cancel.start(200);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(app->DocTemplate()->OpenDocumentFile(fifo));
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_TRUE(sawProgress);
    EXPECT_EQ(ui.BoxTexts(), QStringList{"Reading " + fifo + " was cancelled."});
    EXPECT_EQ(View()->GetText(), "keep me");
}

// A change to the file shown before, or a command, that arrives while a FIFO is read waits until
// the load is over, and is then about the document it concerned.
// A FIFO, a socket or a device is no place to save the text: it is refused before anything
// is written (a FIFO would swallow the text, or hold the window until someone reads it), the
// text stays modified, and Save As is offered.
TEST_F(FifoTest, TheTextIsNeverSavedIntoAFifoOrADevice) {
    ASSERT_EQ(write(writer, "piped\n", 6), 6);
    QTimer::singleShot(200, [&] {
        ::close(writer);
        writer = -1;
    });
    ASSERT_TRUE(Start({fifo}));
    View()->ReplaceSel(QByteArray(70000, 'x')); // more than a pipe holds
    for (const QString& name : {fifo, QStringLiteral("/dev/null")}) {
        SCOPED_TRACE(name.toStdString());
        ui.boxes.clear();
        ui.saveInitials.clear();
        ui.fileNames = {name, QString()}; // Save As: the same name again, then Cancel
        QElapsedTimer timer;
        timer.start();
        if (name == fifo)
            Exec(ID_FILE_SAVE);
        else
            EXPECT_FALSE(Doc()->DoSave(name));
        EXPECT_LT(timer.elapsed(), 2000);
        const QString kind = name == fifo ? "a FIFO" : "a device";
        const QString said = name + " is " + kind +
                             ", not a regular file: the text cannot be saved into it. Choose "
                             "another name.";
        EXPECT_EQ(ui.BoxTexts(), QStringList({said, said}));
        EXPECT_EQ(ui.saveInitials.size(), 2u); // offered Save As, twice, then cancelled
        EXPECT_TRUE(Doc()->IsModified());
    }
    // Nothing went into the pipe.
    const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
    char buf[16];
    EXPECT_LE(::read(reader, buf, sizeof buf), 0);
    ::close(reader);
}

TEST_F(FifoTest, WhatArrivesDuringALoadWaitsForItsEnd) {
    for (bool cancelled : {false, true}) {
        SCOPED_TRACE(cancelled);
        const QString a = WriteFile("a.txt", "first\n");
        ASSERT_TRUE(Start({a}));
        if (writer < 0)
            writer = ::open(QFile::encodeName(fifo).constData(), O_RDWR);
        QTimer::singleShot(100, [&] {
            QFile f(a);
            f.open(QIODevice::WriteOnly | QIODevice::Truncate);
            f.write("changed by another program\n");
            f.close();
            if (!cancelled)
                QMetaObject::invokeMethod(
                    Frame(), [this] { Exec(ID_EDIT_DELETELINE); }, Qt::QueuedConnection);
        });
        QTimer::singleShot(700, [&] {
            if (cancelled) {
                for (QWidget* w : QApplication::topLevelWidgets())
                    if (auto* progress = qobject_cast<QProgressDialog*>(w);
                        progress && progress->isVisible()) {
                        QApplication::setActiveWindow(progress);
                        QTest::keyClick(progress, Qt::Key_Escape);
                    }
                return;
            }
            const QByteArray piped("line 1\nline 2\n");
            ASSERT_EQ(write(writer, piped.constData(), piped.size()), piped.size());
            ::close(writer);
            writer = -1;
        });
        EXPECT_EQ(app->DocTemplate()->OpenDocumentFile(fifo) != nullptr, !cancelled);
        QTest::qWait(400);
        const QString status = Frame()->m_wndStatusBar.GetPaneText(0);
        if (cancelled) {
            EXPECT_EQ(Doc()->GetPathName(), a);
            EXPECT_EQ(View()->GetText(), "changed by another program\n");
            EXPECT_TRUE(status.contains(a)) << status.toStdString();
        } else {
            EXPECT_EQ(Doc()->GetPathName(), fifo);
            EXPECT_EQ(View()->GetText(), "line 2\n");
            EXPECT_FALSE(status.contains("a.txt")) << status.toStdString();
        }
        Stop();
        ui.boxes.clear();
    }
}

TEST_F(FifoTest, AFileDroppedDuringALoadOpensOnceItIsOver) {
    CStreamFile::s_nProgressDelay = 10000; // no modal progress dialog to turn the drop away
    ASSERT_TRUE(Start());
    const QString dropped = WriteFile("b.txt", "dropped\n");
    QTimer::singleShot(100, [&] {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(dropped)});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Frame(), &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Frame(), &drop);
        EXPECT_TRUE(drop.isAccepted());
    });
    QTimer::singleShot(400, [&] {
        ASSERT_EQ(write(writer, "piped\n", 6), 6);
        ::close(writer);
        writer = -1;
    });
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(fifo));
    EXPECT_EQ(View()->GetText(), "piped\n");
    QTest::qWait(200);
    EXPECT_EQ(Doc()->GetPathName(), dropped);
    EXPECT_EQ(View()->GetText(), "dropped\n");
}

TEST_F(DocumentTest, StartingWithAMissingFileEndsTheProgramWithItsReason) {
    EXPECT_FALSE(Start({Path("nope.txt")}));
    EXPECT_EQ(ui.BoxTexts(), QStringList{Path("nope.txt") + " was not found."});
    EXPECT_EQ(app->MainFrame(), nullptr);
    EXPECT_EQ(app->ExitInstance(), 1);
}

TEST_F(DocumentTest, AWriteFailingPartWayKeepsFileAndDocument) {
    const QByteArray old(300000, 'o');
    const QString f = WriteFile("f.txt", old);
    ASSERT_TRUE(Start({f}));
    Type("changed ");
    auto saved = FileSystem().write;
    FileSystem().write = [](int, const void*, size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    Exec(ID_FILE_SAVE);
    FileSystem().write = saved;
    EXPECT_EQ(ui.BoxTexts(), QStringList{"Disk full while accessing " + f + "."});
    EXPECT_EQ(ReadFile(f), old);
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_NE(Frame()->m_wndStatusBar.GetPaneText(0), "The file was saved Ok.");
    EXPECT_TRUE(ui.beeps.empty());
}

// These run once more as an unprivileged user (see tests/CMakeLists.txt): as root, file
// permissions refuse nothing, and the cases are skipped.
class UnprivilegedFileErrors : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        if (geteuid() == 0)
            GTEST_SKIP() << "permissions do not apply to the superuser";
    }
};

TEST_F(UnprivilegedFileErrors, UnreadableFileIsReportedAndNothingChanges) {
    const QString a = WriteFile("a.txt", "keep");
    const QString secret = WriteFile("secret.txt", "hidden");
    chmod(QFile::encodeName(secret).constData(), 0);
    ASSERT_TRUE(Start({a}));
    EXPECT_FALSE(app->DocTemplate()->OpenDocumentFile(secret));
    EXPECT_EQ(ui.BoxTexts(), QStringList{"Access to " + secret + " was denied."});
    EXPECT_EQ(View()->GetText(), "keep");
}

TEST_F(UnprivilegedFileErrors, FolderRefusingWritesFailsSaveAsAndKeepsTheDocument) {
    ASSERT_TRUE(Start());
    Type("unsaved work");
    const QString locked = Path("locked");
    QDir().mkdir(locked);
    chmod(QFile::encodeName(locked).constData(), 0555);
    ui.fileNames = {locked + "/f.txt"};
    Exec(ID_FILE_SAVE_AS);
    chmod(QFile::encodeName(locked).constData(), 0755);
    EXPECT_EQ(ui.BoxTexts(), QStringList{"Access to " + locked + "/f.txt was denied."});
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_EQ(Frame()->windowTitle(), "Untitled");
    EXPECT_FALSE(QFile::exists(locked + "/f.txt"));
}

TEST_F(UnprivilegedFileErrors, WritableFileInALockedFolderIsSavedInPlace) {
    const QString folder = Path("locked");
    QDir().mkdir(folder);
    const QString f = folder + "/f.txt";
    QFile file(f);
    file.open(QIODevice::WriteOnly);
    file.write("old");
    file.close();
    chmod(QFile::encodeName(folder).constData(), 0555);
    ASSERT_TRUE(Start({f}));
    Type("new ");
    Exec(ID_FILE_SAVE);
    chmod(QFile::encodeName(folder).constData(), 0755);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(ReadFile(f), "new old");
}
} // namespace
