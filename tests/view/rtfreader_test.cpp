#include "view/rtfreader.h"

#include <gtest/gtest.h>

#include <string>

namespace {
RtfDocument Read(const std::string& rtf) { return ReadRtf(rtf.data(), rtf.size(), "\n"); }

TEST(RtfReader, TextAndFormattingRuns) {
    const RtfDocument doc = Read(
        "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}"
        "{\\colortbl ;\\red255\\green0\\blue0;}\\pard\\plain\\f0\\fs24 Hello \\b bold\\b0  "
        "\\i it\\i0 \\ul u\\ulnone \\strike s\\strike0\\par\\f1\\fs40\\cf1 Big\\line x\\tab y}");
    EXPECT_EQ(doc.text, "Hello bold itus\nBig\nx\ty");
    ASSERT_GE(doc.runs.size(), 6u);
    EXPECT_FALSE(doc.runs[0].format.bold);
    EXPECT_EQ(doc.text.substr(doc.runs[1].start, doc.runs[1].length), "bold");
    EXPECT_TRUE(doc.runs[1].format.bold);
    const RtfRun& big = doc.runs.back();
    EXPECT_EQ(big.format.halfPoints, 40);
    EXPECT_EQ(doc.fonts[big.format.font], "Courier New");
    EXPECT_EQ(doc.colors[big.format.color], 0xFF0000u);
    size_t covered = 0;
    for (const RtfRun& r : doc.runs) {
        EXPECT_EQ(r.start, covered);
        covered += r.length;
    }
    EXPECT_EQ(covered, doc.text.size());
}

TEST(RtfReader, CodePagesUnicodeAndSkipping) {
    struct {
        std::string rtf;
        std::string text;
    } cases[] = {
        {"{\\rtf1\\ansi caf\\'e9 \\'80}", "caf\xc3\xa9 \xe2\x82\xac"},
        {"{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0}", "\xd0\x9f\xd1\x80"},
        {"{\\rtf1\\uc1 \\u8364? euro}", "\xe2\x82\xac euro"},
        {"{\\rtf1\\uc2 \\u946\\'e1\\'e2 b}", "\xce\xb2 b"},
        {"{\\rtf1\\uc0 \\u945 a}", "\xce\xb1" "a"},
        {"{\\rtf1 \\u-3913?}", "\xef\x82\xb7"},
        {"{\\rtf1 a\\~b\\-c\\_d\\{\\}\\\\}", "a\xc2\xa0" "bc\xe2\x80\x91" "d{}\\"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.rtf).text, c.text) << c.rtf;
}

TEST(RtfReader, DestinationsWithoutBodyTextAreSkipped) {
    const RtfDocument doc = Read(
        "{\\rtf1{\\*\\generator W;}{\\info{\\title T}{\\author A}}{\\stylesheet{\\s0 Normal;}}"
        "{\\header head}{\\footer foot}{\\pict\\pngblip 89504e47}{\\object\\objdata 0102}"
        "{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}} shown{\\*\\unknown hidden}"
        "\\bin3 {}}\\par}");
    EXPECT_EQ(doc.text, "link shown\n");
}

TEST(RtfReader, NestedGroupsRestoreTheirFormatting) {
    const RtfDocument doc = Read("{\\rtf1 a{\\b b{\\i c}d}e}");
    EXPECT_EQ(doc.text, "abcde");
    ASSERT_EQ(doc.runs.size(), 5u);
    EXPECT_TRUE(doc.runs[2].format.bold && doc.runs[2].format.italic);
    EXPECT_TRUE(doc.runs[3].format.bold && !doc.runs[3].format.italic);
    EXPECT_FALSE(doc.runs[4].format.bold);
}

TEST(RtfReader, MalformedInputIsReadAsFarAsItGoes) {
    const std::string deep = std::string(100000, '{') + "x" + std::string(100000, '}');
    struct {
        std::string rtf;
        std::string text;
    } cases[] = {
        {"{\\rtf1 unbalanced}}} more", "unbalanced more"},
        {"{\\rtf1 {\\b truncated", "truncated"},
        {"{\\rtf1 \\fs99999999999999999999 big \\f-5 x\\cf77 y}", "big xy"},
        {"{\\rtf1 \\bin99999999 gone", ""},
        {"{\\rtf1 \\'", ""},
        {"{\\rtf1 \\'4", "\x04"},
        {"{\\rtf1 \\u99999999 z}", "\xef\xbf\xbd"},
        {deep, "x"},
        {"\\", ""},
        {std::string("\0\xff\x01{\\\x80}", 7), "\xc3\xbf\x01\xe2\x82\xac"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.rtf).text, c.text) << c.rtf.substr(0, 40);
}
} // namespace
