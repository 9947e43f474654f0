#include "text/rtfreader.h"
#include "text/textloader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
RtfDocument Read(const std::string& rtf) {
    return ReadRtf(rtf.data(), rtf.size(), "\n");
}

struct Piece {
    std::string text;
    RtfFormat format;
};

// The runs with their text and format; checks that they cover the text in order.
std::vector<Piece> Pieces(const RtfDocument& doc) {
    std::vector<Piece> pieces;
    size_t covered = 0;
    for (const RtfRun& run : doc.runs) {
        EXPECT_GT(run.length, 0u);
        EXPECT_LT(run.format, doc.formats.size());
        pieces.push_back({doc.text.substr(covered, run.length), doc.formats.at(run.format)});
        covered += run.length;
    }
    EXPECT_EQ(covered, doc.text.size());
    return pieces;
}

TEST(RtfReader, TextAndFormattingRuns) {
    const RtfDocument doc = Read(
        "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fmodern Courier New;}}"
        "{\\colortbl ;\\red255\\green0\\blue0;}\\pard\\plain\\f0\\fs24 Hello \\b bold\\b0  "
        "\\i it\\i0 \\ul u\\ulnone \\strike s\\strike0\\par\\f1\\fs40\\cf1 Big\\line x\\tab y}");
    EXPECT_EQ(doc.text, "Hello bold itus\nBig\nx\ty");
    const std::vector<Piece> pieces = Pieces(doc);
    ASSERT_GE(pieces.size(), 6u);
    EXPECT_FALSE(pieces[0].format.bold);
    EXPECT_EQ(pieces[1].text, "bold");
    EXPECT_TRUE(pieces[1].format.bold);
    const RtfFormat& big = pieces.back().format;
    EXPECT_EQ(big.halfPoints, 40);
    EXPECT_EQ(doc.fonts[big.font], "Courier New");
    EXPECT_EQ(doc.colors[big.color], 0xFF0000u);
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
        {"{\\rtf1\\uc0 \\u945 a}", "\xce\xb1"
                                   "a"},
        {"{\\rtf1 \\u-3913?}", "\xef\x82\xb7"},
        {"{\\rtf1 a\\~b\\-c\\_d\\{\\}\\\\}", "a\xc2\xa0"
                                             "bc\xe2\x80\x91"
                                             "d{}\\"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.rtf).text, c.text) << c.rtf;
}

// One word in each character set, as word processors write it: the bytes of a font that names
// its character set are read in that set's code page, whatever the document's code page is.
TEST(RtfReader, EachFontReadsItsBytesInTheCodePageOfItsCharacterSet) {
    struct {
        int charset;
        std::string bytes;
        std::string text;
    } cases[] = {
        {238, "\\'a3\\'f3d\\'9f",
         "\xc5\x81\xc3\xb3"
         "d\xc5\xba"}, // Łódź
        {204, "\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2", "Привет"},
        {0, "Caf\\'e9", "Café"}, // the document's
        {161, "\\'ca\\'e1\\'eb\\'e7\\'ec\\'dd\\'f1\\'e1", "Καλημέρα"},
        {162, "\\'deeker", "Şeker"},
        {177, "\\'f9\\'ec\\'e5\\'ed", "שלום"},
        {178, "\\'e3\\'d1\\'cd\\'c8\\'c7", "مرحبا"},
        {186, "A\\'e8i\\'fb", "Ačiū"},
        {163, "Vi\\'ea\\'f2t", "Việt"}, // the accent joins the letter before it
        {222, "\\'ca\\'c7\\'d1\\'ca\\'b4\\'d5", "สวัสดี"},
        {128, "\\'93\\'fa\\'96\\'7b\\'8c\\'ea\\'83A", "日本語ア"}, // a second byte may be plain
        {134, "\\'d6\\'d0\\'ce\\'c4", "中文"},
        {129, "\\'c7\\'d1\\'b1\\'b9\\'be\\'ee", "한국어"},
        {136, "\\'a4\\'a4\\'b5\\'d8", "中華"},
    };
    for (const auto& c : cases) {
        const std::string rtf = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset" +
                                std::to_string(c.charset) + " X;}}\\f1 " + c.bytes + "\\f0 .}";
        EXPECT_EQ(Read(rtf).text, c.text + ".") << rtf;
    }
}

TEST(RtfReader, CodePageComesFromCpgThenCharsetThenTheDocument) {
    struct {
        std::string rtf;
        std::string text;
    } cases[] = {
        // \cpg outranks \fcharset.
        {"{\\rtf1{\\fonttbl{\\f0\\fcharset0\\cpg1251 A;}}\\f0 \\'e0}", "а"},
        // Charsets 0 and 1 (ANSI, default) and unknown ones leave the document's code page.
        {"{\\rtf1\\ansicpg1251{\\fonttbl{\\f0\\fcharset1 A;}}\\f0 \\'e0}", "а"},
        {"{\\rtf1\\ansicpg1251{\\fonttbl{\\f0\\fcharset99 A;}}\\f0 \\'e0}", "а"},
        // The default font's set holds where no \f is given, and after \plain.
        {"{\\rtf1\\deff1{\\fonttbl{\\f0 A;}{\\f1\\fcharset204 B;}}\\'e0\\f0\\'e0\\plain\\'e0}",
         "аàа"},
        // A group ends its font, and with it its code page.
        {"{\\rtf1{\\fonttbl{\\f1\\fcharset161 G;}}{\\f1 \\'e1}\\'e1}", "αá"},
        // A lead byte cut off by other text, or last, is one U+FFFD; a known code page unknown
        // to iconv reads as Windows-1252.
        {"{\\rtf1{\\fonttbl{\\f1\\fcharset128 J;}}\\f1 \\'93\\par\\'93}",
         "\xef\xbf\xbd\n\xef\xbf\xbd"},
        {"{\\rtf1\\ansicpg99999 \\'e9}", "é"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.rtf).text, c.text) << c.rtf;
    // Font names are read in their font's code page too.
    const RtfDocument doc =
        Read("{\\rtf1{\\fonttbl{\\f0\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}}\\f0 x}");
    ASSERT_EQ(doc.fonts.size(), 1u);
    EXPECT_EQ(doc.fonts[0], "宋体");
    // A letter waiting for an accent keeps the format it was written in.
    const std::vector<Piece> pieces =
        Pieces(Read("{\\rtf1{\\fonttbl{\\f0\\fcharset163 V;}}\\f0{\\b a}b\\i c}"));
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_TRUE(pieces[0].text == "a" && pieces[0].format.bold);
    EXPECT_TRUE(pieces[1].text == "b" && !pieces[1].format.bold && !pieces[1].format.italic);
}

TEST(RtfReader, SurrogatePairsJoinAndLoneSurrogatesAreReplaced) {
    const std::string kEmoji = "\xf0\x9f\x98\x80"; // U+1F600
    const std::string kBad = "\xef\xbf\xbd";
    struct {
        std::string rtf;
        std::string text;
    } cases[] = {
        {"{\\rtf1 \\u-10179?\\u-8704?}", kEmoji},
        {"{\\rtf1\\uc2 \\u55357\\'3f\\'3f\\u56832\\'3f\\'3f!}", kEmoji + "!"},
        {"{\\rtf1 \\u-10179?x}", kBad + "x"}, // a high surrogate alone
        {"{\\rtf1 \\u-10179?}", kBad},        // and last
        {"{\\rtf1 \\u-8704?x}", kBad + "x"},  // a low one alone
        {"{\\rtf1 \\u-10179?\\u-10179?\\u-8704?}", kBad + kEmoji},
        {"{\\rtf1 \\u-10179?\\par\\u-8704?}", kBad + "\n" + kBad},
        {"{\\rtf1 {\\u-10179?}\\u-8704?}", kBad + kBad},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.rtf).text, c.text) << c.rtf;
}

TEST(RtfReader, HiddenTextPicturesAndObjects) {
    const std::string kPicture = "\xe2\x96\xa3"; // ▣
    struct {
        std::string rtf;
        std::string text;
    } cases[] = {
        {"{\\rtf1 a\\v hidden\\par\\u66?\\v0 b{\\v c}d}", "abd"},
        {"{\\rtf1 \\v a\\plain b}", "b"},
        {"{\\rtf1 x{\\pict\\pngblip 89504e470d0a}y}", "x" + kPicture + "y"},
        // Word's picture and its older stand-in: one picture.
        {"{\\rtf1 x{\\*\\shppict{\\pict{\\*\\picprop{\\sp{\\sn a}{\\sv b}}}\\pngblip 00}}"
         "{\\nonshppict{\\pict\\wmetafile8 00}}y}",
         "x" + kPicture + "y"},
        {"{\\rtf1 x{\\v{\\pict 00}}{\\header{\\pict 00}}y}", "xy"},
        {"{\\rtf1 x{\\object\\objemb{\\*\\objclass Excel}{\\*\\objdata 0102}"
         "{\\result{\\pict 00}}}y}",
         "x" + kPicture + "y"},
        {"{\\rtf1 x{\\object\\objemb text{\\*\\objdata 0102}}y}", "xy"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.rtf).text, c.text) << c.rtf;
}

TEST(RtfReader, DefaultFontIsUsedUntilAnotherIsChosenAndAfterPlain) {
    const RtfDocument doc = Read("{\\rtf1\\deff1{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}}"
                                 "a\\f0 b\\plain c{\\f0\\b d}e}");
    const std::vector<Piece> pieces = Pieces(doc);
    ASSERT_EQ(pieces.size(), 5u);
    const char* fonts[] = {"Times New Roman", "Arial", "Times New Roman", "Arial",
                           "Times New Roman"};
    for (size_t i = 0; i < pieces.size(); ++i)
        EXPECT_EQ(doc.fonts.at(pieces[i].format.font), fonts[i]) << pieces[i].text;
    // Without \deff the control's own font applies.
    EXPECT_EQ(Pieces(Read("{\\rtf1{\\fonttbl{\\f0 Arial;}}a}"))[0].format.font, -1);
}

TEST(RtfReader, RunsAreCompact) {
    // Equal neighbours merge, each format is stored once, and a long stretch takes several runs.
    const RtfDocument doc = Read("{\\rtf1 a{\\b b}{\\b c}\\b0 d\\b e\\b0\\i0 f}");
    EXPECT_EQ(doc.text, "abcdef");
    ASSERT_EQ(doc.runs.size(), 5u);
    EXPECT_EQ(doc.formats.size(), 2u);
    EXPECT_EQ(doc.runs[1].length, 2u);
    const std::string longText(200000, 'x');
    const RtfDocument big = Read("{\\rtf1 " + longText + "}");
    EXPECT_EQ(big.text, longText);
    EXPECT_EQ(big.runs.size(), 4u);
    EXPECT_EQ(big.formats.size(), 1u);
    Pieces(big);
}

TEST(RtfReader, DestinationsWithoutBodyTextAreSkipped) {
    const RtfDocument doc =
        Read("{\\rtf1{\\*\\generator W;}{\\info{\\title T}{\\author A}}{\\stylesheet{\\s0 Normal;}}"
             "{\\header head}{\\footer foot}{\\object\\objdata 0102}"
             "{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}} shown{\\*\\unknown hidden}"
             "\\bin3 {}}\\par}");
    EXPECT_EQ(doc.text, "link shown\n");
}

TEST(RtfReader, NestedGroupsRestoreTheirFormatting) {
    const RtfDocument doc = Read("{\\rtf1 a{\\b b{\\i c}d}e}");
    EXPECT_EQ(doc.text, "abcde");
    const std::vector<Piece> pieces = Pieces(doc);
    ASSERT_EQ(pieces.size(), 5u);
    EXPECT_TRUE(pieces[2].format.bold && pieces[2].format.italic);
    EXPECT_TRUE(pieces[3].format.bold && !pieces[3].format.italic);
    EXPECT_FALSE(pieces[4].format.bold);
}

TEST(RtfReader, MalformedInputIsReadAsFarAsItGoes) {
    const std::string deep = std::string(100000, '{') + "x" + std::string(100000, '}');
    struct {
        std::string rtf;
        std::string text;
    } cases[] = {
        {"{\\rtf1 unbalanced}}} more", "unbalanced more"},
        {" \r\n\t{\\rtf1 lead}", "lead"},
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

TEST(RtfReader, OnlyAStartOfRtfAfterWhiteSpaceIsRichText) {
    struct {
        std::string start;
        RtfSignature signature;
    } cases[] = {
        {"{\\rtf1\\ansi x}", RtfSignature::Rich},
        {" \t\r\n{\\rtf", RtfSignature::Rich},
        {"{\\rt", RtfSignature::Undecided},
        {"  \n", RtfSignature::Undecided},
        {"", RtfSignature::Undecided},
        {"hello {\\rtf1}", RtfSignature::Plain},
        {"{\\RTF1", RtfSignature::Plain},
        {"\xef\xbb\xbf{\\rtf1", RtfSignature::Plain},
        {"{ \\rtf1", RtfSignature::Plain},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RtfSignatureOf(c.start.data(), c.start.size()), c.signature) << c.start;
}
} // namespace

TEST(RtfReader, LoadedAsAStyledTextWithTheSourcesLineEnds) {
    std::string source = "{\\rtf1\\ansi\r\n{\\b Bold}\\par\r\nplain\\line \x01 end}";
    const std::optional<LoadedRichText> loaded = LoadRichText(std::move(source), 4);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->lineEnd, LineEnd::CrLf);
    EXPECT_EQ(loaded->text.Range(0, loaded->text.Length()), QByteArray("Bold\r\nplain\r\n\x01 end"));
    EXPECT_TRUE(loaded->overlongLine); // "plain" is longer than 4 bytes
    EXPECT_TRUE(loaded->markerByte);
    EXPECT_TRUE(loaded->rich.text.empty()); // the text lives in the document alone
    ASSERT_FALSE(loaded->rich.runs.empty());
    EXPECT_TRUE(loaded->rich.formats.at(loaded->rich.runs.front().format).bold);
}
