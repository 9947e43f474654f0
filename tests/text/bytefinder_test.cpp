#include "text/bytefinder.h"
#include "text/textencoding.h"

#include <gtest/gtest.h>

#include <random>

namespace {
// The end of a match at `p` found the slow way, character by character, or null.
const char* SlowMatch(const QByteArray& needle, bool matchCase, const char* p, const char* end) {
    if (matchCase)
        return end - p >= needle.size() && QByteArray(p, needle.size()) == needle
                   ? p + needle.size()
                   : nullptr;
    const char* n = needle.constData();
    const char* nend = n + needle.size();
    while (n < nend) {
        char32_t a, b;
        if (p >= end || !NextUtf8(n, nend, a) || !NextUtf8(p, end, b) || FoldCase(a) != FoldCase(b))
            return nullptr;
    }
    return p;
}

// The filter that skips most places must never skip a match: the scan agrees with trying
// every place, first and last, over texts long enough for the sixteen-byte steps.
TEST(ByteFinder, AgreesWithTryingEveryPlace) {
    const char* pieces[] = {
        "a",
        "A",
        "k",
        "K",
        "s",
        "S",
        "e",
        " ",
        "\n",
        "\xc3\xa9",
        "\xc3\x89",     // é É
        "\xe2\x84\xaa", // Kelvin sign
        "\xc5\xbf",     // long s
        "\xc3\x9f",
        "\xe1\xba\x9e", // ß ẞ
        "\xcf\x83",
        "\xcf\x82",
        "\xce\xa3", // σ ς Σ
        "\xe2\x84\xa6",
        "\xcf\x89",         // Ohm sign, ω
        "\xf0\x9f\x98\x80", // beyond the BMP
    };
    const int count = sizeof pieces / sizeof pieces[0];
    std::mt19937 rng(15);
    for (int round = 0; round < 3000; ++round) {
        QByteArray text, needle;
        const int len = 1 + rng() % 90;
        while (text.size() < len)
            text += pieces[rng() % count];
        for (int i = 1 + rng() % 3; i > 0; --i)
            needle += pieces[rng() % count];
        const bool matchCase = rng() % 4 == 0;
        const char* base = text.constData();
        const char* end = base + text.size();
        const char *first = nullptr, *firstEnd = nullptr, *last = nullptr, *lastEnd = nullptr;
        for (const char* p = base; p < end; ++p)
            if (const char* e = SlowMatch(needle, matchCase, p, end)) {
                if (!first)
                    first = p, firstEnd = e;
                last = p, lastEnd = e;
            }
        const CByteFinder finder(needle, matchCase);
        const char* stop = nullptr;
        const std::string what = "text " + text.toHex().toStdString() + " needle " +
                                 needle.toHex().toStdString() + (matchCase ? " case" : "");
        ASSERT_EQ(finder.Find(base, end, &stop), first) << what;
        if (first)
            ASSERT_EQ(stop, firstEnd) << what;
        ASSERT_EQ(finder.FindLast(base, end, nullptr, &stop), last) << what;
        if (last)
            ASSERT_EQ(stop, lastEnd) << what;
    }
}
} // namespace
