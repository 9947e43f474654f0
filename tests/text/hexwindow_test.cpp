#include "text/hexwindow.h"

#include <gtest/gtest.h>

namespace {
constexpr long kLines = CHexWindow::kLines;

// The window holds whole lines of the dump, stays inside it and moves only when the lines in
// view come near one of its ends that is not the dump's.
TEST(HexWindow, StaysInsideTheDumpAndMovesOnlyNearItsEnds) {
    struct Case {
        int64_t size;
        long top, screen;
        bool moves;
        long first; // after Follow
    };
    const long far = 3 * kLines;
    const Case cases[] = {
        {0, 0, 40, false, 0},
        {kLines * 16, kLines - 40, 40, false, 0}, // the whole dump fits
        {kLines * 16 + 1, kLines - 40, 40, true, 1},
        {far * 16, kLines - CHexWindow::kGuard - 40, 40, false, 0},
        {far * 16, kLines - CHexWindow::kGuard - 39, 40, true,
         kLines - CHexWindow::kGuard - 19 - kLines / 2},
        {far * 16 + 5, far, 40, true, far + 1 - kLines}, // past the end: the last window
    };
    for (const Case& c : cases) {
        CHexWindow window(c.size);
        EXPECT_EQ(window.Follow(c.top, c.screen), c.moves) << c.size << " " << c.top;
        EXPECT_EQ(window.First(), c.first) << c.size << " " << c.top;
        EXPECT_EQ(window.First() + window.Count(),
                  std::min(window.First() + kLines, window.TotalLines()));
    }
    CHexWindow window(far * 16 + 5);
    EXPECT_EQ(window.TotalLines(), far + 1);
    window.CentreOn(far);
    EXPECT_EQ(window.First() + window.Count(), far + 1); // up to the last, short line
    EXPECT_EQ(window.Count(), kLines);
    window.CentreOn(-5);
    EXPECT_EQ(window.First(), 0);
}
} // namespace
