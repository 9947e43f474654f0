// Regular expressions, checked against the plain way: PCRE2 asked for each match in turn from
// the text's start, and replacements built one match at a time, on texts whose sizes cross each
// limit of the bulk replacement.
#include "reference/plaintext.h"
#include "text/regexfinder.h"
#include "text/replaceall.h"
#include "text/textdocument.h"
#include "text/textsearch.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

using namespace Plain;

namespace {
size_t NextBoundary(const Bytes& s, size_t p) {
    do
        ++p;
    while (p < s.size() && !Boundary(s, p));
    return p;
}

size_t PrevBoundary(const Bytes& s, size_t p) {
    do
        --p;
    while (p > 0 && !Boundary(s, p));
    return p;
}

// A pattern compiled as the editor compiles it, matched only where the caller says.
class Reference {
public:
    Reference(const Bytes& pattern, bool matchCase) {
        pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
        pcre2_set_newline(context, PCRE2_NEWLINE_ANYCRLF);
        int error = 0;
        PCRE2_SIZE offset = 0;
        m_code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(),
                               PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_UCP | PCRE2_MULTILINE |
                                   (matchCase ? 0 : PCRE2_CASELESS),
                               &error, &offset, context);
        pcre2_compile_context_free(context);
        pcre2_jit_compile(m_code, PCRE2_JIT_COMPLETE);
        m_match = pcre2_match_data_create(10, nullptr);
    }
    ~Reference() {
        pcre2_match_data_free(m_match);
        pcre2_code_free(m_code);
    }
    // The first match starting at or after `at` in s[0, to), `$` matching at `to` when a line
    // break follows it.
    bool From(const Bytes& s, size_t at, size_t to, Match* m, uint32_t options = 0) {
        const bool lineEnds = to == s.size() || s[to] == '\n' || s[to] == '\r';
        const int rc = pcre2_match(m_code, reinterpret_cast<PCRE2_SPTR>(s.data()), to, at,
                                   options | (lineEnds ? 0 : PCRE2_NOTEOL), m_match, nullptr);
        if (rc < 0)
            return false;
        m_nSet = rc;
        const PCRE2_SIZE* v = pcre2_get_ovector_pointer(m_match);
        *m = Match{v[0], v[1]};
        return true;
    }
    // The first match from `from` ending by `to`; or the last, asking from each character after
    // the start of the match before.
    Match Find(const Bytes& s, size_t from, size_t to, bool last) {
        Match m, found;
        while (from <= to && From(s, from, to, &m)) {
            found = m;
            if (!last)
                break;
            from = NextBoundary(s, m.start);
        }
        if (last && found.start != kNone)
            From(s, found.start, to, &m); // the groups of the one found
        return found;
    }
    // The match starting just at `at` in s[0, to).
    bool At(const Bytes& s, size_t at, size_t to, Match* m) {
        return From(s, at, to, m, PCRE2_ANCHORED);
    }
    // The last start in [0, to] with a match ending by `to`, looked for one start at a time
    // from `to` back: on long texts, where asking from the text's start for each match would
    // take too long.
    Match LastBackwards(const Bytes& s, size_t to) {
        Match m;
        for (size_t at = to + 1; at-- > 0;) {
            if (Boundary(s, at) && At(s, at, to, &m))
                return m;
        }
        return {};
    }
    // \0 to \9, \n, \t and \\ of the match just found.
    Bytes Expand(const Bytes& s, const Bytes& with) {
        const PCRE2_SIZE* v = pcre2_get_ovector_pointer(m_match);
        Bytes out;
        for (size_t i = 0; i < with.size(); ++i) {
            const char c = i + 1 < with.size() && with[i] == '\\' ? with[++i] : 0;
            if (c >= '0' && c <= '9') {
                const size_t g = c - '0';
                if (static_cast<int>(g) < m_nSet && v[2 * g] != PCRE2_UNSET)
                    out += s.substr(v[2 * g], v[2 * g + 1] - v[2 * g]);
            } else if (c) {
                out += c == 'n' ? "\n" : c == 't' ? "\t" : c == '\\' ? "\\" : Bytes{'\\', c};
            } else {
                out += with[i];
            }
        }
        return out;
    }

private:
    pcre2_code* m_code;
    pcre2_match_data* m_match;
    int m_nSet = 0; // the groups the last match sets, the whole match included
};

// Replacing every match of the text as it was, one at a time: forwards, each search going on
// from the last match's end, or a character on from an empty match; backwards, each search
// ending at the last match's start, or a character back from an empty one.
Bytes ReplaceEach(const Bytes& s, const Bytes& find, const Bytes& with, bool matchCase,
                  bool backwards, int* count) {
    Reference re(find, matchCase);
    std::vector<std::pair<Match, Bytes>> edits;
    size_t from = 0, to = s.size();
    for (;;) {
        const Match m = backwards ? re.LastBackwards(s, to) : re.Find(s, from, to, false);
        if (m.start == kNone)
            break;
        edits.push_back({m, re.Expand(s, with)});
        const bool empty = m.end == m.start;
        if (!backwards && (!empty || m.end < s.size()))
            from = empty ? NextBoundary(s, m.end) : m.end;
        else if (backwards && (!empty || m.start > 0))
            to = empty ? PrevBoundary(s, m.start) : m.start;
        else
            break;
    }
    if (backwards)
        std::reverse(edits.begin(), edits.end());
    *count = static_cast<int>(edits.size());
    Bytes out;
    size_t copied = 0;
    for (const auto& [m, replacement] : edits) {
        out += s.substr(copied, m.start - copied) + replacement;
        copied = m.end;
    }
    return out + s.substr(copied);
}

// Line ends of every kind, letters that fold beyond ASCII, stray bytes, a cut sequence and a NUL.
const Bytes kFixture = "Err42x one\r\ntwo err7x\rCAF\xc3\x89 caf\xc3\xa9 \xce\xa3\xcf\x83\xcf\x82\n"
                       "a\xe9"
                       "b a\xc3\xa9"
                       "b \xe2\x82 q\x80q\n"
                       "\n  indented aa bb\r\n\0nul ab12ab\n";

struct PatternCase {
    const char* pattern;
    bool matchCase;
};
const PatternCase kPatterns[] = {
    {"err[0-9]+x", false},             // a class, folded
    {"err[0-9]+x", true},              //
    {"^", true},                       // empty matches at every line's start, whatever its end
    {"$", true},                       //
    {"^\\s*$", true},                  // blank lines
    {"x$|^t", true},                   // alternation at both anchors
    {"one\\r\\ntwo|x\\rC", true},      // across lines
    {"\\R", true},                     //
    {".", true},                       // a stray byte is no character
    {"a.b", true},                     //
    {"q.q", true},                     //
    {"\\w+", true},                    // letters beyond ASCII are word characters
    {"\\b\\w", true},                  //
    {"x*", true},                      // empty and not
    {"(\\w)\\1", true},                // a back-reference
    {"(ab)\\d+\\1", false},            //
    {"(?<=\\s)[a-z]+(?=\\s|$)", true}, // lookbehind and lookahead
    {"caf\xc3\xa9", false},            // folding beyond ASCII
    {"\xcf\x83+", false},              // three cases of sigma
    {"\\x{e9}", false},                //
    {"\\0", true},                     // the NUL
};

TEST(RegexSearch, FindIsTheFirstOrLastStartWithAMatch) {
    CTextDocument doc;
    doc.Insert(0, ToQ(kFixture));
    CTextSearch search;
    const size_t n = kFixture.size();
    for (const PatternCase& c : kPatterns) {
        SCOPED_TRACE(std::string(c.pattern) + (c.matchCase ? "" : " any case"));
        Reference re(c.pattern, c.matchCase);
        const SearchOptions options{c.matchCase, false, true};
        for (size_t from = 0; from <= n; from += 3) {
            for (size_t to = from; to <= n; to += 5) {
                for (bool last : {false, true}) {
                    SCOPED_TRACE(std::to_string(from) + ".." + std::to_string(to) +
                                 (last ? " last" : ""));
                    const Match want = re.Find(kFixture, from, to, last);
                    long end = -1;
                    const long got =
                        search.Find(doc, QByteArray(c.pattern), options, from, to, last, &end);
                    // A range's ends move to a character's start, as the plain search's do.
                    if (!Boundary(kFixture, from) || !Boundary(kFixture, to))
                        continue;
                    ASSERT_EQ(got, want.start == kNone ? -1 : static_cast<long>(want.start));
                    if (got != -1)
                        ASSERT_EQ(end, static_cast<long>(want.end));
                }
            }
        }
    }
}

TEST(RegexSearch, WholeWordsAndExactMatches) {
    CTextDocument doc;
    doc.Insert(0, "cat category cat_x cat");
    CTextSearch search;
    const SearchOptions words{true, true, true};
    long end = -1;
    EXPECT_EQ(search.Find(doc, "cat\\w*", words, 1, -1, false, &end), 4);
    EXPECT_EQ(end, 12);
    EXPECT_EQ(search.Find(doc, "c.t", words, 0, -1, true, &end), 19);
    EXPECT_EQ(search.Find(doc, "cat", words, 1, 18, false), -1); // only in longer words
    // A selection is a match of its own when the pattern matches exactly it, seen with the text
    // after it or without.
    EXPECT_TRUE(search.IsMatch(doc, "cat(?= )", SearchOptions{true, false, true}, 0, 3));
    EXPECT_TRUE(search.IsMatch(doc, "cat\\w*", SearchOptions{true, false, true}, 4, 7));
    EXPECT_FALSE(search.IsMatch(doc, "cat", SearchOptions{true, false, true}, 4, 12));
    EXPECT_EQ(search.Replacement(doc, "<\\0>", SearchOptions{true, false, true}), "<cat>");
}

TEST(RegexSearch, InvalidPatternsSayWhyAndWhere) {
    const struct {
        const char* pattern;
        long offset;
    } cases[] = {{"(abc", 4}, {"a[b", 3}, {"x{3,1}", 5}, {"ab\\", 3}, {"a)b", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        const std::optional<RegexError> error = CTextSearch::PatternError(c.pattern);
        ASSERT_TRUE(error);
        EXPECT_FALSE(error->message.isEmpty());
        EXPECT_EQ(error->offset, c.offset);
        // A search for it finds nothing and says why.
        CTextSearch search;
        CTextDocument doc;
        doc.Insert(0, "(abc a[b xxx ab\\");
        EXPECT_EQ(search.Find(doc, c.pattern, SearchOptions{true, false, true}, 0, -1, false), -1);
        EXPECT_EQ(search.Failure(), error->message);
    }
    int groups = -1;
    EXPECT_FALSE(CTextSearch::PatternError("(a)(?:b)(c)", &groups));
    EXPECT_EQ(groups, 2);
    EXPECT_EQ(HighestGroupIn("\\1\\\\9 \\3\\n"), 3);
}

TEST(RegexSearch, ABacktrackingPatternGivesUpAndSaysSo) {
    CTextDocument doc;
    doc.Insert(0, QByteArray(30, 'a'));
    CTextSearch search;
    EXPECT_EQ(search.Find(doc, "(a*)*b", SearchOptions{true, false, true}, 0, -1, false), -1);
    // PCRE2 stops such patterns itself or runs out of its limit; either way nothing breaks.
    EXPECT_EQ(search.Find(doc, "(?:a|aa)+$x", SearchOptions{true, false, true}, 0, -1, true), -1);
    EXPECT_TRUE(search.Failure().isEmpty()); // on so short a text, PCRE2 finds nothing: no fault

    // Past the JIT's stack (8 MiB) and PCRE2's match limit: nothing is found, and why is said.
    doc.Insert(0, QByteArray(2000000, 'a'));
    for (const char* pattern : {"(.)*x", "(a*)*b"}) {
        SCOPED_TRACE(pattern);
        EXPECT_EQ(search.Find(doc, pattern, SearchOptions{true, false, true}, 0, -1, false), -1);
        EXPECT_FALSE(search.Failure().isEmpty());
    }
    EXPECT_TRUE(search.Failure().contains("limit")) << search.Failure().toStdString();
}

TEST(RegexSearch, ReplaceAllIsTheMatchesOfTheTextAsItWas) {
    struct Case {
        const char* find;
        const char* with;
        bool matchCase;
        bool backwards;
        bool dense = false; // past 65,536 edits on the smaller texts already
    } cases[] = {
        {"(\\w)(\\w*)", "\\2\\1", true, false, true}, // back-references
        {"\\r?\\n|^a", "<\\0>\\t", true, false},      // `^` looks before the match
        {"(?<=b)a|\\n", "", true, false},             // so do lookbehinds
        {"x*", "-", true, false, true},               // empty matches, a character apart
        {"needle", "\\\\n\\q\\", false, false},       // escapes kept, sparse
        {"[a-z]+$", "\\0\\n", true, true},            // backwards, `$` at the range's end
        {"x*", "-", true, true, true},                //
        {"(\\w+) (\\w+)", "\\2 \\1\\3", false, true}, // a group the pattern lacks: nothing
    };
    RandomText random(11);
    CTextSearch search;
    for (size_t size : Sizes()) {
        const Bytes text = random.Text(size, true);
        for (const Case& c : cases) {
            if (c.dense && size > 2000000)
                continue;
            SCOPED_TRACE(std::to_string(size) + " [" + c.find + "] -> [" + c.with + "]" +
                         (c.backwards ? " backwards" : ""));
            int want = 0;
            const Bytes replaced =
                ReplaceEach(text, c.find, c.with, c.matchCase, c.backwards, &want);
            CTextDocument doc = Holding(text);
            ReplaceAllRequest request;
            request.find = c.find;
            request.with = c.with;
            request.options = SearchOptions{c.matchCase, false, true};
            request.backwards = c.backwards;
            request.selMin = request.selMax = c.backwards ? static_cast<long>(text.size()) : 0;
            ReplaceAllResult result =
                ReplaceAll(doc, search, request, [](double) { return false; });
            const Bytes got = TextOf(doc);
            ASSERT_EQ(got, replaced) << FirstDifference(got, replaced);
            EXPECT_EQ(result.found, want);
            if (!result.record.empty()) {
                SwapBulk(doc, result.record, true);
                const Bytes undone = TextOf(doc);
                ASSERT_EQ(undone, text) << FirstDifference(undone, text);
            }
        }
    }
}

TEST(RegexSearch, WhatAMatchLooksAtStaysAsItWasWhenTheQueueIsApplied) {
    // The queue is applied after 65,536 replacements: the next match looks back at (forwards)
    // or just past (backwards) the last one replaced.
    const long n = CBulkReplace::kMaxQueuedEdits;
    const struct {
        Bytes text;
        const char* find;
        bool backwards;
    } cases[] = {
        {"a" + Bytes(), "a|(?<=a)b", false},
        {"", "a$|\n", true},
    };
    Bytes forwards = "a", backwards;
    for (long i = 0; i < n; ++i) {
        forwards += "ab";
        backwards += "a\n";
    }
    backwards += "\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.find);
        const Bytes& text = c.backwards ? backwards : forwards;
        int want = 0;
        const Bytes replaced = ReplaceEach(text, c.find, "x", true, c.backwards, &want);
        CTextDocument doc = Holding(text);
        CTextSearch search;
        ReplaceAllRequest request;
        request.find = c.find;
        request.with = "x";
        request.options = SearchOptions{true, false, true};
        request.backwards = c.backwards;
        request.selMin = request.selMax = c.backwards ? static_cast<long>(text.size()) : 0;
        const ReplaceAllResult result =
            ReplaceAll(doc, search, request, [](double) { return false; });
        EXPECT_EQ(result.found, want);
        EXPECT_EQ(TextOf(doc), replaced) << FirstDifference(TextOf(doc), replaced);
    }
}

TEST(RegexSearch, ReplacingASelectionThatMatchesStartsThere) {
    CTextDocument doc;
    doc.Insert(0, "k=1 k=22 k=333");
    CTextSearch search;
    ReplaceAllRequest request;
    request.find = "k=(\\d+)";
    request.with = "\\1=k";
    request.options = SearchOptions{true, false, true};
    request.selMin = 4;
    request.selMax = 8;
    request.selectionMatches = true;
    const ReplaceAllResult result = ReplaceAll(doc, search, request, [](double) { return false; });
    EXPECT_EQ(doc.Range(0, doc.Length()), "k=1 22=k 333=k");
    EXPECT_EQ(result.found, 1);             // after the selection
    EXPECT_EQ(result.selMin, doc.Length()); // after the last replacement
}
} // namespace
