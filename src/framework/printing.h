// The printing loop: pages are printed one after another by a view's printing steps until it
// says the job is done, with a progress dialog that can cancel the job.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>

class QPainter;
class QPrinter;

struct CPrintInfo {
    bool m_bContinuePrinting = true;
    int m_nCurPage = 1;
    bool m_bDraw = true; // false for a page before the range chosen: laid out, not printed
    QRect m_rectDraw; // the printable area, in the printer's device pixels from the paper's corner
    QSize m_dpi;      // the printer's resolution
    QString m_strError; // why the job stopped before the end, said to the user once it ends
};

class CPrintable {
public:
    virtual ~CPrintable() = default;
    // The painter is null while the loop asks, before any output exists, whether there is a
    // first page at all (info.m_rectDraw and m_dpi are set then already); a job that cannot be
    // done says why in info.m_strError.
    virtual void OnBeginPrinting(QPainter* painter, CPrintInfo& info) = 0;
    // Before each page; clears info.m_bContinuePrinting when there is nothing more to print.
    virtual void OnPrepareDC(QPainter* painter, CPrintInfo& info) = 0;
    virtual void OnPrint(QPainter& painter, CPrintInfo& info) = 0;
    virtual void OnEndPrinting(QPainter* painter, CPrintInfo& info) = 0;
};

// Prints on `printer` the pages of the range chosen in its print dialog, or all; returns the
// number of pages printed, kPrinterFailed when the printer could not be started, or kPrintFailed
// when the job could not be done or stopped early for another reason than the user's Cancel,
// which a message box has said why. A job with nothing to print creates no output at all.
constexpr int kPrinterFailed = -1;
constexpr int kPrintFailed = -2;
int PrintDocument(CPrintable& view, QPrinter& printer, bool showProgress);

// Multiplies, then divides with rounding to the nearest whole number, halves away from zero.
inline int MulDiv(int number, int numerator, int denominator) {
    const long long product = static_cast<long long>(number) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : -((-product + half) / denominator));
}
