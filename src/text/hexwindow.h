// Which lines of a long hexadecimal dump a view holds: a window of whole lines around those in
// view, moved as the view comes near one of its ends, so that the dump of a file of any size
// takes a few megabytes. Line L of the whole dump shows the file's bytes from 16 L on and starts
// at L * HexDump::kLineLength in it.
#pragma once

#include <cstdint>

class CHexWindow {
public:
    // A window holds 1 MiB of the file; it moves once fewer than kGuard of its lines are left
    // before or after the lines in view.
    static constexpr long kLines = 1L << 16;
    static constexpr long kGuard = kLines / 8;

    explicit CHexWindow(int64_t fileSize);

    long TotalLines() const { return m_nTotal; }
    long First() const { return m_nFirst; }
    long Count() const;

    // Moves the window, when the `screen` lines from line `top` come near one of its ends that
    // is not the dump's, so that they are in its middle; true when it moved.
    bool Follow(long top, long screen);
    // Moves the window so that `line` is in its middle, or as near as the dump's ends allow.
    void CentreOn(long line);

private:
    long m_nTotal;
    long m_nFirst = 0;
};
