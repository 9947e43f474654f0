#include "text/memoryfit.h"

#include <gtest/gtest.h>

namespace {
TEST(MemoryFit, AvailableMemoryIsWhatIsAvailableAndFreeSwap) {
    const struct {
        const char* meminfo;
        int64_t available;
    } cases[] = {
        {"MemTotal:       24000000 kB\nMemFree:  100 kB\nMemAvailable:   1000 kB\n"
         "SwapTotal: 0 kB\nSwapFree:       24 kB\n",
         1024 * 1024},
        {"MemAvailable: 2048 kB\n", 2048 * 1024},            // no swap line
        {"MemAvailableX: 5 kB\nMemAvailable: 1 kB\n", 1024}, // a longer name is another
        {"MemTotal: 10 kB\nMemFree: 5 kB\n", -1},            // too old a kernel to say
        {"MemAvailable: lots\n", -1},
        {"", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AvailableMemoryIn(c.meminfo), c.available) << c.meminfo;
    EXPECT_GT(AvailableMemory(), 0); // this machine's
    // The text, eight bytes a line for its index as the start of it shows the lines, and a margin.
    const int64_t margin = MemoryToLoad(0);
    EXPECT_GT(margin, 0);
    EXPECT_EQ(MemoryToLoad(-1), margin);
    EXPECT_EQ(MemoryToLoad(1000), 1000 + margin);
    EXPECT_EQ(MemoryToLoad(1000, "abc\ndef\n"), 1000 + 250 * 8 + margin);
}
} // namespace
