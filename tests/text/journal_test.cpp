// The journal of unsaved edits: replayed onto the text it started from, it gives back the text
// as it was after the last record written whole, whatever made the changes and wherever the file
// was cut.
#include "reference/plaintext.h"
#include "text/journal.h"
#include "text/replaceall.h"
#include "text/textsearch.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

using namespace Plain;

namespace {
JournalOrigin SomeOrigin() {
    JournalOrigin o;
    o.path = QByteArray("/home/u/caf\xe9 \n.txt"); // any bytes
    o.size = 123456789012;
    o.mtimeNs = -5;
    o.device = 0xFFFFFFFFFFFFFFFFULL;
    o.inode = 42;
    o.hash = 0x0123456789ABCDEFULL;
    o.startedSecs = 1765400000;
    o.pid = 4242;
    o.readAs = "KOI8-R";
    return o;
}

class JournalTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString File(const char* name = "j") const { return dir.filePath(QString::fromUtf8(name)); }
};

TEST(ContentHash, TheSameBytesHashAlikeHoweverTheyAreCut) {
    RandomText random(3);
    const Bytes text = random.Text(100000, true);
    CContentHash whole;
    whole.Feed(text.data(), text.size());
    for (size_t piece : {1u, 3u, 7u, 8u, 9u, 4096u, 65537u}) {
        CContentHash cut;
        for (size_t i = 0; i < text.size(); i += piece)
            cut.Feed(text.data() + i, std::min(piece, text.size() - i));
        EXPECT_EQ(cut.Value(), whole.Value()) << piece;
    }
    // One byte changed, one added, or a NUL added at the end: another value.
    for (Bytes other : {text, text + "x", text + '\0'}) {
        if (other == text)
            other[50000] ^= 1;
        CContentHash h;
        h.Feed(other.data(), other.size());
        EXPECT_NE(h.Value(), whole.Value());
    }
}

TEST_F(JournalTest, ReplayGivesBackTheTextAfterEveryKindOfChange) {
    RandomText random(11);
    CTextSearch search;
    for (size_t size : {size_t(0), size_t(5000), size_t(300000)}) {
        const Bytes base = random.Text(size, true);
        CTextDocument doc = Holding(base);
        const QString file = File(("j" + std::to_string(size)).c_str());
        std::unique_ptr<CJournalWriter> journal = CJournalWriter::Start(file, SomeOrigin(), doc);
        ASSERT_TRUE(journal);
        for (int i = 0; i < 300; ++i) {
            const long length = doc.Length();
            const long pos = static_cast<long>(random.Below(static_cast<size_t>(length) + 1));
            switch (random.Below(4)) {
            case 0: // typing
                doc.Insert(pos, ToQ(random.Text(1 + random.Below(3), true)));
                break;
            case 1: // a paste bigger than a read piece of the journal, now and then
                doc.Insert(pos, ToQ(random.Text(random.Below(20) == 0 ? 70000 : 200, true)));
                break;
            default:
                doc.Delete(pos, static_cast<long>(random.Below(
                                    static_cast<size_t>(std::min(length - pos, 5000L)) + 1)));
            }
        }
        // Replace All, and its undoing and redoing, which swap what it replaced piece by piece.
        ReplaceAllRequest request;
        request.find = "ab";
        request.with = "xab";
        ReplaceAllResult result = ReplaceAll(doc, search, request, [](double) { return false; });
        SwapBulk(doc, result.record, true);
        SwapBulk(doc, result.record, false);
        EXPECT_FALSE(journal->Failed());
        EXPECT_TRUE(journal->Commit());
        EXPECT_FALSE(journal->HasUncommitted());
        journal.reset(); // stops recording: the file stays

        CTextDocument replayed = Holding(base);
        EXPECT_GT(ReplayJournal(file, replayed), 100);
        EXPECT_TRUE(TextOf(replayed) == TextOf(doc))
            << size << ": " << FirstDifference(TextOf(replayed), TextOf(doc));
        JournalOrigin origin;
        ASSERT_TRUE(ReadJournalOrigin(file, origin));
        EXPECT_TRUE(origin == SomeOrigin());
    }
}

TEST_F(JournalTest, AFileCutAnywhereGivesTheTextAsOfTheLastWholeCommit) {
    RandomText random(5);
    const Bytes base = random.Text(2000, false);
    CTextDocument doc = Holding(base);
    std::unique_ptr<CJournalWriter> journal = CJournalWriter::Start(File(), SomeOrigin(), doc);
    ASSERT_TRUE(journal);
    // The text after each commit, and where the file ended then.
    std::vector<std::pair<uint64_t, Bytes>> after{{journal->Written(), base}};
    for (int i = 0; i < 12; ++i) {
        const long pos = static_cast<long>(random.Below(static_cast<size_t>(doc.Length())));
        if (i % 3 == 2)
            doc.Delete(pos, std::min(7L, doc.Length() - pos));
        else
            doc.Insert(pos, ToQ(random.Text(1 + random.Below(40), true)));
        journal->Commit();
        after.push_back({journal->Written(), TextOf(doc)});
    }
    journal.reset();
    QFile whole(File());
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    ASSERT_EQ(static_cast<uint64_t>(bytes.size()), after.back().first);
    for (qsizetype cut = static_cast<qsizetype>(after.front().first); cut <= bytes.size(); ++cut) {
        QFile part(File("part"));
        ASSERT_TRUE(part.open(QIODevice::WriteOnly | QIODevice::Truncate));
        part.write(bytes.left(cut));
        part.close();
        size_t whole = 0;
        while (whole + 1 < after.size() && after[whole + 1].first <= static_cast<uint64_t>(cut))
            ++whole;
        CTextDocument replayed = Holding(base);
        EXPECT_EQ(ReplayJournal(File("part"), replayed), static_cast<long>(whole)) << cut;
        EXPECT_EQ(TextOf(replayed), after[whole].second) << cut;
    }
    // A byte changed inside the fifth change: the four before it only.
    QByteArray damaged = bytes;
    damaged[static_cast<qsizetype>(after[4].first) + 9] ^= 0x20;
    QFile part(File("part"));
    ASSERT_TRUE(part.open(QIODevice::WriteOnly | QIODevice::Truncate));
    part.write(damaged);
    part.close();
    CTextDocument replayed = Holding(base);
    EXPECT_EQ(ReplayJournal(File("part"), replayed), 4);
    EXPECT_EQ(TextOf(replayed), after[4].second);
}

TEST_F(JournalTest, WhatIsNoJournalOrNotItsTextIsRefused) {
    CTextDocument doc = Holding("0123456789");
    std::unique_ptr<CJournalWriter> journal = CJournalWriter::Start(File(), SomeOrigin(), doc);
    ASSERT_TRUE(journal);
    // Private to its owner, and never made over another file.
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(File()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(CJournalWriter::Start(File(), SomeOrigin(), doc), nullptr);
    doc.Delete(8, 2);
    journal->Commit();
    journal.reset();

    CTextDocument shorter = Holding("0123");
    EXPECT_EQ(ReplayJournal(File(), shorter), -1); // the deletion lies past its end
    CTextDocument other = Holding("");
    QFile plain(File("plain"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.write("ZORVEK JOURNAL 2\nsomething else");
    plain.close();
    JournalOrigin origin;
    EXPECT_FALSE(ReadJournalOrigin(File("plain"), origin));
    EXPECT_EQ(ReplayJournal(File("plain"), other), -1);
    EXPECT_EQ(ReplayJournal(File("missing"), other), -1);
    // Discarded: gone.
    std::unique_ptr<CJournalWriter> again = CJournalWriter::Start(File("again"), SomeOrigin(), doc);
    ASSERT_TRUE(again);
    again->Discard();
    EXPECT_FALSE(QFile::exists(File("again")));
}
} // namespace

namespace {
TEST_F(JournalTest, LeftJournalsAreThoseNoProcessHoldsAndAResumedOneGoesOn) {
    CJournalFolder::SetRoot(dir.path());
    const Bytes base = "one two three";
    CTextDocument doc = Holding(base);
    std::unique_ptr<CJournalWriter> held =
        CJournalWriter::Start(CJournalFolder::NewFile(), SomeOrigin(), doc);
    ASSERT_TRUE(held);
    doc.Insert(3, "!");
    held->Commit();
    doc.Insert(0, "uncommitted");
    EXPECT_TRUE(CJournalFolder::Left().empty()); // this process holds it
    const QString file = held->FileName();
    held.reset(); // as a crash leaves it
    // One with no change, from long ago: nothing to offer, removed.
    CTextDocument unchanged = Holding(base);
    const QString empty = CJournalFolder::NewFile();
    CJournalWriter::Start(empty, SomeOrigin(), unchanged).reset();
    const QByteArray emptyNative = QFile::encodeName(empty);
    struct timespec old[2] = {{1000, 0}, {1000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, emptyNative.constData(), old, 0), 0);

    std::vector<LeftJournal> left = CJournalFolder::Left();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].file, file);
    EXPECT_EQ(left[0].changes, 1);
    EXPECT_TRUE(left[0].origin == SomeOrigin());
    EXPECT_FALSE(QFile::exists(empty));

    // A write cut short at the end: resumed, the cut is dropped and new changes follow.
    QFile torn(file);
    ASSERT_TRUE(torn.open(QIODevice::Append));
    torn.write("I\x30\x00\x00\x00partial", 12);
    torn.close();
    CTextDocument recovered = Holding(base);
    ASSERT_EQ(ReplayJournal(file, recovered), 1);
    std::unique_ptr<CJournalWriter> resumed = CJournalWriter::Resume(file, recovered);
    ASSERT_TRUE(resumed);
    EXPECT_EQ(CJournalWriter::Resume(file, recovered), nullptr); // held
    recovered.Delete(0, 4);
    resumed->Commit();
    resumed.reset();
    CTextDocument again = Holding(base);
    EXPECT_EQ(ReplayJournal(file, again), 2);
    EXPECT_EQ(TextOf(again), " two three");
    CJournalFolder::SetRoot(QString());
}

// From the first change on, a copy of the origin's file is kept beside the journal, made in a
// thread; a file that is not the origin any more leaves no copy.
TEST_F(JournalTest, AJournalKeepsACopyOfItsOriginFromTheFirstChange) {
    const QByteArray content = QByteArray("the file as it was loaded\n").repeated(100000);
    for (bool changedMeanwhile : {false, true}) {
        QFile source(File("source"));
        ASSERT_TRUE(source.open(QIODevice::WriteOnly | QIODevice::Truncate));
        source.write(content);
        source.close();
        CContentHash hash;
        hash.Feed(content.constData(), static_cast<size_t>(content.size()));
        CTextDocument doc = Holding(ToBytes(content));
        const QString file = File(changedMeanwhile ? "changed" : "same");
        std::unique_ptr<CJournalWriter> journal = CJournalWriter::Start(file, SomeOrigin(), doc);
        ASSERT_TRUE(journal);
        journal->KeepBase(File("source"), content.size(), hash.Value());
        EXPECT_FALSE(QFile::exists(CJournalWriter::BaseOf(file))); // no change yet
        if (changedMeanwhile) {
            ASSERT_TRUE(source.open(QIODevice::Append));
            source.write("appended");
            source.close();
        }
        doc.Insert(0, "x");
        journal.reset(); // waits for the copy
        QFile copy(CJournalWriter::BaseOf(file));
        EXPECT_EQ(copy.exists(), !changedMeanwhile);
        if (!changedMeanwhile) {
            ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
            EXPECT_TRUE(copy.readAll() == content);
        }
    }
    // A FIFO has no content to copy: nothing waits for a writer that never comes.
    ASSERT_EQ(mkfifo(QFile::encodeName(File("fifo")).constData(), 0600), 0);
    CTextDocument doc = Holding("");
    std::unique_ptr<CJournalWriter> journal =
        CJournalWriter::Start(File("of-fifo"), SomeOrigin(), doc);
    ASSERT_TRUE(journal);
    journal->KeepBase(File("fifo"), 0, 0);
    doc.Insert(0, "x");
    journal.reset();
    EXPECT_FALSE(QFile::exists(CJournalWriter::BaseOf(File("of-fifo"))));
}
} // namespace

// Replace All rewrites the text a span of megabytes at a time; its undoing and redoing swap those
// spans back and forth. The journal keeps what changed in each span, not the span, whether the
// matches are dense (a span is shorter) or sparse (the places are), over texts past the limits of
// a span.
TEST_F(JournalTest, BulkReplacementsAreJournalledByWhatTheyChange) {
    RandomText random(29);
    CTextSearch search;
    for (size_t size : Sizes()) {
        Bytes base = random.Text(size, true);
        for (size_t at = 0; at + 6 < base.size(); at += 3000 + random.Below(3000))
            base.replace(at, 6, "SPARSE");
        for (const char* find : {"needle", "SPARSE"}) {
            SCOPED_TRACE(std::to_string(size) + " " + find);
            CTextDocument doc = Holding(base);
            const QString file = File(("b" + std::to_string(size) + find).c_str());
            std::unique_ptr<CJournalWriter> journal =
                CJournalWriter::Start(file, SomeOrigin(), doc);
            ASSERT_TRUE(journal);
            const uint64_t before = journal->Written();
            ReplaceAllRequest request;
            request.find = find;
            request.with = "x";
            ReplaceAllResult result =
                ReplaceAll(doc, search, request, [](double) { return false; });
            SwapBulk(doc, result.record, true);
            SwapBulk(doc, result.record, false);
            if (find[0] == 'S') // three times the few changes, and their headers
                EXPECT_LT(journal->Written() - before, 3 * (size / 3000 * 40) + 1000);
            EXPECT_LE(journal->Written() - before, 3 * size + 1000);
            ASSERT_TRUE(journal->Commit());
            journal.reset();
            CTextDocument replayed = Holding(base);
            EXPECT_GT(ReplayJournal(file, replayed), 0);
            EXPECT_TRUE(TextOf(replayed) == TextOf(doc))
                << FirstDifference(TextOf(replayed), TextOf(doc));
        }
    }
}
