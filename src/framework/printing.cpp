#include "framework/printing.h"

#include "framework/uiservices.h"
#include "framework/messages.h"

#include <QApplication>
#include <QPainter>
#include <QPrinter>
#include <QProgressDialog>

int PrintDocument(CPrintable& view, QPrinter& printer, bool showProgress) {
    CPrintInfo info;
    view.OnBeginPrinting(nullptr, info);
    view.OnPrepareDC(nullptr, info);
    view.OnEndPrinting(nullptr, info);
    if (!info.m_bContinuePrinting)
        return 0;
    printer.setFullPage(true); // coordinates count from the corner of the paper
    QPainter painter;
    if (!painter.begin(&printer))
        return -1;
    std::unique_ptr<QProgressDialog> progress;
    if (showProgress) {
        progress = std::make_unique<QProgressDialog>(
            QStringLiteral("Printing..."), QStringLiteral("Cancel"), 0, 0, DialogParent());
        progress->setWindowModality(Qt::ApplicationModal);
        progress->setMinimumDuration(300);
    }
    info.m_rectDraw = printer.pageLayout().paintRectPixels(printer.resolution());
    view.OnBeginPrinting(&painter, info);
    int pages = 0;
    for (info.m_nCurPage = 1;; ++info.m_nCurPage) {
        view.OnPrepareDC(&painter, info);
        if (!info.m_bContinuePrinting)
            break;
        if (pages > 0 && !printer.newPage()) {
            info.m_strError = QString::fromUtf8(Str::PrintingStopped).arg(pages);
            break;
        }
        view.OnPrint(painter, info);
        ++pages;
        if (progress) {
            progress->setLabelText(QStringLiteral("Printing page %1...").arg(pages));
            QApplication::processEvents();
            if (progress->wasCanceled()) {
                printer.abort();
                break;
            }
        }
    }
    view.OnEndPrinting(&painter, info);
    painter.end();
    if (!info.m_strError.isEmpty())
        Ui().MessageBox(info.m_strError, MB_OK | MB_ICONEXCLAMATION);
    return pages;
}
