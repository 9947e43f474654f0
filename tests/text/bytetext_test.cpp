#include "text/bytetext.h"

#include <QString>

#include <gtest/gtest.h>

#include <vector>

#include <set>

#include <algorithm>
#include <random>
#include <string>

namespace {
bool ValidInPieces(const std::string& s, size_t piece) {
    Utf8Validator v;
    for (size_t i = 0; i < s.size(); i += piece)
        v.Feed(s.data() + i, std::min(piece, s.size() - i));
    return v.IsValid();
}

TEST(Utf8Validator, AcceptsWellFormedAndRejectsMalformedInAnyPieces) {
    struct {
        std::string text;
        bool valid;
    } cases[] = {
        {"", true},
        {"plain ascii, long enough to use the word-at-a-time path", true},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", true},
        {"\xc3", false},             // cut short
        {"\xc0\xaf", false},         // overlong
        {"\xe0\x80\xaf", false},     // overlong
        {"\xed\xa0\x80", false},     // surrogate
        {"\xf4\x90\x80\x80", false}, // above U+10FFFF
        {"\xff", false},
        {"latin-1 caf\xe9", false},
        {std::string("nul\0inside", 10), true},
    };
    for (const auto& c : cases)
        for (size_t piece : {1, 2, 3, 7, 64})
            EXPECT_EQ(ValidInPieces(c.text, piece), c.valid) << c.text << " piece " << piece;
}

TEST(Utf8Validator, AgreesWithQtOnRandomBytes) {
    std::mt19937 rng(7);
    for (int i = 0; i < 2000; ++i) {
        std::string s(rng() % 40, '\0');
        for (char& c : s)
            c = static_cast<char>(rng() % 4 == 0 ? 0x80 + rng() % 0x80 : rng() % 0x80);
        const QByteArray bytes(s.data(), static_cast<qsizetype>(s.size()));
        const bool qtValid = QString::fromUtf8(bytes).toUtf8() == bytes;
        EXPECT_EQ(ValidInPieces(s, 1 + rng() % 5), qtValid);
    }
}

TEST(LineEndDetector, FindsTheFirstLineEndAcrossPieces) {
    struct {
        std::string text;
        LineEnd expected;
    } cases[] = {
        {"no break", LineEnd::Lf}, {"a\nb\r\n", LineEnd::Lf}, {"a\r\nb\n", LineEnd::CrLf},
        {"a\rb\n", LineEnd::Cr},   {"a\r", LineEnd::Cr},      {"\r\n", LineEnd::CrLf},
    };
    for (const auto& c : cases)
        for (size_t piece : {1, 2, 100}) {
            LineEndDetector d;
            for (size_t i = 0; i < c.text.size(); i += piece)
                d.Feed(c.text.data() + i, std::min(piece, c.text.size() - i));
            EXPECT_EQ(d.Result(), c.expected) << c.text << " piece " << piece;
        }
}

// Whether more than one kind of line end is there, as the plain reading of the whole text says,
// in pieces of every size.
TEST(LineEndDetector, TellsMixedLineEndsAsThePlainReadingDoes) {
    const auto plain = [](const std::string& t) {
        std::set<int> kinds;
        for (size_t i = 0; i < t.size(); ++i)
            if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n')
                kinds.insert(0), ++i;
            else if (t[i] == '\r')
                kinds.insert(1);
            else if (t[i] == '\n')
                kinds.insert(2);
        return kinds.size() > 1;
    };
    std::vector<std::string> texts = {"a\r\nb\r\n", "a\r\nb\n", "a\r\nb\r", "a\r\r\n",
                                      "a\nb\n",     "a\nb\r",   "a\rb\r",   "a\rb\r\n",
                                      "\r\n\n",     "\r",       "x"};
    std::mt19937 rng(3);
    for (int i = 0; i < 400; ++i) {
        std::string t(1 + rng() % 12, 'a');
        for (char& c : t)
            c = "ab\r\n\r\n"[rng() % 6];
        texts.push_back(t);
    }
    for (const std::string& t : texts)
        for (size_t piece : {1, 2, 3, 5, 100}) {
            LineEndDetector d;
            for (size_t i = 0; i < t.size(); i += piece)
                d.Feed(t.data() + i, std::min(piece, t.size() - i));
            ASSERT_EQ(d.Mixed(), plain(t))
                << QByteArray::fromStdString(t).toHex().toStdString() << " piece " << piece;
        }
}

TEST(LongLineDetector, FindsALineLongerThanTheLimitWhateverItsEndsAndPieces) {
    struct {
        std::string text;
        bool found;
    } cases[] = {
        {"", false},
        {"abcde", false},
        {"abcdef", true},
        {"abcde\nabcde", false},
        {"abcde\rabcde", false},
        {"abcde\r\nabcde\r\n", false},
        {"ab\nabcdef", true},
        {"abcde\rabcdef", true},
        {"a\rb\rc\rd\re\rabcdefg\r", true},
        {"\n\n\r\r", false},
        {"abc\r\r\nabcde\n", false},
    };
    for (const auto& c : cases)
        for (size_t piece : {1, 2, 3, 100}) {
            LongLineDetector d(5);
            for (size_t i = 0; i < c.text.size(); i += piece)
                d.Feed(c.text.data() + i, std::min(piece, c.text.size() - i));
            EXPECT_EQ(d.Found(), c.found) << c.text << " piece " << piece;
        }
}
// Texts of many short lines are crossed a window at a time: checked against the longest run of
// bytes between line ends, for texts, limits and pieces of all sizes.
TEST(LongLineDetector, AgreesWithTheLongestRunOnRandomTexts) {
    std::mt19937 rng(11);
    for (int i = 0; i < 3000; ++i) {
        const size_t limit = 1 + rng() % 12;
        std::string s(rng() % 200, 'a');
        const unsigned breaks = 2 + rng() % 40; // one byte in that many ends a line
        for (char& c : s)
            if (rng() % breaks == 0)
                c = rng() % 2 ? '\n' : '\r';
        size_t run = 0, longest = 0;
        for (char c : s) {
            run = c == '\n' || c == '\r' ? 0 : run + 1;
            longest = std::max(longest, run);
        }
        LongLineDetector d(limit);
        for (size_t at = 0; at < s.size();) {
            const size_t piece = std::min<size_t>(1 + rng() % 30, s.size() - at);
            d.Feed(s.data() + at, piece);
            at += piece;
        }
        EXPECT_EQ(d.Found(), longest > limit) << s << " limit " << limit;
    }
}
} // namespace
