#include "resources/resource.h"
#include "support/appfixture.h"
#include "support/savechild.h"

#include "framework/file.h"
#include "framework/interruptedsaves.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTest>

#include <cstring>
#include <unistd.h>

namespace {
using FileChangesTest = AppFixture;

QString Status(CMainFrame* frame) {
    return frame->m_wndStatusBar.GetPaneText(0);
}

void Append(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::Append);
    f.write(bytes);
}

// Another program's ways of changing a file: appending, rewriting it, and replacing it by
// renaming a new file over it.
void Rewrite(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
}
void ReplaceByRename(const QString& path, const QByteArray& bytes) {
    const QString temp = path + ".new";
    Rewrite(temp, bytes);
    ::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData());
}

int g_error = 0;

TEST_F(FileChangesTest, ASaveFailingAtItsLastStepsKeepsTheTextModified) {
    const struct {
        const char* step;
        bool rename;
        int error;
        const char* text;
    } cases[] = {
        {"flush", false, EIO, "A hardware I/O error was reported while accessing "},
        {"rename", true, ENOSPC, "Disk full while accessing "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        const QString f = WriteFile("f.txt", "old");
        ASSERT_TRUE(Start({f}));
        Type("changed ");
        const FileSystemCalls calls = FileSystem();
        g_error = c.error;
        if (c.rename)
            FileSystem().rename = [](const char*, const char*) {
                errno = g_error;
                return -1;
            };
        else
            FileSystem().fsync = [](int) {
                errno = g_error;
                return -1;
            };
        Exec(ID_FILE_SAVE);
        FileSystem() = calls;
        EXPECT_EQ(ui.BoxTexts(), QStringList{c.text + f + "."});
        EXPECT_EQ(ReadFile(f), "old");
        EXPECT_TRUE(Doc()->IsModified());
        EXPECT_TRUE(Enabled(ID_FILE_SAVE));
        EXPECT_NE(Status(Frame()), "The file was saved Ok.");
        // Leaving asks, as for any unsaved text.
        ui.boxReplies = {IDCANCEL};
        EXPECT_FALSE(Doc()->SaveModified());
        EXPECT_EQ(ui.BoxTexts().last(), "Save changes to f.txt?");
        Stop();
        ui.boxes.clear();
    }
}

// A save through a temporary file killed once the whole new content was written: the next
// start offers that content; a temporary file of a save killed half way is swept at the start.
TEST_F(FileChangesTest, AnUnfinishedSaveOffersItsNewContent) {
    const QByteArray old = "old content\n";
    const qint64 size = 1 << 20;
    for (const int reply : {IDYES, IDNO}) {
        SCOPED_TRACE(reply);
        const QString f = WriteFile("f.txt", old);
        {
            SaveChild child(f, size, size);
            ASSERT_EQ(child.Next(), 's');
            ASSERT_EQ(child.Next(), 'h');
        }
        {
            SaveChild half(WriteFile("g.txt", "g"), size, size / 2);
            ASSERT_EQ(half.Next(), 's');
            ASSERT_EQ(half.Next(), 'h');
        }
        ASSERT_EQ(ReadFile(f), old);
        ui.boxReplies = {reply, IDOK};
        ASSERT_TRUE(Start());
        EXPECT_EQ(ui.BoxTexts().value(0),
                  QString("A save of %1 was stopped just before its end: the new content (%2 "
                          "bytes) was written whole beside the file, which still holds its old "
                          "content (%3 bytes). Put the new content in place?\n\nNo keeps the "
                          "new content as a file of its own.")
                      .arg(f)
                      .arg(size)
                      .arg(old.size()));
        if (reply == IDYES) {
            EXPECT_EQ(ReadFile(f), QByteArray(size, 'n'));
        } else {
            EXPECT_EQ(ReadFile(f), old);
            EXPECT_EQ(ReadFile(f + ".unsaved"), QByteArray(size, 'n'));
            EXPECT_EQ(ui.BoxTexts().value(1),
                      "The new content of " + f + " is kept in " + f + ".unsaved.");
        }
        EXPECT_TRUE(CInterruptedSaves::Pending().isEmpty());
        // No temporary file is left, of either save.
        EXPECT_EQ(QDir(dir.path()).entryList({".zorvek-*"}, QDir::Files | QDir::Hidden),
                  QStringList());
        Stop();
        ui.boxes.clear();
    }
}

// The same for a file that did not exist yet: its first save is made.
TEST_F(FileChangesTest, AnUnfinishedFirstSaveMakesTheFile) {
    const QString f = Path("new.txt");
    {
        SaveChild child(f, 1000, 1000);
        ASSERT_EQ(child.Next(), 's');
        ASSERT_EQ(child.Next(), 'h');
    }
    ASSERT_FALSE(QFile::exists(f));
    ui.boxReplies = {IDYES};
    ASSERT_TRUE(Start());
    EXPECT_EQ(ui.BoxTexts(), QStringList{"A save of " + f +
                                         " was stopped just before its end: the new content "
                                         "(1000 bytes) was written whole, but the file was not "
                                         "made. Make it now?\n\nNo keeps the new content as a "
                                         "file of its own."});
    EXPECT_EQ(ReadFile(f), QByteArray(1000, 'n'));
}

// Another program deletes the file while it is saved in place: that is no save. The text stays
// modified, the file is then told deleted, and our own failed save is never taken for another
// program's change.
TEST_F(FileChangesTest, AFileDeletedDuringASaveIsNotSaid) {
    const QString f = WriteFile("f.txt", "old");
    ASSERT_EQ(::link(QFile::encodeName(f).constData(), QFile::encodeName(Path("l")).constData()),
              0); // saved in place, for the other name's sake
    ASSERT_TRUE(Start({f}));
    Type("changed ");
    const FileSystemCalls calls = FileSystem();
    static QByteArray s_deleted;
    s_deleted = QFile::encodeName(f);
    FileSystem().fsync = [](int fd) {
        ::unlink(s_deleted.constData());
        return ::fsync(fd);
    };
    Exec(ID_FILE_SAVE);
    FileSystem() = calls;
    EXPECT_EQ(ui.BoxTexts(),
              QStringList{f + " was deleted or replaced by another program while it was being "
                              "saved: the text is not saved."});
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_NE(Status(Frame()), "The file was saved Ok.");
    EXPECT_TRUE(QTest::qWaitFor([&] { return Status(Frame()).contains("deleted"); }, 5000))
        << Status(Frame()).toStdString();
    ui.boxReplies = {IDCANCEL};
    EXPECT_FALSE(Doc()->SaveModified()); // leaving asks
    Stop();
    ui.boxes.clear();

    // A save in place that fails and puts the old content back: the next Save just saves.
    WriteFile("f.txt", "old");
    QFile::remove(Path("l"));
    ASSERT_EQ(::link(QFile::encodeName(f).constData(), QFile::encodeName(Path("l")).constData()),
              0);
    ASSERT_TRUE(Start({f}));
    Type("changed ");
    FileSystem().fsync = [](int) {
        errno = EIO;
        return -1;
    };
    Exec(ID_FILE_SAVE);
    FileSystem() = calls;
    ASSERT_EQ(ui.boxes.size(), 1u);
    Exec(ID_FILE_SAVE);
    EXPECT_EQ(ui.boxes.size(), 1u) << ui.BoxTexts().join("|").toStdString();
    EXPECT_EQ(ReadFile(f), "changed old");
}

// A save in place killed half way leaves a copy of the old content, offered back at the next
// start or open of the file.
TEST_F(FileChangesTest, AnInterruptedSaveIsOfferedBack) {
    const QByteArray old(1 << 20, 'o');
    const struct {
        int reply;
        bool restored;
        bool kept;
    } cases[] = {{IDYES, true, false}, {IDNO, false, false}, {IDCANCEL, false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        const QString f = WriteFile("f.txt", old);
        QFile::remove(Path("link"));
        ASSERT_EQ(
            ::link(QFile::encodeName(f).constData(), QFile::encodeName(Path("link")).constData()),
            0);
        {
            SaveChild child(f, 2 << 20, 1 << 19);
            ASSERT_EQ(child.Next(), 's');
            ASSERT_EQ(child.Next(), 'h');
        }
        const QByteArray cut = ReadFile(f);
        ASSERT_NE(cut, old);
        ui.boxReplies = {c.reply, IDOK};
        ASSERT_TRUE(Start({f}));
        const QString offer = QString("A save of %1 was interrupted: the file is cut short (%2 "
                                      "bytes). Its old content (%3 bytes) was kept. Restore the "
                                      "old content?\n\nNo keeps the old content as a file of its "
                                      "own.")
                                  .arg(f)
                                  .arg(cut.size())
                                  .arg(old.size());
        EXPECT_EQ(ui.BoxTexts().value(0), offer);
        EXPECT_EQ(ui.boxes.at(0).flags & MB_DEFBUTTON2, 0u); // Yes, the old content, by default
        EXPECT_EQ(View()->GetText() == old, c.restored);
        EXPECT_EQ(ReadFile(Path("link")) == old, c.restored);
        EXPECT_EQ(CInterruptedSaves::Pending().size(), c.kept ? 1 : 0);
        if (c.reply == IDNO) { // the old content stays, and where is said
            EXPECT_EQ(ReadFile(f), cut);
            EXPECT_EQ(ReadFile(f + ".before-save"), old);
            EXPECT_EQ(ui.BoxTexts().value(1),
                      "The old content of " + f + " is kept in " + f + ".before-save.");
        }
        if (c.kept) {
            // Asked again at the next open of that file, here through its other name.
            ui.boxReplies = {IDYES};
            EXPECT_TRUE(app->DocTemplate()->OpenDocumentFile(Path("link")));
            EXPECT_EQ(ui.BoxTexts(), QStringList({offer, offer}));
            ui.boxReplies.clear();
            EXPECT_EQ(View()->GetText(), old);
        }
        Stop();
        ui.boxes.clear();
        for (const auto& copy : CInterruptedSaves::Pending())
            CInterruptedSaves::Discard(copy);
    }
}

TEST_F(FileChangesTest, ChangedOnDiskWhileUnmodifiedIsReloadedOnTheSameLine) {
    const QByteArray text = "one\ntwo\nthree\nfour\n";
    const struct {
        const char* how;
        std::function<void(const QString&)> change;
        QByteArray now;
    } cases[] = {
        {"appended", [](const QString& p) { Append(p, "five\n"); }, text + "five\n"},
        {"rewritten", [](const QString& p) { Rewrite(p, "1\n2\n3\n4\n"); }, "1\n2\n3\n4\n"},
        {"replaced by rename", [](const QString& p) { ReplaceByRename(p, "a\nb\n"); }, "a\nb\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        const QString f = WriteFile("f.txt", text);
        ASSERT_TRUE(Start({f}));
        View()->SetSel(View()->LineIndex(2), View()->LineIndex(2));
        c.change(f);
        const QString said = f + " was changed by another program and reloaded.";
        EXPECT_TRUE(QTest::qWaitFor([&] { return Status(Frame()) == said; }, 5000));
        EXPECT_EQ(View()->GetText(), c.now);
        EXPECT_FALSE(Doc()->IsModified());
        EXPECT_EQ(View()->LineFromChar(-1), std::min(2L, View()->GetLineCount() - 1));
        // A later change is noticed too: the watch follows the file.
        Append(f, "more\n");
        EXPECT_TRUE(QTest::qWaitFor([&] { return View()->GetText() == c.now + "more\n"; }, 5000));
        Stop();
    }
}

// A reload is one undo step: Undo brings the text as it was back, marked modified; Redo the
// file's again. Another program emptying the file loses nothing so.
TEST_F(FileChangesTest, AReloadCanBeUndone) {
    const QByteArray text = "caf\xc3\xa9 one\ntwo\n";
    const struct {
        const char* how;
        QByteArray now;
    } cases[] = {{"emptied", ""},
                 {"appended", text + "three\n"},
                 {"changed within a letter", "caf\xc3\xa8 one\ntwo\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        const QString f = WriteFile("f.txt", text);
        ASSERT_TRUE(Start({f}));
        Rewrite(f, c.now);
        ASSERT_TRUE(QTest::qWaitFor([&] { return View()->GetText() == c.now; }, 5000));
        EXPECT_FALSE(Doc()->IsModified());
        Exec(ID_EDIT_UNDO);
        EXPECT_EQ(View()->GetText(), text);
        EXPECT_TRUE(Doc()->IsModified());
        Exec(ID_EDIT_UNDO); // nothing before the reload
        EXPECT_EQ(View()->GetText(), text);
        Exec(ID_EDIT_REDO);
        EXPECT_EQ(View()->GetText(), c.now);
        EXPECT_FALSE(Doc()->IsModified());
        Stop();
    }
}

// Up to the size whose reload can be undone, and past it: the reload is the same, only the
// step back is not there.
TEST_F(FileChangesTest, AReloadPastTheUndoableSizeIsAPlainReload) {
    const long saved = CLumettaDoc::s_nUndoableReload;
    CLumettaDoc::s_nUndoableReload = 8;
    for (const QByteArray& text : {QByteArray("12345678"), QByteArray("123456789")}) {
        SCOPED_TRACE(text.size());
        const QString f = WriteFile("f.txt", text);
        ASSERT_TRUE(Start({f}));
        Rewrite(f, "new");
        ASSERT_TRUE(QTest::qWaitFor([&] { return View()->GetText() == "new"; }, 5000));
        Exec(ID_EDIT_UNDO);
        EXPECT_EQ(View()->GetText(), text.size() <= 8 ? text : QByteArray("new"));
        EXPECT_EQ(Doc()->IsModified(), text.size() <= 8);
        Stop();
    }
    CLumettaDoc::s_nUndoableReload = saved;
}

// A file written without a pause, as a log is, is reloaded while it grows.
TEST_F(FileChangesTest, AGrowingFileIsReloadedWhileItGrows) {
    const QString f = WriteFile("log.txt", "start\n");
    ASSERT_TRUE(Start({f}));
    QElapsedTimer clock;
    clock.start();
    int lines = 0;
    while (clock.elapsed() < 2500 && View()->GetLineCount() < 3) {
        Append(f, "line " + QByteArray::number(++lines) + "\n");
        QTest::qWait(100);
    }
    EXPECT_GE(View()->GetLineCount(), 3) << "not reloaded in " << clock.elapsed() << " ms";
    EXPECT_LT(clock.elapsed(), 2000);
}

TEST_F(FileChangesTest, ComingBackToTheWindowChecksTheFile) {
    const QString f = WriteFile("f.txt", "old\n");
    ASSERT_TRUE(Start({f}));
    Append(f, "appended\n");
    // Without waiting for the file system's notice.
    emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(View()->GetText(), "old\nappended\n");
}

TEST_F(FileChangesTest, ChangedOnDiskWhileModifiedAsksBeforeSavingOverIt) {
    const struct {
        int reply;
        const char* file;
        const char* text;
        bool modified;
    } cases[] = {
        {IDYES, "mine old\n", "mine old\n", false},
        {IDNO, "old\ntheirs\n", "old\ntheirs\n", false},
        {IDCANCEL, "old\ntheirs\n", "mine old\n", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        const QString f = WriteFile("f.txt", "old\n");
        ASSERT_TRUE(Start({f}));
        Type("mine ");
        Append(f, "theirs\n");
        const QString said = f + " was changed by another program; your changes are kept.";
        EXPECT_TRUE(QTest::qWaitFor([&] { return Status(Frame()) == said; }, 5000));
        EXPECT_EQ(View()->GetText(), "mine old\n");
        ui.boxReplies = {c.reply};
        Exec(ID_FILE_SAVE);
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_TRUE(ui.boxes[0].text.startsWith(f + " was changed by another program"));
        EXPECT_EQ(ReadFile(f), c.file);
        EXPECT_EQ(View()->GetText(), c.text);
        EXPECT_EQ(Doc()->IsModified(), c.modified);
        Stop();
        ui.boxes.clear();
    }
}

TEST_F(FileChangesTest, DeletedWhileOpenIsToldOnceAndTheTextStaysModified) {
    for (const bool typed : {false, true}) {
        SCOPED_TRACE(typed ? "modified" : "unmodified");
        const QString f = WriteFile("f.txt", "text");
        ASSERT_TRUE(Start({f}));
        if (typed)
            Type("more ");
        ui.beeps.clear();
        QFile::remove(f);
        const QString said = f + " was deleted by another program; your text is kept as changed.";
        EXPECT_TRUE(QTest::qWaitFor([&] { return Status(Frame()) == said; }, 5000));
        EXPECT_TRUE(Doc()->IsModified());
        EXPECT_TRUE(Enabled(ID_FILE_SAVE));
        // Other changes in the folder, and coming back to the window, say nothing more.
        WriteFile("other.txt", "x");
        emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
        QTest::qWait(400);
        EXPECT_EQ(ui.beeps.size(), 1u);
        EXPECT_TRUE(ui.boxes.empty());
        // Save asks for a name rather than silently creating the file again.
        ui.fileNames = {f};
        Exec(ID_FILE_SAVE);
        EXPECT_EQ(ui.saveInitials, QStringList{f});
        EXPECT_EQ(ReadFile(f), typed ? "more text" : "text");
        EXPECT_FALSE(Doc()->IsModified());
        Stop();
        ui.saveInitials.clear();
    }
}

TEST_F(FileChangesTest, OurOwnSavesAreNotTakenForAnotherProgramsChanges) {
    const QString f = WriteFile("f.txt", "old");
    ASSERT_TRUE(Start({f}));
    for (int i = 0; i < 3; ++i) {
        Type("x");
        Exec(ID_FILE_SAVE);
        QTest::qWait(300);
    }
    EXPECT_EQ(ReadFile(f), "xxxold");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(Status(Frame()), "The file was saved Ok.");
}
} // namespace
