#include "framework/printing.h"

#include "framework/file.h"
#include "framework/filename.h"
#include "framework/messages.h"
#include "framework/uiservices.h"

#include <QApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QPrinter>
#include <QProgressDialog>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// A PDF is written under a name of its own beside the file asked for, and takes that file's name
// only once it is whole: a job that fails, prints nothing or is cancelled leaves what was there.
class CPdfOutput {
public:
    explicit CPdfOutput(QPrinter& printer)
        : m_printer(printer), m_target(printer.outputFileName()) {
        // (A preview paints the pages on an engine of its own: no file is written then.)
        if (m_target.isEmpty() || printer.outputFormat() != QPrinter::PdfFormat ||
            !printer.paintEngine() || printer.paintEngine()->type() != QPaintEngine::Pdf)
            return;
        QByteArray name = FileNameToBytes(m_target) + ".XXXXXX";
        const int fd = ::mkstemp(name.data());
        if (fd < 0)
            return; // written in place, as the printer does by itself
        struct stat st {};
        ::fchmod(fd, ::stat(FileNameToBytes(m_target).constData(), &st) == 0 ? st.st_mode & 07777
                                                                             : NewFileMode());
        ::close(fd);
        m_temporary = name;
        printer.setOutputFileName(FileNameFromBytes(name));
    }
    ~CPdfOutput() {
        if (!m_temporary.isEmpty()) {
            ::unlink(m_temporary.constData());
            m_printer.setOutputFileName(m_target);
        }
    }
    CPdfOutput(const CPdfOutput&) = delete;
    CPdfOutput& operator=(const CPdfOutput&) = delete;

    // The job is done: the file asked for is the new one, if the PDF was written whole (the
    // engine does not say when a write fails, on a full disk say; a whole PDF ends with its
    // end-of-file mark) and is safely on disk.
    bool Keep() {
        if (m_temporary.isEmpty())
            return true;
        const int fd = ::open(m_temporary.constData(), O_RDONLY | O_CLOEXEC);
        char tail[64] = {};
        const off_t size = fd < 0 ? -1 : ::lseek(fd, 0, SEEK_END);
        const ssize_t got =
            size < 0 ? -1 : ::pread(fd, tail, sizeof tail - 1, std::max<off_t>(0, size - 63));
        const bool whole = got > 0 && std::strstr(tail, "%%EOF") && ::fsync(fd) == 0;
        if (fd >= 0)
            ::close(fd);
        const bool kept =
            whole && ::rename(m_temporary.constData(), FileNameToBytes(m_target)) == 0;
        if (kept)
            m_temporary.clear();
        m_printer.setOutputFileName(m_target);
        return kept;
    }

private:
    QPrinter& m_printer;
    QString m_target;
    QByteArray m_temporary;
};
} // namespace

int PrintDocument(CPrintable& view, QPrinter& printer, bool showProgress) {
    printer.setFullPage(true); // coordinates count from the corner of the paper
    CPrintInfo info;
    info.m_rectDraw = printer.pageLayout().paintRectPixels(printer.resolution());
    info.m_dpi = QSize(printer.logicalDpiX(), printer.logicalDpiY());
    view.OnBeginPrinting(nullptr, info);
    view.OnPrepareDC(nullptr, info);
    view.OnEndPrinting(nullptr, info);
    if (!info.m_strError.isEmpty()) {
        Ui().MessageBox(info.m_strError, MB_OK | MB_ICONEXCLAMATION);
        return kPrintFailed;
    }
    if (!info.m_bContinuePrinting)
        return 0;
    const bool ranged = printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0;
    const int first = ranged ? printer.fromPage() : 1;
    const int last = ranged && printer.toPage() > 0 ? printer.toPage() : INT_MAX;
    CPdfOutput output(printer);
    QPainter painter;
    if (!painter.begin(&printer))
        return kPrinterFailed;
    std::unique_ptr<QProgressDialog> progress;
    if (showProgress) {
        progress = std::make_unique<QProgressDialog>(
            QStringLiteral("Printing..."), QStringLiteral("Cancel"), 0, 0, DialogParent());
        progress->setWindowModality(Qt::ApplicationModal);
        progress->setMinimumDuration(300);
    }
    view.OnBeginPrinting(&painter, info);
    int pages = 0;
    for (info.m_nCurPage = 1; info.m_nCurPage <= last; ++info.m_nCurPage) {
        view.OnPrepareDC(&painter, info);
        if (!info.m_bContinuePrinting)
            break;
        info.m_bDraw = info.m_nCurPage >= first;
        if (info.m_bDraw && pages > 0 && !printer.newPage()) {
            info.m_strError = QString::fromUtf8(Str::PrintingStopped).arg(pages);
            break;
        }
        view.OnPrint(painter, info);
        if (!info.m_bDraw)
            continue;
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
    const bool cancelled = printer.printerState() == QPrinter::Aborted;
    if (pages == 0 && info.m_strError.isEmpty() && !cancelled) {
        // The range chosen begins after the last page.
        printer.abort();
        info.m_strError = QString::fromUtf8(Str::NoPageInRange).arg(info.m_nCurPage - 1);
    }
    if (!painter.end() && info.m_strError.isEmpty() && !cancelled)
        info.m_strError = QString::fromUtf8(Str::PrintingStopped).arg(pages);
    if (info.m_strError.isEmpty() && !cancelled && !output.Keep())
        info.m_strError = QString::fromUtf8(Str::PrintingStopped).arg(pages);
    if (!info.m_strError.isEmpty()) {
        Ui().MessageBox(info.m_strError, MB_OK | MB_ICONEXCLAMATION);
        return kPrintFailed;
    }
    return pages;
}
