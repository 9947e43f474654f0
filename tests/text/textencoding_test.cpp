#include "text/textencoding.h"

#include <gtest/gtest.h>

#include <string>

namespace {
QByteArray B(const char* s, size_t n) {
    return QByteArray(s, static_cast<qsizetype>(n));
}
template <size_t N> QByteArray B(const char (&s)[N]) {
    return B(s, N - 1);
}

TextEncoding Choose(const QByteArray& bytes, size_t piece, bool* bad = nullptr) {
    EncodingDetector d;
    for (qsizetype i = 0; i < bytes.size(); i += piece)
        d.Feed(bytes.constData() + i, std::min<size_t>(piece, bytes.size() - i));
    return d.Result(bytes.constData(), bytes.size(), bad);
}

TEST(EncodingDetector, ChoosesByMarkThenByValidSequencesAgainstStrayBytes) {
    const QByteArray e3 = QByteArray("\xc3\xa9").repeated(3); // three valid sequences, 6 bytes
    struct {
        QByteArray bytes;
        TextEncoding expected;
        bool badUtf16;
    } cases[] = {
        {B(""), TextEncoding::Utf8, false},
        {B("plain ascii\0with nul"), TextEncoding::Utf8, false},
        {B("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"), TextEncoding::Utf8, false},
        // Stray bytes at the start, in the middle, at the end: no more of them than valid
        // multi-byte sequences.
        {"\xff" + e3, TextEncoding::Utf8, false},
        {e3 + "\xe9 x" + e3, TextEncoding::Utf8, false},
        {e3 + "\xc3", TextEncoding::Utf8, false},           // a sequence cut short by the end
        {B("caf\xc3\xa9 \xe9"), TextEncoding::Utf8, false}, // one letter, one stray byte
        {e3 + "\x80\x81\x82", TextEncoding::Utf8, false},   // 3 sequences, 3 strays
        {e3 + "\x80\x81\x82\x83", TextEncoding::Windows1252, false}, // 4 strays
        {B("caf\xe9"), TextEncoding::Windows1252, false},            // no valid sequence at all
        {B("\x93quoted\x94 \x80 5"), TextEncoding::Windows1252, false},
        {B("\xef\xbb\xbf"), TextEncoding::Utf8Bom, false},
        {B("\xef\xbb\xbf stray \xff"), TextEncoding::Utf8Bom, false},
        {B("\xff\xfe"), TextEncoding::Utf16Le, false},
        {B("\xff\xfe"
           "a\0\x3d\xd8\x00\xde"),
         TextEncoding::Utf16Le, false}, // a U+1F600
        {B("\xfe\xff\0a\xd8\x3d\xde\x00"), TextEncoding::Utf16Be, false},
        {B("\xff\xfe"
           "a\0b"),
         TextEncoding::Windows1252, true}, // odd length
        {B("\xff\xfe\x3d\xd8"
           "a\0"),
         TextEncoding::Windows1252, true},                        // lone high
        {B("\xff\xfe\x00\xde"), TextEncoding::Windows1252, true}, // lone low
        {B("\xfe\xff\xd8\x3d"), TextEncoding::Windows1252, true}, // high at the end
    };
    for (const auto& c : cases)
        for (size_t piece : {1, 2, 5, 100}) {
            bool bad = !c.badUtf16;
            EXPECT_EQ(Choose(c.bytes, piece, &bad), c.expected)
                << c.bytes.toHex().toStdString() << " piece " << piece;
            EXPECT_EQ(bad, c.badUtf16) << c.bytes.toHex().toStdString();
        }
}

TEST(EncodingDetector, KnowingTheSizeStopsLookingOnlyWhenNothingCanChange) {
    const QByteArray stray(1000, '\xe0'), sequence = "\xc3\xa9";
    const struct {
        QByteArray text;
        TextEncoding encoding;
    } cases[] = {
        {stray + sequence.repeated(100), TextEncoding::Windows1252}, // settled early
        {stray.left(10) + sequence.repeated(1000), TextEncoding::Utf8},
        {stray.left(400) + sequence.repeated(401), TextEncoding::Utf8}, // just enough
        {stray.left(402) + sequence.repeated(401), TextEncoding::Windows1252},
        {QByteArray("\xff\xfe") + stray.left(999), TextEncoding::Windows1252}, // odd: no UTF-16
    };
    for (const auto& c : cases) {
        EncodingDetector sized;
        sized.ExpectSize(static_cast<uint64_t>(c.text.size()));
        for (qsizetype i = 0; i < c.text.size(); i += 7)
            sized.Feed(c.text.constData() + i, std::min<qsizetype>(7, c.text.size() - i));
        EXPECT_EQ(sized.Result(c.text.constData(), c.text.size()), c.encoding)
            << c.text.size();
    }
}

TEST(TextEncoding, EveryWindows1252ByteComesBackAsItself) {
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QByteArray text = DecodeToUtf8(TextEncoding::Windows1252, all.constData(), all.size());
    EXPECT_EQ(QString::fromUtf8(text).size(), 256);
    EXPECT_EQ(static_cast<size_t>(text.size()),
              DecodedSize(TextEncoding::Windows1252, all.constData(), all.size()));
    EXPECT_TRUE(QString::fromUtf8(text).contains(QString::fromUtf8("\xe2\x82\xac"))); // €
    EXPECT_EQ(QString::fromUtf8(text)[0x93], QChar(0x201C));
    QByteArray back;
    ASSERT_TRUE(EncodeFromUtf8(TextEncoding::Windows1252, text.constData(), text.size(), back));
    EXPECT_EQ(back, all);
}

TEST(TextEncoding, Utf16DecodesAndEncodesBackWithoutItsMark) {
    struct {
        TextEncoding encoding;
        QByteArray file;
        const char* text;
    } cases[] = {
        {TextEncoding::Utf16Le,
         B("\xff\xfe"
           "a\0\xe9\0\x3d\xd8\x00\xde\0\0"),
         "a\xc3\xa9\xf0\x9f\x98\x80"},
        {TextEncoding::Utf16Be, B("\xfe\xff\0a\0\xe9\xd8\x3d\xde\x00\0\0"),
         "a\xc3\xa9\xf0\x9f\x98\x80"},
    };
    for (const auto& c : cases) {
        const QByteArray expected = QByteArray(c.text) + QByteArray(1, '\0');
        const QByteArray text = DecodeToUtf8(c.encoding, c.file.constData(), c.file.size());
        EXPECT_EQ(text, expected);
        QByteArray pieces;
        DecodeToUtf8(c.encoding, c.file.constData(), c.file.size(),
                     [&](const QByteArray& p) { return pieces += p, true; });
        EXPECT_EQ(pieces, expected);
        QByteArray back = ByteOrderMark(c.encoding);
        ASSERT_TRUE(EncodeFromUtf8(c.encoding, text.constData(), text.size(), back));
        EXPECT_EQ(back, c.file);
    }
}

// Large files are decoded a piece at a time; no piece ends inside a surrogate pair.
TEST(TextEncoding, PiecesOfALargeUtf16FileKeepPairsWhole) {
    for (int before : {131070, 131071, 131072}) {
        const QByteArray file = QByteArray("\xff\xfe") + QByteArray("a\0", 2).repeated(before) +
                                QByteArray("\x3d\xd8\x00\xde"
                                           "b\0",
                                           6);
        const QByteArray expected = QByteArray(before, 'a') + "\xf0\x9f\x98\x80"
                                                              "b";
        QByteArray pieces;
        ASSERT_TRUE(DecodeToUtf8(TextEncoding::Utf16Le, file.constData(), file.size(),
                                 [&](const QByteArray& p) { return pieces += p, true; }));
        EXPECT_EQ(pieces, expected) << before;
        EXPECT_EQ(DecodeToUtf8(TextEncoding::Utf16Le, file.constData(), file.size()), expected);
    }
}

TEST(TextEncoding, WhatEachEncodingCanHold) {
    struct {
        TextEncoding encoding;
        const char* utf8;
        char32_t firstBad;
    } cases[] = {
        {TextEncoding::Windows1252, "\xc3\xbc \xe2\x82\xac \xc5\xa0 \xe2\x80\x9c", 0}, // ü € Š “
        {TextEncoding::Windows1252, "a\xce\xb1", 0x3B1},                               // α
        {TextEncoding::Windows1252, "\xe2\x82\xac\xf0\x9f\x98\x80", 0x1F600},
        {TextEncoding::Utf16Le, "\xce\xb1\xf0\x9f\x98\x80", 0},
        {TextEncoding::Utf8, "\xce\xb1", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FirstUnholdable(c.encoding, QString::fromUtf8(c.utf8)), c.firstBad) << c.utf8;
        QByteArray out;
        char32_t bad = 0xFFFF;
        EXPECT_EQ(EncodeFromUtf8(c.encoding, c.utf8, strlen(c.utf8), out, &bad), c.firstBad == 0);
        if (c.firstBad)
            EXPECT_EQ(bad, c.firstBad);
    }
    // Bytes that are no UTF-8 have no form in a decoded encoding.
    QByteArray out;
    char32_t bad = 1;
    EXPECT_FALSE(EncodeFromUtf8(TextEncoding::Utf16Be, "a\xff", 2, out, &bad));
    EXPECT_EQ(bad, 0u);
}

TEST(TextEncoding, PiecesEndOnWholeCharacters) {
    const char* s = "ab\xe2\x82\xac"
                    "c";
    EXPECT_EQ(WholeCharacters(s, 6, 3), 2u);
    EXPECT_EQ(WholeCharacters(s, 6, 4), 2u);
    EXPECT_EQ(WholeCharacters(s, 6, 5), 5u);
    EXPECT_EQ(WholeCharacters(s, 6, 9), 6u);
}
} // namespace

// Bytes that are no UTF-8 travel through a QString as lone surrogates, and come back as they
// were; a character beyond the basic plane whose second half looks like one stays itself.
TEST(EscapedBytes, EveryByteComesBackAndCharactersStayCharacters) {
    const struct {
        QByteArray bytes;
        int escapes;
    } cases[] = {
        {"plain", 0},
        {"a\xff"
         "b\x80\xc3",
         3},
        {"\xf0\x9f\x92\x80 skull", 0}, // U+1F480: its second half is U+DC80
        {"\xf0\x9f\x92\x80\x80", 1},
        {"\xed\xb2\x80", 3}, // an encoded surrogate is no UTF-8
    };
    for (const auto& c : cases) {
        const QString text = EscapedFromBytes(c.bytes);
        int escapes = 0;
        for (qsizetype i = 0; i < text.size(); ++i)
            escapes += IsEscapedByteAt(text, i);
        EXPECT_EQ(escapes, c.escapes) << c.bytes.toHex().toStdString();
        EXPECT_EQ(BytesFromEscaped(text), c.bytes) << c.bytes.toHex().toStdString();
    }
    EXPECT_EQ(EscapedFromBytes("\xf0\x9f\x92\x80"), QString::fromUtf8("\xf0\x9f\x92\x80"));
}
