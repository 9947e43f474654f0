#include "text/hexwindow.h"

#include "text/hexdump.h"

#include <algorithm>

CHexWindow::CHexWindow(int64_t fileSize)
    : m_nTotal(static_cast<long>((std::max<int64_t>(fileSize, 0) + HexDump::kBytesPerLine - 1) /
                                 HexDump::kBytesPerLine)) {}

long CHexWindow::Count() const {
    return std::min(kLines, m_nTotal - m_nFirst);
}

bool CHexWindow::Follow(long top, long screen) {
    const bool nearFirst = m_nFirst > 0 && top - m_nFirst < kGuard;
    const bool nearEnd =
        m_nFirst + Count() < m_nTotal && m_nFirst + Count() - (top + screen) < kGuard;
    if (!nearFirst && !nearEnd)
        return false;
    const long before = m_nFirst;
    CentreOn(top + screen / 2);
    return m_nFirst != before;
}

void CHexWindow::CentreOn(long line) {
    m_nFirst = std::clamp(line - kLines / 2, 0L, std::max(0L, m_nTotal - kLines));
}
