// Unsaved changes outlive the run that made them: a run ended by a signal (or a crash) leaves
// its journal, and the next run offers the changes back.
#include "framework/encodingdlg.h"
#include "resources/resource.h"
#include "support/appfixture.h"
#include "support/editchild.h"
#include "text/journal.h"
#include "text/replaceall.h"

#include <QDir>

#include <chrono>
#include <csignal>
#include <random>
#include <thread>

namespace {
class RecoveryTest : public AppFixture {
protected:
    void TearDown() override {
        AppFixture::TearDown();
        // Nothing left for the tests that follow to be offered.
        QDir(CJournalFolder::Path()).removeRecursively();
    }

    // Ends the run as SIGTERM does: the changes stay in their journal.
    void Terminate() {
        app->OnTerminationSignal(SIGTERM);
        EXPECT_EQ(app->ExitInstance(), 128 + SIGTERM);
        app.reset();
    }

    QString Offer(const QString& name) const {
        return "Unsaved changes to " + name + " from ";
    }
};

TEST_F(RecoveryTest, ChangesLeftByASignalAreOfferedWhenTheFileOpensAgain) {
    const QByteArray original("first line\nsecond line ab\nthird ab ab\n");
    const QString file = WriteFile("notes.txt", original);
    ASSERT_TRUE(Start({file}));
    View()->SetSel(0, 0);
    Type("typed ");
    View()->SetSel(11, 11);
    View()->ReplaceSel(QByteArray("pasted\0with a NUL\r\n", 19));
    ReplaceAllRequest request;
    request.find = "ab";
    request.with = "xyz";
    View()->ReplaceAll(request, [](double) { return false; });
    View()->Undo();
    View()->Redo();
    const QByteArray edited = View()->GetText();
    Terminate();
    EXPECT_EQ(ReadFile(file), original); // nothing was saved

    ui.boxReplies = {IDYES};
    ASSERT_TRUE(Start({file}));
    ASSERT_EQ(ui.boxes.size(), 1u) << ui.BoxTexts().join("|").toStdString();
    EXPECT_TRUE(ui.boxes[0].text.startsWith(Offer(file))) << ui.boxes[0].text.toStdString();
    EXPECT_TRUE(ui.boxes[0].text.endsWith(" were found. Recover them?"));
    EXPECT_EQ(View()->GetText(), edited);
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_TRUE(View()->CanUndo());
    // Recovered changes are journaled on: another end, another recovery.
    View()->SetSel(0, 0);
    Type("more ");
    Terminate();
    ui.boxes.clear();
    ui.boxReplies = {IDYES};
    ASSERT_TRUE(Start({file}));
    EXPECT_EQ(View()->GetText(), "more " + edited);
    // Saved, then closed: nothing is left to offer.
    Exec(ID_FILE_SAVE);
    EXPECT_EQ(ReadFile(file), "more " + edited);
    Stop();
    app.reset();
    EXPECT_TRUE(CJournalFolder::Left().empty());
}

// Changes to a file read in an encoding the user chose are recovered onto the file read in it
// again: their positions are those of that text.
TEST_F(RecoveryTest, ChangesToAFileReopenedInAnEncodingAreRecoveredInIt) {
    const QString file = WriteFile("ru.txt", "\xd0\xd2\xc9\xd7\xc5\xd4 \xcd\xc9\xd2\n");
    ASSERT_TRUE(Start({file}));
    ui.dialogReplies.push_back([](QDialog& d) {
        dynamic_cast<CEncodingDlg&>(d).Choose(QStringLiteral("KOI8-R"));
        d.accept();
        return IDOK;
    });
    ASSERT_TRUE(Exec(ID_FILE_REOPEN_ENCODING));
    View()->SetSel(13, 13);                                              // after the space
    View()->ReplaceSel(QByteArray("\xd0\xb2\xd0\xb5\xd1\x81\xd1\x8c ")); // весь
    const QByteArray edited = View()->GetText();
    Terminate();
    ui.boxReplies = {IDYES};
    ASSERT_TRUE(Start({file}));
    EXPECT_EQ(View()->GetText(), edited);
    EXPECT_EQ(EncodingName(View()->GetEncoding()), std::string("KOI8-R"));
    ASSERT_TRUE(Exec(ID_FILE_SAVE));
    EXPECT_EQ(ReadFile(file), "\xd0\xd2\xc9\xd7\xc5\xd4 \xd7\xc5\xd3\xd8 \xcd\xc9\xd2\n");
}

// A change is committed within a second, and at once before a save, a reload or a print.
TEST_F(RecoveryTest, ChangesAreCommittedSoonAndBeforeWhatIsRisky) {
    const QString file = WriteFile("f.txt", "text\n");
    ASSERT_TRUE(Start({file}));
    Type("a");
    ASSERT_TRUE(Doc()->Journal());
    EXPECT_TRUE(Doc()->Journal()->HasUncommitted());
    QTest::qWait(1300);
    EXPECT_FALSE(Doc()->Journal()->HasUncommitted());
    Type("b");
    Exec(ID_FILE_PRINT_DIRECT); // the print dialog is cancelled: nothing is printed
    EXPECT_FALSE(Doc()->Journal()->HasUncommitted());
    Type("c");
    const QString journal = Doc()->Journal()->FileName();
    Exec(ID_FILE_SAVE); // what was journaled is in the file: a new journal starts from it
    EXPECT_FALSE(QFile::exists(journal));
    EXPECT_EQ(ReadFile(file), "abctext\n");
}

// Logging out asks about unsaved changes as Exit does; Cancel cancels the logout.
TEST_F(RecoveryTest, TheSessionEndingAsksAboutUnsavedChanges) {
    const QString file = WriteFile("f.txt", "text\n");
    ASSERT_TRUE(Start({file}));
    EXPECT_TRUE(app->OnSessionEnding()); // nothing unsaved: nothing asked
    EXPECT_TRUE(ui.boxes.empty());
    Type("a");
    ui.boxReplies = {IDCANCEL, IDYES};
    EXPECT_FALSE(app->OnSessionEnding());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Save changes to f.txt?");
    EXPECT_FALSE(Doc()->Journal()->HasUncommitted());
    EXPECT_TRUE(app->OnSessionEnding());
    EXPECT_EQ(ReadFile(file), "atext\n");
}

TEST_F(RecoveryTest, AnUntitledTextIsOfferedAtStartAndNoKeepsItForLater) {
    ASSERT_TRUE(Start());
    Type("never saved");
    Terminate();

    ui.boxReplies = {IDNO};
    ASSERT_TRUE(Start());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_TRUE(ui.boxes[0].text.startsWith(Offer("Untitled")));
    EXPECT_EQ(View()->GetText(), "");
    Stop();
    app.reset();

    ui.boxes.clear();
    ui.boxReplies = {IDYES};
    ASSERT_TRUE(Start());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(View()->GetText(), "never saved");
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_EQ(Frame()->windowTitle(), "Untitled");
}

TEST_F(RecoveryTest, ChangesToAFileAddedToSinceAreRecoveredOntoItsStartUntitled) {
    const QString file = WriteFile("grown.log", "first entry\nsecond entry\n");
    ASSERT_TRUE(Start({file}));
    View()->SetSel(0, 0);
    Type("note: ");
    const QByteArray edited = View()->GetText();
    Terminate();
    WriteFile("grown.log", "first entry\nsecond entry\nthird entry, added meanwhile\n");

    ui.boxReplies = {IDYES};
    ASSERT_TRUE(Start({file}));
    ASSERT_EQ(ui.boxes.size(), 2u) << ui.BoxTexts().join("|").toStdString();
    EXPECT_TRUE(ui.boxes[1].text.contains("has changed since the unsaved changes from"))
        << ui.boxes[1].text.toStdString();
    EXPECT_EQ(View()->GetText(), edited);
    EXPECT_TRUE(Doc()->IsModified());
    EXPECT_EQ(Frame()->windowTitle(), "Untitled");
    EXPECT_EQ(ReadFile(file), "first entry\nsecond entry\nthird entry, added meanwhile\n");
}

// A file another program has rewritten since: the changes go onto the copy of the file as it was,
// kept beside the journal; without that copy they cannot be applied, and the journal stays.
TEST_F(RecoveryTest, ChangesToAFileRewrittenSinceGoOntoItsCopyOrAreKept) {
    for (bool copyKept : {true, false}) {
        const QString file = WriteFile("log.txt", "old content\n");
        ASSERT_TRUE(Start({file}));
        Type("typed ");
        const QByteArray edited = View()->GetText();
        const QString journal = Doc()->Journal()->FileName();
        Terminate();
        EXPECT_EQ(ReadFile(CJournalWriter::BaseOf(journal)), "old content\n");
        if (!copyKept)
            QFile::remove(CJournalWriter::BaseOf(journal));
        WriteFile("log.txt", "another program wrote this\n");

        ui.boxes.clear();
        ui.boxReplies = {IDYES};
        ASSERT_TRUE(Start({file}));
        ASSERT_EQ(ui.boxes.size(), 2u) << ui.BoxTexts().join("|").toStdString();
        if (copyKept) {
            EXPECT_TRUE(ui.boxes[1].text.contains("recovered onto the file as it was then"))
                << ui.boxes[1].text.toStdString();
            EXPECT_EQ(View()->GetText(), edited);
            EXPECT_TRUE(Doc()->IsModified());
            EXPECT_EQ(Frame()->windowTitle(), "Untitled");
            Stop();
            app.reset();
            EXPECT_TRUE(CJournalFolder::Left().empty());
            continue;
        }
        EXPECT_TRUE(ui.boxes[1].text.contains("but the file has changed since: they cannot be applied"))
            << ui.boxes[1].text.toStdString();
        EXPECT_EQ(View()->GetText(), "another program wrote this\n");
        EXPECT_FALSE(Doc()->IsModified());
        Stop();
        app.reset();
        EXPECT_EQ(CJournalFolder::Left().size(), 1u);
        // Offered again at the next start, until the user discards it.
        ui.boxes.clear();
        ui.boxReplies = {IDDISCARD};
        ASSERT_TRUE(Start());
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_TRUE(ui.boxes[0].text.startsWith(Offer(file)));
        EXPECT_TRUE(CJournalFolder::Left().empty());
    }
}

// Killed with SIGKILL at any moment of its editing, a run leaves what the next run recovers: the
// text as of its last commit, byte for byte (the one reported, or the next when the kill came
// between a commit and its report, or a write of the next text and its commit).
TEST_F(RecoveryTest, AnEditingRunKilledAtAnyMomentIsRecoveredExactly) {
    const QByteArray base = QByteArray("line ab one\nline two ab\n").repeated(2000);
    std::minstd_rand random(17);
    for (unsigned round = 0; round < 10; ++round) {
        const QString file = WriteFile("edited.txt", base);
        const QString texts = Path(QStringLiteral("texts-%1").arg(round));
        ASSERT_TRUE(QDir().mkpath(texts));
        WriteFile(QStringLiteral("texts-%1/text-0").arg(round), base);
        int last = 0;
        {
            EditChild child(texts, file, round);
            const int steps = static_cast<int>(random() % 40);
            for (int n; last < steps && (n = child.Next()) >= 0;)
                last = n;
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
            child.Kill();
            for (int n; (n = child.Next()) >= 0;)
                last = n;
        }
        const auto textOf = [&](int step) {
            return ReadFile(texts + QStringLiteral("/text-%1").arg(step));
        };
        ui.boxes.clear();
        ui.boxReplies = {IDYES};
        ASSERT_TRUE(Start({file}));
        const QByteArray recovered = View()->GetText();
        EXPECT_TRUE(recovered == textOf(last) ||
                    (QFile::exists(texts + QStringLiteral("/text-%1").arg(last + 1)) &&
                     recovered == textOf(last + 1)))
            << "round " << round << ", step " << last << ", sizes " << recovered.size() << " and "
            << textOf(last).size();
        EXPECT_EQ(ReadFile(file), base);
        Stop(); // the changes are not saved: nothing is left to offer
        app.reset();
        EXPECT_TRUE(CJournalFolder::Left().empty());
    }
}

// Two runs on one file each keep a journal of their own: the one still running is never offered
// to the other, and each is recovered on its own.
TEST_F(RecoveryTest, TwoRunsOnOneFileNeverShareAJournal) {
    const QByteArray base = QByteArray("shared ab text\n").repeated(100);
    const QString file = WriteFile("shared.txt", base);
    const QString texts = Path("texts");
    ASSERT_TRUE(QDir().mkpath(texts));
    ASSERT_TRUE(Start({file}));
    Type("this run ");
    Doc()->CommitJournal();
    int last = 0;
    {
        EditChild other(texts, file, 3);
        for (int n; last < 5 && (n = other.Next()) >= 0;)
            last = n;
        // Held by this run: only the other run's journal is left, once it is killed.
        other.Kill();
        for (int n; (n = other.Next()) >= 0;)
            last = n;
    }
    std::vector<LeftJournal> left = CJournalFolder::Left();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_NE(left[0].file, Doc()->Journal()->FileName());
    const QByteArray mine = View()->GetText();
    Terminate();
    // The next runs are offered both, one at a time.
    const auto isOthers = [&](const QByteArray& text) {
        return text == ReadFile(texts + QStringLiteral("/text-%1").arg(last)) ||
               text == ReadFile(texts + QStringLiteral("/text-%1").arg(last + 1));
    };
    QByteArray recovered[2];
    for (QByteArray& text : recovered) {
        WriteFile("shared.txt", base);
        ui.boxes.clear();
        ui.boxReplies = {IDYES};
        ASSERT_TRUE(Start({file}));
        text = View()->GetText();
        Exec(ID_FILE_SAVE); // kept, and its journal gone
        Stop();
        app.reset();
    }
    EXPECT_TRUE((recovered[0] == mine && isOthers(recovered[1])) ||
                (recovered[1] == mine && isOthers(recovered[0])));
    EXPECT_TRUE(CJournalFolder::Left().empty());
}

// SIGTERM in the middle of a save: the save ends first, whole, and then the program, with the
// termination signal's exit code; the file is the old one or the new one, never a mix.
TEST_F(RecoveryTest, SigtermDuringASaveLetsItEndFirst) {
    const QByteArray old = QByteArray("an old line of the file\n").repeated(2000000); // 48 MB
    for (int delay : {0, 5, 20, 60}) {
        const QString file = WriteFile("big.txt", old);
        SignalledSaveChild child(file);
        ASSERT_EQ(child.Next(), 's');
        std::this_thread::sleep_for(std::chrono::milliseconds(delay));
        ::kill(child.pid, SIGTERM);
        EXPECT_EQ(child.ExitCode(), 128 + SIGTERM) << delay;
        const QByteArray now = ReadFile(file);
        EXPECT_TRUE(now == "new " + old) << delay << ": " << now.size() << " bytes";
        EXPECT_TRUE(CJournalFolder::Left().empty()) << delay; // nothing unsaved was left
    }
}
} // namespace
