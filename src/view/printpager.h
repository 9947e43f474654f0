// Pages through a text that the component lays out for printing. The component draws a page
// that starts inside a wrapped line correctly, but then counts the rows it skipped to get there
// as printed and returns a position too far on; the pager gives the true position, in which
// the page's rows end.
#pragma once

#include <QRect>

class CPrintPager {
public:
    // The component's own page layout, and the lines of the text it lays out.
    class Layout {
    public:
        virtual ~Layout() = default;
        // Lays out (and with `draw`, draws) from `cpMin` the rows that fit into `render`;
        // returns the component's idea of the first position not laid out.
        virtual long Format(bool draw, const QRect& render, long cpMin, long cpMax) = 0;
        virtual long LineFromPosition(long pos) const = 0;
        virtual long LineStart(long line) const = 0;
        virtual long Length() const = 0;
    };

    // Lays out (and draws) the page that starts at `cpMin`, a position where a printed row
    // starts; returns the first position not on it.
    long FormatPage(Layout& layout, bool draw, const QRect& render, long cpMin, long cpMax);
    // Forgets what was learnt about the layout: for a new job, text or printer.
    void Reset() { *this = CPrintPager(); }

private:
    // The height of one printed row; 0 when not even one row fits into `render`.
    int RowHeight(Layout& layout, const QRect& render, long cpMin, long cpMax) const;
    // How many rows of its line come before `pos`.
    long RowsBefore(Layout& layout, const QRect& render, long pos, long cpMax) const;
    static QRect Rows(const QRect& render, long rows, int rowHeight);

    int m_nRowHeight = 0;
    long m_nNextPos = -1; // where the last page ended
    long m_nNextRows = 0; // and how many rows of its line came before it
};
