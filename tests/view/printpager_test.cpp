#include "view/printpager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {
// The component's page layout as it behaves: lines wrap into rows of `width` bytes, and a page
// that starts inside a line skips that line's earlier rows but still counts them as printed.
class ComponentLike : public CPrintPager::Layout {
public:
    ComponentLike(const std::vector<long>& lineLengths, long width, int rowHeight)
        : m_width(width), m_rowHeight(rowHeight) {
        m_starts.push_back(0);
        for (long n : lineLengths)
            m_starts.push_back(m_starts.back() + n);
    }

    long Format(bool draw, const QRect& render, long cpMin, long cpMax) override {
        const int bottom = render.bottom() + 1;
        long line = LineFromPosition(cpMin);
        const long last = std::min(std::max(line, line + (bottom - render.top()) / m_rowHeight - 1),
                                   LineFromPosition(cpMax));
        long pos = cpMin;
        long visible = 0;
        for (int y = render.top(); line <= last && y < bottom; ++line) {
            const long length = m_starts[line + 1] - m_starts[line];
            const long rows = std::max(1L, (length + m_width - 1) / m_width);
            if (visible == 0) {
                const long within = pos - m_starts[line];
                for (long k = 0; k < rows - 1; ++k)
                    if (k * m_width <= within && (k + 1) * m_width >= within)
                        visible = -k;
                if (rows > 1 && within >= (rows - 1) * m_width)
                    visible = -(rows - 1);
            }
            for (long k = 0; k < rows; ++k) {
                if (y + m_rowHeight > bottom)
                    continue;
                if (visible >= 0) {
                    if (draw)
                        drawn.emplace_back(line, k);
                    y += m_rowHeight;
                }
                ++visible;
                pos = k == rows - 1 ? m_starts[line + 1] : pos + m_width;
            }
        }
        return pos;
    }
    long LineFromPosition(long pos) const override {
        const auto it = std::upper_bound(m_starts.begin(), m_starts.end() - 1, pos);
        return std::max<long>(0, (it - m_starts.begin()) - 1);
    }
    long LineStart(long line) const override {
        return m_starts[std::min<size_t>(line, m_starts.size() - 1)];
    }
    long Length() const override { return m_starts.back(); }

    // Every row of the text, in order, as (line, row of the line).
    std::vector<std::pair<long, long>> AllRows() const {
        std::vector<std::pair<long, long>> rows;
        for (size_t line = 0; line + 1 < m_starts.size(); ++line) {
            const long n =
                std::max(1L, (m_starts[line + 1] - m_starts[line] + m_width - 1) / m_width);
            for (long k = 0; k < n; ++k)
                rows.emplace_back(line, k);
        }
        return rows;
    }

    std::vector<std::pair<long, long>> drawn;

private:
    std::vector<long> m_starts;
    long m_width;
    int m_rowHeight;
};

TEST(PrintPager, EveryRowIsPrintedOnceInOrderWhateverTheLinesAndPages) {
    const std::vector<long> texts[] = {
        {2000 * 7},                         // one long line
        {3, 50, 1, 1, 29, 700, 2, 7, 8, 6}, // a mix, with rows filled exactly
        {7, 14, 21, 1, 1, 1, 300, 13},
        {1, 1, 1, 1, 1, 1, 1, 1},
    };
    for (const auto& lines : texts) {
        for (int rowsPerPage : {1, 2, 3, 5, 8}) {
            for (int slack : {0, 4}) { // the page need not be a whole number of rows high
                ComponentLike layout(lines, 7, 10);
                CPrintPager pager;
                const QRect render(5, 20, 100, rowsPerPage * 10 + slack);
                long pos = 0;
                int pages = 0;
                while (pos < layout.Length() && pages < 100000) {
                    const size_t before = layout.drawn.size();
                    const long next = pager.FormatPage(layout, true, render, pos, layout.Length());
                    ASSERT_GT(next, pos);
                    EXPECT_LE(layout.drawn.size() - before, static_cast<size_t>(rowsPerPage));
                    pos = next;
                    ++pages;
                }
                EXPECT_EQ(pos, layout.Length());
                EXPECT_EQ(layout.drawn, layout.AllRows())
                    << lines.size() << " lines, " << rowsPerPage << " rows a page";
            }
        }
    }
}

TEST(PrintPager, APageStartingAnywhereInALineEndsWhereItsRowsEnd) {
    ComponentLike layout({100, 5, 60}, 10, 10);
    const QRect render(0, 0, 100, 30); // three rows
    const struct {
        long from, to;
    } cases[] = {{0, 30}, {30, 60}, {80, 105}, {90, 115}, {100, 105 + 20}, {145, 165}};
    for (const auto& c : cases) {
        CPrintPager pager; // nothing learnt from a page before
        EXPECT_EQ(pager.FormatPage(layout, false, render, c.from, layout.Length()), c.to) << c.from;
    }
}

TEST(PrintPager, APageWithNoRoomForARowPrintsNothing) {
    ComponentLike layout({40}, 10, 10);
    CPrintPager pager;
    EXPECT_EQ(pager.FormatPage(layout, true, QRect(0, 0, 100, 9), 0, 40), 0);
    EXPECT_TRUE(layout.drawn.empty());
}
} // namespace
