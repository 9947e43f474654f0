#include "view/printpager.h"

#include <algorithm>
#include <climits>

QRect CPrintPager::Rows(const QRect& render, long rows, int rowHeight) {
    const long height = std::min<long>(rows * rowHeight, INT_MAX / 2);
    return QRect(render.left(), render.top(), render.width(), static_cast<int>(height));
}

int CPrintPager::RowHeight(Layout& layout, const QRect& render, long cpMin, long cpMax) const {
    // A row is laid out exactly when the rectangle is at least a row high.
    int low = 1;
    int high = render.height();
    if (high < 1 || layout.Format(false, Rows(render, high, 1), cpMin, cpMax) <= cpMin)
        return 0;
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (layout.Format(false, Rows(render, mid, 1), cpMin, cpMax) > cpMin)
            high = mid;
        else
            low = mid + 1;
    }
    return low;
}

long CPrintPager::RowsBefore(Layout& layout, const QRect& render, long pos, long cpMax) const {
    // The fewest rows, laid out from the line's start, that reach `pos`.
    const long start = layout.LineStart(layout.LineFromPosition(pos));
    const auto reaches = [&](long rows) {
        return layout.Format(false, Rows(render, rows, m_nRowHeight), start, cpMax) >= pos;
    };
    const long most = INT_MAX / 2 / m_nRowHeight;
    long high = 1;
    while (high < most && !reaches(high))
        high = std::min(high * 2, most);
    long low = high / 2 + 1;
    while (low < high) {
        const long mid = low + (high - low) / 2;
        if (reaches(mid))
            high = mid;
        else
            low = mid + 1;
    }
    return high;
}

long CPrintPager::FormatPage(Layout& layout, bool draw, const QRect& render, long cpMin,
                             long cpMax) {
    if (m_nRowHeight == 0)
        m_nRowHeight = RowHeight(layout, render, cpMin, cpMax);
    if (m_nRowHeight == 0)
        return cpMin; // not one row fits
    const long line = layout.LineFromPosition(cpMin);
    const long lineStart = layout.LineStart(line);
    long rowsBefore = 0;
    if (cpMin != lineStart)
        rowsBefore = cpMin == m_nNextPos ? m_nNextRows : RowsBefore(layout, render, cpMin, cpMax);
    long next = layout.Format(draw, render, cpMin, cpMax);
    const long lineEnd = layout.LineStart(line + 1);
    if (rowsBefore > 0 && next < lineEnd) {
        // The page ended inside its first line: the count is too far on by the rows skipped.
        next -= cpMin - lineStart;
    } else if (rowsBefore > 0) {
        // Laid out from the line's start, with the rows printed before above the page, the
        // count is right.
        const long above = std::min<long>(rowsBefore * m_nRowHeight, INT_MAX / 2);
        next = layout.Format(false, render.adjusted(0, -static_cast<int>(above), 0, 0), lineStart,
                             cpMax);
    }
    const long nextLine = layout.LineFromPosition(next);
    if (next >= layout.Length() || next == layout.LineStart(nextLine))
        m_nNextRows = 0;
    else if (nextLine == line)
        m_nNextRows = rowsBefore + render.height() / m_nRowHeight;
    else
        m_nNextRows = RowsBefore(layout, render, next, cpMax);
    m_nNextPos = next;
    return next;
}
