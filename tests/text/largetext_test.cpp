// A text just past 2 GiB: positions, lines, search, Replace All and writing beyond the mark
// where 32-bit positions would wrap.
#include "reference/plaintext.h"
#include "text/replaceall.h"
#include "text/textdocument.h"
#include "text/textloader.h"
#include "text/textsearch.h"

#include <gtest/gtest.h>

#include <string>

using namespace Plain;

namespace {
constexpr long kLineLength = kNumberedLineLength;
constexpr long kLines = kPastTwoGiBLines;

TEST(LargeText, PastTwoGiBPositionsLinesSearchReplaceAndWritingHold) {
    const long size = kLines * kLineLength;
    CTextDocument doc = CTextDocument::WithRoom(LoadRoom(static_cast<size_t>(size)));
    std::string piece;
    for (long i = 0; i < kLines; ++i) {
        piece += NumberedLine(i);
        if (piece.size() >= (1 << 20) || i + 1 == kLines) {
            ASSERT_TRUE(doc.Append(piece.data(), static_cast<long>(piece.size())));
            piece.clear();
        }
    }
    ASSERT_EQ(doc.Length(), size);
    ASSERT_EQ(doc.LineCount(), kLines + 1);
    const long far = kTwoGiB / kLineLength + 1000; // a line past the mark
    EXPECT_EQ(doc.LineStart(far), far * kLineLength);
    EXPECT_EQ(doc.Range(far * kLineLength, far * kLineLength + 14), "line 021475836");

    CTextSearch search;
    const QByteArray number = QByteArray::fromStdString(NumberedLine(far).substr(0, 14));
    long end = -1;
    EXPECT_EQ(search.Find(doc, number, {true, false, false}, 0, -1, false, &end),
              far * kLineLength);
    EXPECT_EQ(end, far * kLineLength + 14);
    EXPECT_EQ(search.Find(doc, "^line 0214748\\d\\d alpha", {false, false, true}, kTwoGiB, -1,
                          false),
              kTwoGiB / kLineLength * kLineLength + kLineLength); // the first line after the mark
    EXPECT_EQ(search.Find(doc, "LINE \\d+ ALPHA", {false, false, true}, 0, -1, true),
              size - kLineLength);

    // Replace All over 100,000 lines across the mark: more than one queue's span.
    const long first = kTwoGiB / kLineLength - 50000, count = 100000;
    ReplaceAllRequest request;
    request.find = "(al)pha";
    request.with = "\\1PHA!";
    request.options = {true, false, true};
    request.selMin = request.selMax = request.rangeStart = first * kLineLength;
    request.rangeEnd = (first + count) * kLineLength;
    request.confined = true;
    const ReplaceAllResult result = ReplaceAll(doc, search, request, [](double) { return false; });
    EXPECT_EQ(result.found, count);
    EXPECT_EQ(doc.Length(), size + count);

    // Written out, the text is every line as it should be, byte for byte.
    std::string want;
    long line = 0;
    long at = 0;
    bool same = true;
    const auto write = [&](const char* data, long n) {
        for (long done = 0; done < n && same;) {
            if (want.empty()) {
                want = NumberedLine(line);
                if (line >= first && line < first + count)
                    want.replace(15, 5, "alPHA!");
                ++line;
            }
            const long take = std::min<long>(n - done, static_cast<long>(want.size()));
            same = want.compare(0, static_cast<size_t>(take), data + done,
                                static_cast<size_t>(take)) == 0;
            if (!same)
                ADD_FAILURE() << "differs in the piece at " << at + done;
            want.erase(0, static_cast<size_t>(take));
            done += take;
        }
        at += n;
        return same;
    };
    char32_t refused = 0;
    EXPECT_TRUE(WriteText(doc, 0, doc.Length(), TextEncoding::Utf8, false, write, &refused));
    EXPECT_EQ(line, kLines);
    EXPECT_TRUE(want.empty());
}
} // namespace
