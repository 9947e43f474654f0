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

QRect CLumettaView::PrintArea(const QRect& page, QSize dpi) const {
    // The margins count from the paper's edges; the right and bottom ones from the edges of
    // the printable area.
    return QRect(QPoint(TwipsToPixels(m_rectMargins.left, dpi.width()),
                        TwipsToPixels(m_rectMargins.top, dpi.height())),
                 QPoint(page.right() - TwipsToPixels(m_rectMargins.right, dpi.width()),
                        page.bottom() - TwipsToPixels(m_rectMargins.bottom, dpi.height())));
}

bool CLumettaView::LeavesRoom(const QRect& area, QSize dpi) const {
    // Room for a character of the text's font, as tall as it is wide or so.
    return area.width() >= TwipsToPixels(m_charFormat.yHeight, dpi.width()) &&
           area.height() >= TwipsToPixels(m_charFormat.yHeight, dpi.height());
}

void CLumettaView::OnBeginPrinting(QPainter* painter, CPrintInfo& info) {
    FormatRange(false, nullptr, QRect(), QRect(), 0, 0); // forget any cached layout
    m_nPrintPos = 0;
    if (!painter && !LeavesRoom(PrintArea(info.m_rectDraw, info.m_dpi), info.m_dpi)) {
        info.m_strError = QString::fromUtf8(Str::MarginsLeaveNoRoom);
        info.m_bContinuePrinting = false;
    }
}

void CLumettaView::OnPrepareDC(QPainter*, CPrintInfo& info) {
    if (m_nPrintPos >= GetTextLength())
        info.m_bContinuePrinting = false;
}

void CLumettaView::OnPrint(QPainter& painter, CPrintInfo& info) {
    const QSize dpi(painter.device()->logicalDpiX(), painter.device()->logicalDpiY());
    const QRect page = info.m_rectDraw;
    const long next = FormatRange(info.m_bDraw, &painter, PrintArea(page, dpi), page, m_nPrintPos,
                                  GetTextLength());
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
    const RECT before = m_rectMargins;
    m_rectMargins =
        RECT{back(chosen.left()), back(chosen.top()), back(chosen.right()), back(chosen.bottom())};
    const QSize dpi(edited.logicalDpiX(), edited.logicalDpiY());
    edited.setFullPage(true);
    if (!LeavesRoom(PrintArea(edited.pageLayout().paintRectPixels(edited.resolution()), dpi),
                    dpi)) {
        m_rectMargins = before; // nothing chosen is kept
        Ui().MessageBox(QString::fromUtf8(Str::MarginsLeaveNoRoom), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    app->SelectPrinter(edited);
}

void CLumettaView::OnFilePrintPreview() {
    if (m_pDocument)
        m_pDocument->MakeChangesDurable(); // a printer driver can take the program down
    CWinApp* app = AfxGetApp();
    // The preview draws the pages as Print does; printing from it goes the same way.
    Ui().PrintPreview(app->Printer(), [this](QPrinter& printer) {
        if (PrintDocument(*this, printer, false) == kPrinterFailed)
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
    if (PrintDocument(*this, printer, true) == kPrinterFailed)
        Ui().MessageBox(QString::fromUtf8(Str::PrinterFailed)
                            .arg(printer.outputFileName().isEmpty() ? printer.printerName()
                                                                    : printer.outputFileName()),
                        MB_OK | MB_ICONEXCLAMATION);
}
