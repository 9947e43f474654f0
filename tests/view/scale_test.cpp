// Every operation that works on the text in large pieces, on random texts whose sizes cross each
// limit of those pieces (the queue of a bulk replacement, read pieces, a load's first window and
// its spare room, line ends added a batch at a time, the longest line that wraps), compared byte
// for byte with the same work done the plain way. ZORVEK_SCALE=N makes every text N times larger.
#include "resources/resource.h"
#include "search/replacetextdlg.h"
#include "support/appfixture.h"
#include "text/bytefinder.h"
#include "text/textencoding.h"

#include <QChar>
#include <QComboBox>
#include <QTest>

#include <algorithm>
#include <cctype>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {
using Bytes = std::string;
constexpr size_t kNone = Bytes::npos;

Bytes ToBytes(const QByteArray& a) {
    return Bytes(a.constData(), a.size());
}
QByteArray ToQ(const Bytes& b) {
    return QByteArray(b.data(), static_cast<qsizetype>(b.size()));
}

// ---- The plain way --------------------------------------------------------------------------

bool Continues(char c) {
    return (static_cast<uint8_t>(c) & 0xC0) == 0x80;
}

// The character at `p`, a stray byte standing for itself above Unicode; `next` gets its end.
char32_t CharAt(const Bytes& s, size_t p, size_t* next = nullptr) {
    const char* q = s.data() + p;
    char32_t c;
    if (!NextUtf8(q, s.data() + s.size(), c)) {
        c = 0x110000 + static_cast<uint8_t>(s[p]);
        ++q;
    }
    if (next)
        *next = static_cast<size_t>(q - s.data());
    return c;
}

// No character goes on across `p`: a byte that is no UTF-8 is a character of its own.
bool Boundary(const Bytes& s, size_t p) {
    for (size_t k = 1; k <= 3 && k <= p && p < s.size(); ++k) {
        size_t end;
        if (CharAt(s, p - k, &end) < 0x110000 && end > p)
            return false;
    }
    return true;
}

char32_t CharBefore(const Bytes& s, size_t p) {
    size_t start = p - 1;
    while (start > 0 && p - start < 4 && Continues(s[start]))
        --start;
    size_t end;
    const char32_t c = CharAt(s, start, &end);
    return end == p ? c : 0x110000 + static_cast<uint8_t>(s[p - 1]);
}

// How the editor tells words apart: a run of letters and digits, or of punctuation.
enum Class { kSpace, kLineEnd, kWord, kPunctuation };
Class ClassOf(char32_t c) {
    if (c == '\r' || c == '\n')
        return kLineEnd;
    if (c < 0x20 || c == ' ')
        return kSpace;
    if (c < 0x80)
        return std::isalnum(static_cast<int>(c)) || c == '_' ? kWord : kPunctuation;
    return c < 0x110000 && QChar::isLetterOrNumber(c) ? kWord : kPunctuation;
}

// A match from `first` to `last` between `before` and `after` (none at the text's ends).
bool WholeWord(std::optional<char32_t> before, char32_t first, char32_t last,
               std::optional<char32_t> after) {
    const auto edge = [](char32_t inside, std::optional<char32_t> outside) {
        const Class c = ClassOf(inside);
        return !outside || ((c == kWord || c == kPunctuation) && c != ClassOf(*outside));
    };
    return edge(first, before) && edge(last, after);
}

struct Options {
    bool matchCase = true;
    bool words = false;
};

// Where a match of `needle` starting at `p` ends, or kNone.
size_t MatchEnd(const Bytes& s, size_t p, const Bytes& needle, bool matchCase) {
    if (matchCase)
        return s.compare(p, needle.size(), needle) == 0 ? p + needle.size() : kNone;
    size_t q = p;
    for (size_t n = 0; n < needle.size();) {
        if (q >= s.size())
            return kNone;
        const char32_t want = CharAt(needle, n, &n);
        if (FoldCase(CharAt(s, q, &q)) != FoldCase(want))
            return kNone;
    }
    return q;
}

struct Match {
    size_t start = kNone, end = kNone;
};

// The first (or last) match starting at a character start in [from, to) and ending by `to`; at
// the range's ends, `before` and `after` stand for what lies outside the text when given.
Match PlainFind(const Bytes& s, size_t from, size_t to, const Bytes& needle, Options o, bool last,
                std::optional<std::optional<char32_t>> before = {},
                std::optional<std::optional<char32_t>> after = {}) {
    const auto at = [&](size_t p) -> Match {
        if (!Boundary(s, p))
            return {};
        const size_t e = MatchEnd(s, p, needle, o.matchCase);
        if (e == kNone || e > to || !Boundary(s, e))
            return {};
        if (o.words) {
            const auto b = p == from && before ? *before
                           : p == 0            ? std::nullopt
                                               : std::optional<char32_t>(CharBefore(s, p));
            const auto a = e == to && after ? *after
                           : e == s.size()  ? std::nullopt
                                            : std::optional<char32_t>(CharAt(s, e));
            if (!WholeWord(b, CharAt(s, p), CharBefore(s, e), a))
                return {};
        }
        return {p, e};
    };
    if (last) {
        for (size_t p = to; p-- > from;)
            if (const Match m = at(p); m.start != kNone)
                return m;
    } else {
        for (size_t p = from; p < to; ++p)
            if (const Match m = at(p); m.start != kNone)
                return m;
    }
    return {};
}

// Replace, one match at a time, from the caret on (or back), forwards up to `limit`.
std::pair<Bytes, int> PlainReplaceAll(const Bytes& s, const Bytes& find, const Bytes& with,
                                      Options o, bool backwards, size_t caret, size_t limit) {
    int count = 0;
    if (!backwards) {
        Bytes out = s.substr(0, caret);
        for (size_t pos = caret;; ++count) {
            const std::optional<char32_t> before =
                out.empty() ? std::nullopt : std::optional<char32_t>(CharBefore(out, out.size()));
            const Match m = PlainFind(s, pos, limit, find, o, false, before);
            if (m.start == kNone)
                return {out + s.substr(pos), count};
            out += s.substr(pos, m.start - pos) + with;
            pos = m.end;
        }
    }
    // Backwards the text after the caret is new: its pieces are kept in reverse.
    std::vector<Bytes> tail;
    std::optional<char32_t> tailFirst =
        caret < s.size() ? std::optional(CharAt(s, caret)) : std::nullopt;
    size_t pos = caret;
    for (;; ++count) {
        const Match m = PlainFind(s, 0, pos, find, o, true, {}, tailFirst);
        if (m.start == kNone)
            break;
        tail.push_back(s.substr(m.end, pos - m.end));
        tail.push_back(with);
        if (!with.empty())
            tailFirst = CharAt(with, 0);
        else if (m.end < pos)
            tailFirst = CharAt(s, m.end);
        pos = m.start;
    }
    Bytes out = s.substr(0, pos);
    for (auto it = tail.rbegin(); it != tail.rend(); ++it)
        out += *it;
    out += s.substr(caret);
    return {out, count};
}

std::vector<size_t> PlainLineStarts(const Bytes& s) {
    std::vector<size_t> at = {0};
    for (size_t i = 0; i < s.size(); ++i)
        if (s[i] == '\n' || (s[i] == '\r' && (i + 1 == s.size() || s[i + 1] != '\n')))
            at.push_back(i + 1);
    return at;
}

Bytes PlainHexDump(const Bytes& s) {
    Bytes out;
    char cell[4];
    for (size_t line = 0; line < s.size(); line += 16) {
        Bytes hex(52, ' ');
        Bytes shown;
        for (size_t j = 0; j < 16 && line + j < s.size(); ++j) {
            const auto b = static_cast<uint8_t>(s[line + j]);
            std::snprintf(cell, sizeof cell, "%02X", b);
            hex.replace(3 * j + j / 4, 2, cell);
            shown += b >= 0x20 && b <= 0x7F ? static_cast<char>(b) : '.';
        }
        out += hex + shown + "\r\n";
    }
    return out;
}

// Where two texts part, with a little of each from there, for a failure's message.
std::string FirstDifference(const Bytes& got, const Bytes& want) {
    size_t i = 0;
    while (i < got.size() && i < want.size() && got[i] == want[i])
        ++i;
    const auto around = [i](const Bytes& s) {
        const size_t from = i < 20 ? 0 : i - 20;
        return QByteArray::fromStdString(s.substr(from, 40)).toPercentEncoding(" ").toStdString();
    };
    return "sizes " + std::to_string(got.size()) + " and " + std::to_string(want.size()) +
           ", first difference at " + std::to_string(i) + ": [" + around(got) + "] instead of [" +
           around(want) + "]";
}

// ---- Random texts ---------------------------------------------------------------------------

// The sizes: under every limit; past a load's first window (64 KiB), a read piece (256 KiB) and
// a batch of 256 line ends; past the spare room of a load (1 MiB and 64 KiB); past the 4 MiB
// span of a queue of replacements and, with a dense needle, its 65,536 edits; past both twice.
std::vector<size_t> Sizes() {
    const int scale = std::max(1, qEnvironmentVariableIntValue("ZORVEK_SCALE"));
    std::vector<size_t> sizes;
    for (size_t size : {5000, 300000, 1300000, 4600000, 9500000})
        sizes.push_back(size * scale);
    return sizes;
}

class RandomText {
public:
    explicit RandomText(unsigned seed) : m_random(seed) {}
    size_t Below(size_t n) { return m_random() % n; }
    // Words, blanks, punctuation, line ends of every kind, and letters that fold beyond ASCII;
    // with `raw`, NULs and stray bytes too.
    Bytes Text(size_t size, bool raw) {
        static const char* const pieces[] = {"ab",
                                             "AB",
                                             "aB",
                                             " ",
                                             "needle",
                                             "Needle",
                                             "\t",
                                             ".",
                                             "_",
                                             "\n",
                                             "\r\n",
                                             "\r",
                                             "\r\r\n",
                                             "x",
                                             "ab ",
                                             "--",
                                             "9",
                                             "caf\xc3\xa9",
                                             "CAF\xc3\x89",
                                             "\xcf\x89",
                                             "\xce\xa9",
                                             "\xe2\x82\xac",
                                             "\xf0\x9f\x98\x80",
                                             "line of words "};
        static const Bytes rawPieces[] = {Bytes(1, '\0'), "\xff", "\x80", "\xc3"};
        Bytes s;
        s.reserve(size + 32);
        while (s.size() < size) {
            if (raw && Below(40) == 0) {
                s += rawPieces[Below(std::size(rawPieces))];
            } else {
                s += pieces[Below(std::size(pieces))];
            }
        }
        return s;
    }

private:
    std::minstd_rand m_random;
};

class ScaleTest : public AppFixture {
protected:
    Bytes Text() const { return ToBytes(View()->GetText()); }

    // Line starts as the editor has them.
    std::vector<size_t> LineStarts() const {
        std::vector<size_t> at;
        for (long line = 0, n = View()->GetLineCount(); line < n; ++line)
            at.push_back(static_cast<size_t>(View()->LineIndex(line)));
        return at;
    }

    // Replace All through the dialog, as the user does it; returns the count it reported.
    int ReplaceAll(const Bytes& find, const Bytes& with) {
        int count = 0;
        ui.dialogReplies.push_back([&](QDialog& d) {
            auto& dlg = dynamic_cast<CReplaceTextDlg&>(d);
            dlg.m_pFindWhat->setEditText(QString::fromUtf8(ToQ(find)));
            dlg.m_pReplaceWith->setEditText(QString::fromUtf8(ToQ(with)));
            ui.boxes.clear();
            dlg.OnReplaceAll();
            count = ui.boxes.empty() ? 0 : ui.BoxTexts()[0].split(' ')[0].toInt();
            d.reject();
            return IDCANCEL;
        });
        Exec(ID_EDIT_REPLACE);
        return count;
    }
};

TEST_F(ScaleTest, ReplaceAllGivesWhatReplacingOneMatchAtATimeGives) {
    ASSERT_TRUE(Start());
    struct Case {
        const char* find;
        const char* with;
        Options options;
        bool backwards;
        bool ranged; // the lines of the middle of the text selected
    } cases[] = {
        {"ab", "xab", {}, false, false},              // grows, and holds the needle
        {"ab", "", {}, false, false},                 // empty
        {"ab", "xab", {}, true, false},               //
        {"needle", "n", {}, false, false},            // shrinks
        {"needle", "needle needle", {}, true, false}, //
        {"ab", "a b", {true, true}, false, false},    // whole words
        {"ab", "", {true, true}, true, false},        //
        {"caf\xc3\xa9", "CAF\xc3\x89S", {false, false}, false, false}, // folded beyond ASCII
        {"\xcf\x89", "", {false, true}, true, false},                  //
        {"AB", "abab", {false, false}, false, true},                   // in a selection
        {"needle", "", {true, false}, false, true},                    //
    };
    RandomText random(7);
    int most = 0;      // replacements in one Replace All
    size_t widest = 0; // the span of a needle's matches with fewer replacements than a queue
    for (size_t size : Sizes()) {
        const Bytes text = random.Text(size, false);
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(size) + " [" + c.find + "] -> [" + c.with + "]" +
                         (c.backwards ? " backwards" : "") + (c.ranged ? " ranged" : "") +
                         (c.options.words ? " words" : "") +
                         (c.options.matchCase ? "" : " any case"));
            Open(ToQ(text));
            View()->m_bMatchCase = c.options.matchCase;
            View()->m_bWordsOnly = c.options.words;
            View()->m_bSearchBackwards = c.backwards;
            size_t caret = c.backwards ? text.size() : 0;
            size_t limit = text.size();
            if (c.ranged) {
                const std::vector<size_t> lines = PlainLineStarts(text);
                caret = lines[lines.size() / 10];
                limit = lines[lines.size() * 9 / 10];
                View()->SetSel(static_cast<long>(caret), static_cast<long>(limit));
            } else {
                View()->SetSel(static_cast<long>(caret), static_cast<long>(caret));
            }
            const auto [expected, count] =
                PlainReplaceAll(text, c.find, c.with, c.options, c.backwards, caret, limit);
            EXPECT_EQ(ReplaceAll(c.find, c.with), count);
            most = std::max(most, count);
            // Matches further apart than this fill a queue's span before its count.
            constexpr size_t kSparse = CTextControl::kMaxQueuedSpan / CTextControl::kMaxQueuedEdits;
            if (static_cast<size_t>(count) * kSparse < limit - caret)
                widest = std::max(widest, limit - caret);
            EXPECT_TRUE(Text() == expected) << FirstDifference(Text(), expected);
            Exec(ID_EDIT_UNDO);
            EXPECT_TRUE(Text() == text) << FirstDifference(Text(), text);
        }
    }
    // The table crosses both limits of a queue of replacements.
    EXPECT_GT(most, static_cast<int>(2 * CTextControl::kMaxQueuedEdits));
    EXPECT_GT(widest, static_cast<size_t>(2 * CTextControl::kMaxQueuedSpan));
}

TEST_F(ScaleTest, FindGivesThePlainFirstAndLastMatch) {
    ASSERT_TRUE(Start());
    RandomText random(11);
    for (size_t size : Sizes()) {
        const Bytes text = random.Text(size, true);
        Open(ToQ(text));
        for (int round = 0; round < 40; ++round) {
            // A needle taken from the text, so that it is found, sometimes in another case.
            const size_t from = random.Below(text.size() - 8);
            Bytes needle = text.substr(from, 1 + random.Below(6));
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
            const int flags = (o.matchCase ? FR_MATCHCASE : 0) | (o.words ? FR_WHOLEWORD : 0);
            const CHARRANGE range{static_cast<long>(a), static_cast<long>(b)};
            for (bool last : {false, true}) {
                SCOPED_TRACE(std::to_string(size) + " round " + std::to_string(round) +
                             (last ? " last" : " first"));
                const Match m = PlainFind(text, a, b, needle, o, last);
                long end = -1;
                const long p = last ? View()->FindTextLast(flags, range, ToQ(needle), &end)
                                    : View()->FindText(flags, range, ToQ(needle), &end);
                EXPECT_EQ(p, m.start == kNone ? -1L : static_cast<long>(m.start))
                    << "[" << QByteArray::fromStdString(needle).toPercentEncoding(" ").toStdString()
                    << "] case " << o.matchCase << " words " << o.words << " in " << a << "-" << b
                    << " at ["
                    << QByteArray::fromStdString(text.substr(std::max(p, 5L) - 5, 20))
                           .toPercentEncoding(" ")
                           .toStdString()
                    << "]";
                if (m.start != kNone)
                    EXPECT_EQ(end, static_cast<long>(m.end));
            }
        }
    }
}

TEST_F(ScaleTest, LoadsAndSavesGiveBackEveryByteInEveryEncoding) {
    ASSERT_TRUE(Start());
    RandomText random(13);
    std::vector<size_t> sizes = Sizes();
    sizes.push_back(1100000); // one line longer than any that is wrapped
    for (size_t size : sizes) {
        const bool oneLine = size == sizes.back();
        Bytes utf8 = random.Text(size, false);
        if (oneLine)
            std::replace_if(
                utf8.begin(), utf8.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
        // A CR ending one read piece and its LF starting the next.
        for (size_t at = (1 << 16) - 1; at + 1 < utf8.size() && !oneLine; at += 1 << 16)
            utf8.replace(at, 2, "\r\n");
        const QString unicode = QString::fromUtf8(ToQ(utf8));
        Bytes withStrays = utf8;
        for (size_t i = 0; i < withStrays.size(); i += 997)
            if (!Continues(withStrays[i]) && static_cast<uint8_t>(withStrays[i]) < 0x80)
                withStrays[i] = '\xff';
        // Not UTF-8, nor starting as UTF-16 does; 0x80 to 0x9F, where Windows-1252 is not
        // Latin-1, are left to the round trip.
        Bytes latin = "x";
        for (size_t i = 1; i < size; ++i) {
            const auto b = static_cast<uint8_t>(random.Below(256));
            latin += static_cast<char>(b >= 0x80 && b < 0xA0 ? b + 0x40 : b);
        }
        const QByteArray utf16le(reinterpret_cast<const char*>(unicode.utf16()),
                                 unicode.size() * 2);
        QByteArray utf16be = utf16le;
        for (qsizetype i = 0; i + 1 < utf16be.size(); i += 2)
            std::swap(utf16be[i], utf16be[i + 1]);
        Bytes crOnly;
        for (size_t i = 0; i < utf8.size(); ++i)
            if (utf8[i] != '\n' || i == 0 || utf8[i - 1] != '\r')
                crOnly += utf8[i] == '\n' ? '\r' : utf8[i];
        struct Case {
            const char* name;
            Bytes file;
            Bytes shown;
        } cases[] = {
            {"UTF-8", utf8, utf8},
            {"UTF-8 with CR line ends", crOnly, crOnly},
            {"UTF-8 with stray bytes", withStrays, withStrays},
            {"UTF-8 with its mark", "\xef\xbb\xbf" + utf8, utf8},
            {"UTF-16 LE", "\xff\xfe" + ToBytes(utf16le), ToBytes(unicode.toUtf8())},
            {"UTF-16 BE", "\xfe\xff" + ToBytes(utf16be), ToBytes(unicode.toUtf8())},
            {"Windows-1252", latin, ToBytes(QString::fromLatin1(ToQ(latin)).toUtf8())},
        };
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(size) + " " + c.name);
            const QString path = WriteFile("in", ToQ(c.file));
            if (View()->m_bWordWrap != oneLine)
                Exec(ID_VIEW_WORDWRAP);
            ui.boxReplies = {IDNO};
            ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(path));
            EXPECT_TRUE(Text() == c.shown) << FirstDifference(Text(), c.shown);
            EXPECT_TRUE(LineStarts() == PlainLineStarts(c.shown)) << "line starts differ";
            ASSERT_TRUE(Doc()->OnSaveDocument(Path("out")));
            EXPECT_TRUE(ToBytes(ReadFile(Path("out"))) == c.file) << "saved bytes differ";
        }
    }
}

TEST_F(ScaleTest, LineCommandsInsertFileAndHexDumpGiveThePlainResult) {
    ASSERT_TRUE(Start());
    RandomText random(17);
    for (size_t size : Sizes()) {
        const Bytes text = random.Text(size, true);
        const std::vector<size_t> lines = PlainLineStarts(text);
        const auto lineOf = [&](size_t pos) {
            return static_cast<size_t>(std::upper_bound(lines.begin(), lines.end(), pos) -
                                       lines.begin() - 1);
        };
        {
            SCOPED_TRACE(std::to_string(size) + " indent and unindent");
            Open(ToQ(text));
            const size_t from = lines[lines.size() / 5], to = lines[lines.size() * 4 / 5] + 1;
            View()->SetSel(static_cast<long>(from), static_cast<long>(to));
            Bytes indented, unindented;
            for (size_t line = 0; line < lines.size(); ++line) {
                const size_t start = lines[line];
                const size_t end = line + 1 < lines.size() ? lines[line + 1] : text.size();
                const Bytes l = text.substr(start, end - start);
                const bool selected = line >= lineOf(from) && line <= lineOf(to);
                indented += (selected ? "\t" : "") + l;
                unindented +=
                    selected && !l.empty() && (l[0] == ' ' || l[0] == '\t') ? l.substr(1) : l;
            }
            Exec(ID_INDENT_INCREASE);
            EXPECT_TRUE(Text() == indented) << FirstDifference(Text(), indented);
            Exec(ID_EDIT_UNDO);
            View()->SetSel(static_cast<long>(from), static_cast<long>(to));
            Exec(ID_INDENT_DECREASE);
            EXPECT_TRUE(Text() == unindented) << FirstDifference(Text(), unindented);
        }
        {
            SCOPED_TRACE(std::to_string(size) + " delete line");
            Open(ToQ(text));
            const size_t line = lines.size() - 1 - random.Below(std::min<size_t>(lines.size(), 50));
            View()->SetSel(static_cast<long>(lines[line]), static_cast<long>(lines[line]));
            Exec(ID_EDIT_DELETELINE);
            const size_t end = line + 1 < lines.size() ? lines[line + 1] : text.size();
            EXPECT_TRUE(Text() == text.substr(0, lines[line]) + text.substr(end));
        }
        {
            SCOPED_TRACE(std::to_string(size) + " insert file");
            Bytes inserted = random.Text(size, false);
            for (size_t at = (1 << 18) - 1; at + 1 < inserted.size(); at += 1 << 18)
                inserted.replace(at, 2, "\r\n");
            const Bytes host = "\n" + inserted.substr(0, 1000) + "\r";
            Open(ToQ(host));
            View()->SetSel(static_cast<long>(host.size() - 1), static_cast<long>(host.size() - 1));
            ui.fileNames.push_back(WriteFile("inserted", ToQ(inserted)));
            Exec(ID_FILE_INSERT);
            const Bytes expected = host.substr(0, host.size() - 1) + inserted + "\r";
            EXPECT_TRUE(Text() == expected) << FirstDifference(Text(), expected);
            EXPECT_TRUE(LineStarts() == PlainLineStarts(expected)) << "line starts differ";
        }
        {
            SCOPED_TRACE(std::to_string(size) + " hex dump");
            Open(ToQ(text));
            Exec(ID_VIEW_READONLY);
            Exec(ID_VIEW_HEX);
            EXPECT_TRUE(Text() == PlainHexDump(text))
                << FirstDifference(Text(), PlainHexDump(text));
            Exec(ID_VIEW_HEX);
            Exec(ID_VIEW_READONLY);
        }
    }
}
} // namespace
