// The text core's operations that work in large pieces, on random texts whose sizes cross each
// limit of those pieces (the queue of a bulk replacement, line ends added a batch at a time),
// compared byte for byte with the same work done the plain way.
#include "reference/plaintext.h"
#include "text/hexdump.h"
#include "text/linetransforms.h"
#include "text/replaceall.h"
#include "text/textdocument.h"
#include "text/textloader.h"
#include "text/textsearch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace Plain;

namespace {
std::vector<size_t> LineStartsOf(const CTextDocument& doc) {
    std::vector<size_t> at;
    for (long line = 0; line < doc.LineCount(); ++line)
        at.push_back(static_cast<size_t>(doc.LineStart(line)));
    return at;
}

TEST(TextAtScale, ReplaceAllGivesWhatReplacingOneMatchAtATimeGives) {
    struct Case {
        const char* find;
        const char* with;
        Options options;
        bool backwards;
        bool ranged; // confined to the lines of the middle of the text
    } cases[] = {
        {"ab", "xab", {}, false, false},                               // grows, holds the needle
        {"ab", "", {}, false, false},                                  // empty
        {"ab", "xab", {}, true, false},                                //
        {"needle", "n", {}, false, false},                             // shrinks
        {"needle", "needle needle", {}, true, false},                  //
        {"ab", "a b", {true, true}, false, false},                     // whole words
        {"ab", "", {true, true}, true, false},                         //
        {"caf\xc3\xa9", "CAF\xc3\x89S", {false, false}, false, false}, // folded beyond ASCII
        {"\xcf\x89", "", {false, true}, true, false},                  //
        {"AB", "abab", {false, false}, false, true},                   // in a selection
        {"needle", "", {true, false}, false, true},                    //
    };
    RandomText random(7);
    CTextSearch search;
    int most = 0;      // replacements in one Replace All
    size_t widest = 0; // the span of the most sparse matches
    for (size_t size : Sizes()) {
        const Bytes text = random.Text(size, false);
        const std::vector<size_t> lines = LineStarts(text);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(size) + " [" + c.find + "] -> [" + c.with + "]" +
                         (c.backwards ? " backwards" : "") + (c.ranged ? " ranged" : "") +
                         (c.options.words ? " words" : "") +
                         (c.options.matchCase ? "" : " any case"));
            CTextDocument doc = Holding(text);
            ReplaceAllRequest request;
            request.find = c.find;
            request.with = c.with;
            request.options = {c.options.matchCase, c.options.words};
            request.backwards = c.backwards;
            size_t caret = c.backwards ? text.size() : 0;
            size_t limit = text.size();
            if (c.ranged) {
                caret = lines[lines.size() / 10];
                limit = lines[lines.size() * 9 / 10];
                request.rangeStart = static_cast<long>(caret);
                request.rangeEnd = static_cast<long>(limit);
                request.confined = true;
            }
            request.selMin = request.selMax = static_cast<long>(caret);
            const auto [expected, count] =
                ReplaceAll(text, c.find, c.with, c.options, c.backwards, caret, limit);
            ReplaceAllResult result =
                ::ReplaceAll(doc, search, request, [](double) { return false; });
            EXPECT_EQ(result.found, count);
            EXPECT_TRUE(TextOf(doc) == expected) << FirstDifference(TextOf(doc), expected);
            if (c.ranged)
                EXPECT_EQ(result.rangeEnd, static_cast<long>(limit + expected.size()) -
                                               static_cast<long>(text.size()));
            if (!result.record.empty()) {
                SwapBulk(doc, result.record, true);
                EXPECT_TRUE(TextOf(doc) == text)
                    << "undone: " << FirstDifference(TextOf(doc), text);
                SwapBulk(doc, result.record, false);
                EXPECT_TRUE(TextOf(doc) == expected) << "redone";
            }
            most = std::max(most, count);
            // Matches further apart than this fill a queue's span before its count.
            constexpr size_t kSparse = CBulkReplace::kMaxQueuedSpan / CBulkReplace::kMaxQueuedEdits;
            if (static_cast<size_t>(count) * kSparse < limit - caret)
                widest = std::max(widest, limit - caret);
        }
    }
    // The table crosses both limits of a queue of replacements, more than once.
    EXPECT_GT(most, static_cast<int>(2 * CBulkReplace::kMaxQueuedEdits));
    EXPECT_GT(widest, static_cast<size_t>(2 * CBulkReplace::kMaxQueuedSpan));
}

TEST(TextAtScale, ReplaceAllCancelledLeavesTheTextAsItWas) {
    RandomText random(9);
    const Bytes text = random.Text(Sizes().back(), false);
    CTextDocument doc = Holding(text);
    ReplaceAllRequest request;
    request.find = "ab";
    request.with = "xyz";
    int asked = 0;
    const ReplaceAllResult result =
        ::ReplaceAll(doc, CTextSearch(), request, [&](double) { return ++asked == 300; });
    EXPECT_TRUE(result.cancelled);
    EXPECT_TRUE(TextOf(doc) == text) << FirstDifference(TextOf(doc), text);
}

TEST(TextAtScale, FindGivesThePlainFirstAndLastMatch) {
    RandomText random(11);
    CTextSearch search;
    for (size_t size : Sizes()) {
        const Bytes text = random.Text(size, true);
        const CTextDocument doc = Holding(text);
        for (int round = 0; round < 40; ++round) {
            // A needle taken from the text, so that it is found, sometimes in another case.
            Bytes needle = text.substr(random.Below(text.size() - 8), 1 + random.Below(6));
            const Options o{random.Below(2) == 0, random.Below(3) == 0};
            if (!o.matchCase)
                for (char& ch : needle)
                    if (ch >= 'a' && ch <= 'z')
                        ch = static_cast<char>(ch - 'a' + 'A');
            size_t a = random.Below(text.size()), b = random.Below(text.size() + 1);
            if (a > b)
                std::swap(a, b);
            // A range's ends inside a character move to that character's end.
            while (!Boundary(text, a))
                ++a;
            while (!Boundary(text, b))
                ++b;
            a = std::min(a, b);
            for (bool last : {false, true}) {
                SCOPED_TRACE(std::to_string(size) + " round " + std::to_string(round) +
                             (last ? " last" : " first"));
                const Match m = Find(text, a, b, needle, o, last);
                long end = -1;
                const long p = search.Find(doc, ToQ(needle), {o.matchCase, o.words},
                                           static_cast<long>(a), static_cast<long>(b), last, &end);
                EXPECT_EQ(p, m.start == kNone ? -1L : static_cast<long>(m.start))
                    << "[" << QByteArray::fromStdString(needle).toPercentEncoding(" ").toStdString()
                    << "] case " << o.matchCase << " words " << o.words << " in " << a << "-" << b;
                if (m.start != kNone)
                    EXPECT_EQ(end, static_cast<long>(m.end));
            }
        }
    }
}

// Lines are found as text comes in piece by piece: a CR ending one piece and an LF starting the
// next are one line end, and batches of line ends cross pieces.
TEST(TextAtScale, LineStartsAreThePlainOnesWhateverThePieces) {
    RandomText random(19);
    for (size_t size : Sizes()) {
        SCOPED_TRACE(size);
        const Bytes text = random.Text(size, true);
        CTextDocument doc;
        doc.SetUndoCollection(false);
        for (size_t at = 0; at < text.size();) {
            // Pieces of every size, many of them cut between a CR and an LF.
            size_t piece = 1 + random.Below(random.Below(4) == 0 ? 70000 : 300);
            const size_t cr = text.find('\r', at + piece / 2);
            if (cr != kNone && cr < at + piece && random.Below(2) == 0)
                piece = cr + 1 - at;
            doc.Insert(doc.Length(), ToQ(text.substr(at, piece)));
            at += piece;
        }
        EXPECT_TRUE(TextOf(doc) == text);
        EXPECT_TRUE(LineStartsOf(doc) == LineStarts(text)) << "appended in pieces";
        // Inserted in the middle as well, where the text around joins the piece's ends.
        Bytes edited = text;
        for (int i = 0; i < 200; ++i) {
            const size_t at = random.Below(edited.size() + 1);
            const Bytes piece = random.Text(random.Below(3000), true);
            doc.Insert(static_cast<long>(at), ToQ(piece));
            edited.insert(at, piece);
        }
        EXPECT_TRUE(LineStartsOf(doc) == LineStarts(edited)) << "inserted in the middle";
    }
}
// A file read piece by piece, pieces of every size, into a text: the text shown, its line starts
// and, written back, the file's bytes, in every encoding.
TEST(TextAtScale, LoadsAndSavesGiveBackEveryByteInEveryEncoding) {
    RandomText random(13);
    std::vector<size_t> sizes = Sizes();
    sizes.push_back(1100000); // one line longer than any that is wrapped
    constexpr long kWrapLimit = 1000000;
    for (size_t size : sizes) {
        const bool oneLine = size == sizes.back();
        for (const EncodedFile& c : EncodedFiles(random, size, oneLine)) {
            SCOPED_TRACE(std::to_string(size) + " " + c.name);
            CTextLoader loader(0x7FFFFFF0L, static_cast<int64_t>(c.file.size()), kWrapLimit);
            for (size_t at = 0; at < c.file.size();) {
                const size_t piece = std::min(c.file.size() - at, 1 + random.Below(400000));
                ASSERT_TRUE(loader.Feed(c.file.data() + at, static_cast<long>(piece)));
                at += piece;
            }
            std::optional<LoadedText> loaded = loader.Finish([](double) {});
            ASSERT_TRUE(loaded);
            EXPECT_TRUE(TextOf(loaded->text) == c.shown)
                << FirstDifference(TextOf(loaded->text), c.shown);
            EXPECT_TRUE(LineStartsOf(loaded->text) == LineStarts(c.shown)) << "line starts";
            // Random bytes have line ends of their own.
            EXPECT_EQ(loaded->overlongLine, oneLine && std::string(c.name) != "Windows-1252");
            Bytes written;
            char32_t refused = 0;
            EXPECT_TRUE(WriteText(
                loaded->text, 0, loaded->text.Length(), loaded->encoding, true,
                [&](const char* data, long n) {
                    written.append(data, static_cast<size_t>(n));
                    return true;
                },
                &refused));
            EXPECT_TRUE(written == c.file) << FirstDifference(written, c.file);
        }
    }
}

TEST(TextAtScale, ALoadPastTheLimitIsRefused) {
    CTextLoader loader(100, -1, 1000);
    EXPECT_TRUE(loader.Feed(Bytes(60, 'a').data(), 60));
    EXPECT_FALSE(loader.Feed(Bytes(60, 'a').data(), 60));
    // Decoded, a text can pass the limit its file did not.
    CTextLoader decoded(100, -1, 1000);
    const Bytes latin(90, '\xe9'); // each a character of two bytes in UTF-8
    ASSERT_TRUE(decoded.Feed(latin.data(), 90));
    EXPECT_FALSE(decoded.Finish([](double) {}));
}
TEST(TextAtScale, IndentingLinesGivesThePlainResult) {
    RandomText random(17);
    for (size_t size : Sizes()) {
        const Bytes text = random.Text(size, true);
        const std::vector<size_t> lines = LineStarts(text);
        const size_t first = lines.size() / 5, last = lines.size() * 4 / 5;
        for (bool increase : {true, false}) {
            SCOPED_TRACE(std::to_string(size) + (increase ? " indent" : " unindent"));
            Bytes expected;
            for (size_t line = 0; line < lines.size(); ++line) {
                const size_t end = line + 1 < lines.size() ? lines[line + 1] : text.size();
                Bytes l = text.substr(lines[line], end - lines[line]);
                if (line >= first && line <= last) {
                    if (increase)
                        l = "\t" + l;
                    else if (!l.empty() && (l[0] == ' ' || l[0] == '\t'))
                        l = l.substr(1);
                }
                expected += l;
            }
            CTextDocument doc = Holding(text);
            const long selMax = static_cast<long>(lines[last]) + 1;
            const auto [start, end] =
                IndentLines(doc, static_cast<long>(first), static_cast<long>(last), increase,
                            static_cast<long>(lines[first]), selMax);
            EXPECT_TRUE(TextOf(doc) == expected) << FirstDifference(TextOf(doc), expected);
        }
    }
}

TEST(TextAtScale, TheHexDumpIsThePlainOne) {
    RandomText random(23);
    for (size_t size : {size_t(1), size_t(15), size_t(16), size_t(17), Sizes()[1] + 7}) {
        Bytes bytes;
        for (size_t i = 0; i < size; ++i)
            bytes += static_cast<char>(random.Below(256));
        Bytes dump(static_cast<size_t>(HexDump::DumpLength(static_cast<int64_t>(size))), '\0');
        const size_t n = HexDump::FormatLines(reinterpret_cast<const uint8_t*>(bytes.data()),
                                              bytes.size(), dump.data());
        EXPECT_EQ(n, dump.size());
        const Bytes plain = Plain::HexDump(bytes);
        EXPECT_TRUE(dump == plain) << size << " " << FirstDifference(dump, plain);
    }
}
} // namespace

// Rooms of many megabytes (the text's and its line index's) are made ready by a thread of their
// own while they are filled, and a text that outgrows its room moves to a larger one while that
// thread may still be at work. Then the place of the next edit is moved there a slice at a time.
TEST(TextAtScale, BigRoomsAndEditsPreparedInSlicesKeepEveryByte) {
    RandomText random(23);
    const Bytes block = random.Text(1 << 20, true);
    Bytes text;
    for (int i = 0; text.size() < (size_t(150) << 20); ++i)
        text += block.substr(random.Below(block.size() / 2), 1 << 19) + std::to_string(i);
    // Short lines, so that the line index outgrows a room of 64 MiB as well.
    for (size_t at = 0; at < text.size(); at += 1 + random.Below(30))
        text[at] = '\n';
    CTextDocument doc = CTextDocument::WithRoom(size_t(70) << 20);
    for (size_t at = 0; at < text.size(); at += 1 << 20) {
        const size_t piece = std::min<size_t>(1 << 20, text.size() - at);
        ASSERT_TRUE(doc.Append(text.data() + at, static_cast<long>(piece)));
    }
    ASSERT_TRUE(TextOf(doc) == text);
    ASSERT_TRUE(LineStartsOf(doc) == LineStarts(text));

    const long most = 7 << 20;
    for (const long at : {1000L, static_cast<long>(text.size()) - 5, 64L << 20, 0L}) {
        SCOPED_TRACE(at);
        long left = doc.PrepareEditAt(at, 0);
        int slices = 0;
        while (left > 0) {
            const long now = doc.PrepareEditAt(at, most);
            EXPECT_EQ(now, std::max(0L, left - most));
            left = now;
            ++slices;
        }
        EXPECT_LE(slices, static_cast<long>(text.size()) / most + 1);
        doc.Insert(at, "edit");
        text.insert(static_cast<size_t>(at), "edit");
        EXPECT_EQ(doc.PrepareEditAt(at + 4, 0), 0) << "the edit left its place there";
    }
    EXPECT_TRUE(TextOf(doc) == text);
    EXPECT_TRUE(LineStartsOf(doc) == LineStarts(text));
}
