// Printing the text page by page within the page margins, and Page Setup.
#include "view/lumettaview.h"

#include "framework/document.h"
#include "framework/uiservices.h"
#include "resources/strings.h"

#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace {
int TwipsToPixels(int twips, int dpi) {
    return MulDiv(twips, dpi, 1440);
}
} // namespace

void CLumettaView::OnBeginPrinting(QPainter*, CPrintInfo&) {
    FormatRange(false, nullptr, QRect(), QRect(), 0, 0); // forget any cached layout
    m_nPrintPos = 0;
}

void CLumettaView::OnPrepareDC(QPainter*, CPrintInfo& info) {
    if (m_nPrintPos >= GetTextLength())
        info.m_bContinuePrinting = false;
}

void CLumettaView::OnPrint(QPainter& painter, CPrintInfo& info) {
    const int dpiX = painter.device()->logicalDpiX();
    const int dpiY = painter.device()->logicalDpiY();
    // The margins count from the paper's edges; the right and bottom ones from the edges of
    // the printable area.
    const QRect page = info.m_rectDraw;
    const QRect render(
        QPoint(TwipsToPixels(m_rectMargins.left, dpiX), TwipsToPixels(m_rectMargins.top, dpiY)),
        QPoint(page.right() - TwipsToPixels(m_rectMargins.right, dpiX),
               page.bottom() - TwipsToPixels(m_rectMargins.bottom, dpiY)));
    const long next = FormatRange(true, &painter, render, page, m_nPrintPos, GetTextLength());
    if (next <= m_nPrintPos) {
        // Not one line fits: the job ends rather than printing blank pages for ever.
        info.m_bContinuePrinting = false;
        info.m_strError = QString::fromUtf8(Str::PrintNoRoom).arg(info.m_nCurPage - 1);
        return;
    }
    m_nPrintPos = next;
}

void CLumettaView::OnEndPrinting(QPainter*, CPrintInfo&) {
    FormatRange(false, nullptr, QRect(), QRect(), 0, 0);
}

void CLumettaView::OnFilePageSetup() {
    CWinApp* app = AfxGetApp();
    QPrinter& printer = app->Printer();
    // The dialog shows the margins in hundredths of a millimetre.
    const QMarginsF shown(MulDiv(m_rectMargins.left, 2540, 1440) / 100.0,
                          MulDiv(m_rectMargins.top, 2540, 1440) / 100.0,
                          MulDiv(m_rectMargins.right, 2540, 1440) / 100.0,
                          MulDiv(m_rectMargins.bottom, 2540, 1440) / 100.0);
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    layout.setMinimumMargins(QMarginsF());
    layout.setMargins(shown);
    printer.setPageLayout(layout);
    QPrinter edited(QPrinter::HighResolution);
    edited.setPrinterName(printer.printerName());
    edited.setOutputFormat(printer.outputFormat());
    edited.setOutputFileName(printer.outputFileName());
    edited.setPageLayout(layout);
    if (!Ui().PageSetup(edited))
        return;
    const QMarginsF chosen = edited.pageLayout().margins(QPageLayout::Millimeter);
    auto back = [](double mm) { return MulDiv(static_cast<int>(qRound(mm * 100)), 1440, 2540); };
    m_rectMargins =
        RECT{back(chosen.left()), back(chosen.top()), back(chosen.right()), back(chosen.bottom())};
    app->SelectPrinter(edited);
}

void CLumettaView::OnFilePrintPreview() {
    if (m_pDocument)
        m_pDocument->MakeChangesDurable(); // a printer driver can take the program down
    CWinApp* app = AfxGetApp();
    // The preview draws the pages as Print does; printing from it goes the same way.
    Ui().PrintPreview(app->Printer(), [this](QPrinter& printer) {
        if (PrintDocument(*this, printer, false) < 0)
            Ui().MessageBox(QString::fromUtf8(Str::PrinterFailed)
                                .arg(printer.outputFileName().isEmpty() ? printer.printerName()
                                                                        : printer.outputFileName()),
                            MB_OK | MB_ICONEXCLAMATION);
    });
}

void CLumettaView::OnFilePrintDirect() {
    if (m_pDocument)
        m_pDocument->MakeChangesDurable(); // a printer driver can take the program down
    CWinApp* app = AfxGetApp();
    QPrinter& printer = app->Printer();
    // At once on the chosen or default printer; the print dialog only when there is none.
    if (!app->HasPrinter() && !Ui().PrintDialog(printer))
        return;
    if (PrintDocument(*this, printer, true) < 0)
        Ui().MessageBox(QString::fromUtf8(Str::PrinterFailed)
                            .arg(printer.outputFileName().isEmpty() ? printer.printerName()
                                                                    : printer.outputFileName()),
                        MB_OK | MB_ICONEXCLAMATION);
}
