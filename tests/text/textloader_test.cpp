#include "text/textloader.h"

#include <QByteArrayList>

#include <gtest/gtest.h>

#include <string>

namespace {
std::string Hex(const QByteArray& bytes) {
    return bytes.toHex(' ').toStdString();
}

FileEncoding Named(const char* name) {
    const std::optional<FileEncoding> e = EncodingNamed(QString::fromUtf8(name));
    EXPECT_TRUE(e) << name;
    return e.value_or(TextEncoding::Utf8);
}

// A file read as Reopen reads it: in `as`, fed in small pieces; none when it does not decode.
std::optional<LoadedText> Read(const QByteArray& file, FileEncoding as,
                               Undecodable* bad = nullptr) {
    CTextLoader loader(1L << 30, file.size(), 1000000);
    loader.ReadAs(as);
    for (qsizetype i = 0; i < file.size(); i += 5)
        EXPECT_TRUE(loader.Feed(file.constData() + i, std::min<long>(5, file.size() - i)));
    std::optional<LoadedText> text = loader.Finish([](double) {});
    if (bad)
        *bad = loader.Undecoded();
    return text;
}

QByteArray Bytes(const CTextDocument& text) {
    return text.Range(0, text.Length());
}

// The file's bytes for the text, as a save writes them; none when the encoding cannot hold it.
std::optional<QByteArray> Write(const CTextDocument& text, FileEncoding encoding,
                                char32_t* refused = nullptr) {
    QByteArray file;
    char32_t bad = 0;
    const bool ok = WriteText(
        text, 0, text.Length(), encoding, true,
        [&file](const char* data, long n) {
            file.append(data, n);
            return true;
        },
        &bad);
    if (refused)
        *refused = bad;
    return ok ? std::optional<QByteArray>(file) : std::nullopt;
}

CTextDocument TextOf(const QByteArray& utf8) {
    CTextDocument text;
    text.Insert(0, utf8);
    return text;
}

// Every byte a single-byte set gives a character for, and back; the characters a few of them
// stand for, so that a set read as another would show.
TEST(TextLoader, ALineLongerThanCanBeShownIsToldAboutEvenDecoded) {
    const struct {
        QByteArray bytes;
        bool unshown;
    } cases[] = {
        {QByteArray(64, 'x') + "\r\n" + QByteArray(64, 'y'), false},
        {QByteArray(30, 'x') + "\r" + QByteArray(65, 'y'), true},
        {"\xff\xfe" + QByteArray(64, 'x').replace("x", QByteArray("x\0", 2)), false}, // UTF-16
        {"\xff\xfe" + QByteArray(65, 'x').replace("x", QByteArray("x\0", 2)), true},
    };
    for (const auto& c : cases) {
        CTextLoader loader(1 << 20, c.bytes.size(), 1000, 64);
        ASSERT_TRUE(loader.Feed(c.bytes.constData(), c.bytes.size()));
        const std::optional<LoadedText> loaded = loader.Finish([](double) {});
        ASSERT_TRUE(loaded);
        EXPECT_EQ(loaded->unshownLine, c.unshown) << c.bytes.toStdString();
    }
}

TEST(ReadAs, SingleByteSetsGiveBackEveryByteTheyDecode) {
    const struct {
        const char* encoding;
        uint8_t byte;
        const char* character;
    } known[] = {
        {"KOI8-R", 0xC1, "\xd0\xb0"},          {"KOI8-U", 0xA4, "\xd1\x94"},
        {"IBM-866", 0x80, "\xd0\x90"},         {"Windows-1251", 0xC0, "\xd0\x90"},
        {"ISO-8859-5", 0xB0, "\xd0\x90"},      {"ISO-8859-7", 0xE1, "\xce\xb1"},
        {"ISO-8859-1", 0x80, "\xc2\x80"},      {"ISO-8859-15", 0xA4, "\xe2\x82\xac"},
        {"Windows-1250", 0x8A, "\xc5\xa0"},    {"Windows-1258", 0xEC, "\xcc\x81"},
        {"ISO-8859-11", 0xA1, "\xe0\xb8\x81"},
    };
    int singleByte = 0;
    for (const FileEncoding& e : ReadableEncodings()) {
        const char* name = EncodingName(e);
        const QByteArrayList multiByte = {"UTF-8",  "UTF-16LE", "UTF-16BE", "Shift_JIS",
                                          "EUC-JP", "GB18030",  "Big5",     "EUC-KR"};
        if (multiByte.contains(name))
            continue;
        QByteArray file;
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            if (FirstUndecodable(WithMarkOf(e, &byte, 1), &byte, 1) < 0)
                file += byte;
        }
        EXPECT_GE(file.size(), 128 + 32) << name;
        ++singleByte;
        const std::optional<LoadedText> text = Read(file, e);
        ASSERT_TRUE(text) << name;
        EXPECT_EQ(text->encoding, e) << name;
        EXPECT_EQ(Write(text->text, e), file) << name;
        for (const auto& k : known) {
            if (QLatin1String(k.encoding) != QLatin1String(name))
                continue;
            const std::optional<LoadedText> one = Read(QByteArray(1, static_cast<char>(k.byte)), e);
            ASSERT_TRUE(one) << name;
            EXPECT_EQ(Bytes(one->text).toStdString(), k.character) << name;
        }
    }
    EXPECT_EQ(singleByte, 15 + 8 + 1 + 3); // ISO-8859, Windows-125x, Windows-1252, KOI8, 866
}

// A text of each writable encoding's characters becomes its bytes (with the mark, if it has
// one), and reading them again in the encoding as offered for reading gives the same text and
// the same encoding; unchanged, it is written back to the same bytes.
TEST(ReadAs, EveryWritableEncodingRoundTrips) {
    const QByteArray anyText = "h\xc3\xa9llo \xe2\x82\xac \xf0\x9f\x98\x80\r\n";
    const struct {
        const char* encoding;
        QByteArray text;
        QByteArray file; // without its mark; empty: not checked
    } cases[] = {
        {"UTF-8", anyText, anyText},
        {"UTF-8 BOM", anyText, anyText},
        {"UTF-16LE", "a\xc3\xa9\xf0\x9f\x98\x80", QByteArray("a\0\xe9\0\x3d\xd8\x00\xde", 8)},
        {"UTF-16LE no BOM", anyText, {}},
        {"UTF-16BE", "a\xc3\xa9", QByteArray("\0a\0\xe9", 4)},
        {"UTF-16BE no BOM", anyText, {}},
        {"Windows-1252", "\xe2\x80\x9cq\xe2\x80\x9d \xc2\x81", "\x93q\x94 \x81"},
        {"KOI8-R", "\xd0\xbf\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82\n",
         "\xd0\xd2\xc9\xd7\xc5\xd4\n"},
        {"Shift_JIS", "\xe6\x97\xa5\xe6\x9c\xac \xef\xbd\xb6", "\x93\xfa\x96\x7b \xb6"},
        {"EUC-JP", "\xe6\x97\xa5\xe6\x9c\xac", "\xc6\xfc\xcb\xdc"},
        {"GB18030", "\xe4\xb8\xad\xe6\x96\x87\xf0\x9f\x98\x80", "\xd6\xd0\xce\xc4\x94\x39\xfc\x36"},
        {"Big5", "\xe4\xb8\xad\xe6\x96\x87", "\xa4\xa4\xa4\xe5"},
        {"EUC-KR", "\xed\x95\x9c\xea\xb5\xad", "\xc7\xd1\xb1\xb9"},
    };
    for (const auto& c : cases) {
        const FileEncoding e = Named(c.encoding);
        const std::optional<QByteArray> file = Write(TextOf(c.text), e);
        ASSERT_TRUE(file) << c.encoding;
        EXPECT_TRUE(file->startsWith(ByteOrderMark(e))) << c.encoding;
        if (!c.file.isEmpty())
            EXPECT_EQ(Hex(file->mid(ByteOrderMark(e).size())), Hex(c.file)) << c.encoding;
        const std::optional<LoadedText> text = Read(*file, WithoutMark(e));
        ASSERT_TRUE(text) << c.encoding;
        EXPECT_EQ(text->encoding, e) << c.encoding;
        EXPECT_EQ(Bytes(text->text), c.text) << c.encoding;
        EXPECT_EQ(Write(text->text, e), file) << c.encoding;
    }
    // Every writable encoding is covered, or the character sets hold what their first table
    // above does: single-byte sets hold ASCII, which is all they are given here.
    for (const FileEncoding& e : WritableEncodings()) {
        const std::optional<QByteArray> file = Write(TextOf("plain\n"), e);
        ASSERT_TRUE(file) << EncodingName(e);
        const std::optional<LoadedText> text = Read(*file, WithoutMark(e));
        ASSERT_TRUE(text) << EncodingName(e);
        EXPECT_EQ(text->encoding, e) << EncodingName(e);
        EXPECT_EQ(Bytes(text->text), "plain\n") << EncodingName(e);
    }
}

// Bytes that do not decode, or do not come back as themselves, are refused at the first of them;
// nothing is made of the rest.
TEST(ReadAs, RefusesAtTheFirstByteThatDoesNotDecodeLosslessly) {
    const struct {
        const char* encoding;
        QByteArray file;
        int64_t offset;
    } cases[] = {
        {"UTF-8", "ok \xc3\xa9 \xff then", 6},
        {"UTF-8", "cut short \xe2\x82", 10},
        {"UTF-8",
         "\xef\xbb\xbf"
         "bom then \xc0\x80",
         12},                                   // an overlong form after the mark
        {"UTF-16LE", QByteArray("a\0b", 3), 2}, // an odd byte at the end
        {"UTF-16LE",
         QByteArray("\xff\xfe"
                    "a\0\x00\xdc",
                    6),
         4},                                              // a lone low surrogate
        {"UTF-16BE", QByteArray("\0a\xd8\x3d\0b", 6), 2}, // a high one without its pair
        {"ISO-8859-3", "ok\xa5", 2},                      // a byte the set leaves out
        {"Windows-1253", "abc\xaa", 3},
        {"Shift_JIS", "ok\x82", 2}, // a lead byte cut short by the end
        {"EUC-KR", "\xc7\xd1\xff\xff", 2},
        {"Big5", "ab\xa2\xcc", 2}, // decodes, but its character is written as A4 51
        {"GB18030", "\xd6\xd0\x81\x30", 2},
    };
    for (const auto& c : cases) {
        Undecodable bad;
        EXPECT_FALSE(Read(c.file, Named(c.encoding), &bad)) << c.encoding;
        EXPECT_EQ(bad.offset, c.offset) << c.encoding << " " << Hex(c.file);
        EXPECT_EQ(bad.byte, static_cast<uint8_t>(c.file[bad.offset])) << c.encoding;
        EXPECT_EQ(WithoutMark(bad.encoding), Named(c.encoding)) << c.encoding;
    }
}

// Large files decode through bounded pieces: characters split between them come out whole.
TEST(ReadAs, MultiByteTextsPastThePieceSizeDecodeWhole) {
    QByteArray text;
    while (text.size() < 3 * (1 << 20))
        text += "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e x \xef\xbd\xb6\n"; // odd sizes either way
    for (const char* name : {"Shift_JIS", "GB18030", "KOI8-R"}) {
        const FileEncoding e = Named(name);
        const QByteArray source =
            QByteArray(name) == "KOI8-R" ? QByteArray("\xd0\xb0 x\n").repeated(1 << 20) : text;
        const std::optional<QByteArray> file = Write(TextOf(source), e);
        ASSERT_TRUE(file) << name;
        const std::optional<LoadedText> read = Read(*file, e);
        ASSERT_TRUE(read) << name;
        EXPECT_TRUE(Bytes(read->text) == source) << name;
    }
}

// A character the encoding cannot hold is refused, with the character.
TEST(ReadAs, WritingRefusesWhatTheEncodingCannotHold) {
    const struct {
        const char* encoding;
        QByteArray text;
        char32_t refused;
    } cases[] = {
        {"KOI8-R", "\xd0\xb0\xce\xb1", 0x3B1}, // а, then α
        {"ISO-8859-1", "caf\xc3\xa9 \xe2\x82\xac", 0x20AC},
        {"Shift_JIS", "\xe6\x97\xa5 \xf0\x9f\x98\x80", 0x1F600},
        {"EUC-KR", "\xed\x95\x9c \xd0\xb0 \xe4\xb8\xad \xe0\xb8\x81", 0xE01},
        // Written as two bytes, a letter and a combining accent, it would be read back as two
        // characters.
        {"Windows-1258", "\xe1\xba\xa5", 0x1EA5},
    };
    for (const auto& c : cases) {
        char32_t refused = 0;
        EXPECT_FALSE(Write(TextOf(c.text), Named(c.encoding), &refused)) << c.encoding;
        EXPECT_EQ(refused, c.refused) << c.encoding;
    }
}

TEST(TextDocument, ConvertLineEndsRewritesEveryKind) {
    const QByteArray mixed = "a\r\nb\rc\nd\r\n\r\n\n\r";
    const struct {
        LineEnd to;
        QByteArray expected;
    } cases[] = {
        {LineEnd::Lf, "a\nb\nc\nd\n\n\n\n"},
        {LineEnd::CrLf, "a\r\nb\r\nc\r\nd\r\n\r\n\r\n\r\n"},
        {LineEnd::Cr, "a\rb\rc\rd\r\r\r\r"},
    };
    for (const auto& c : cases) {
        CTextDocument text = TextOf(mixed);
        text.ConvertLineEnds(c.to);
        EXPECT_EQ(Bytes(text), c.expected);
    }
}
} // namespace
