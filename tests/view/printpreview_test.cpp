#include "resources/resource.h"
#include "support/appfixture.h"

#include <QApplication>
#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

namespace {
class PrintPreviewTest : public AppFixture {
protected:
    void UsePdf(const QString& name) {
        QPrinter& printer = app->Printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(Path(name));
        app->SelectPrinter(printer);
    }
    // The pages of a PDF file as pdftotext lays out their words, with their boxes.
    static QString Boxes(const QString& pdf) {
        QProcess bbox;
        bbox.start("pdftotext", {"-bbox", pdf, "-"});
        bbox.waitForFinished();
        return QString::fromUtf8(bbox.readAllStandardOutput())
            .remove(QRegularExpression("<head>.*</head>",
                                       QRegularExpression::DotMatchesEverythingOption));
    }
    // The pages a preview shows for the paint function it was given.
    static int PreviewPages(QPrinter& printer, const std::function<void(QPrinter&)>& paint) {
        QPrintPreviewWidget preview(&printer);
        QObject::connect(&preview, &QPrintPreviewWidget::paintRequested,
                         [&](QPrinter* target) { paint(*target); });
        preview.updatePreview();
        return preview.pageCount();
    }
};

TEST_F(PrintPreviewTest, ShowsAndPrintsThePagesPrintMakes) {
    QByteArray text;
    for (int i = 1; i <= 400; ++i)
        text += "line " + QByteArray::number(i) + " with some words to wrap and print\n";
    ASSERT_TRUE(Start({WriteFile("f", text)}));
    View()->m_rectMargins = RECT{1440, 720, 2160, 1440};
    UsePdf("print.pdf");
    ASSERT_TRUE(Exec(ID_FILE_PRINT_DIRECT));
    const QString printed = Boxes(Path("print.pdf"));
    const int printedPages = printed.count("<page ");
    ASSERT_GT(printedPages, 2);
    ASSERT_GT(printed.count("<word "), 2000);

    int shown = -1;
    ui.printPreviewReply = [&](QPrinter& printer, const std::function<void(QPrinter&)>& paint) {
        shown = PreviewPages(printer, paint);
        // The user prints from the preview, to a PDF file.
        printer.setOutputFileName(Path("preview.pdf"));
        paint(printer);
    };
    EXPECT_TRUE(Enabled(ID_FILE_PRINT_PREVIEW));
    ASSERT_TRUE(Exec(ID_FILE_PRINT_PREVIEW));
    EXPECT_EQ(ui.printPreviews, 1);
    EXPECT_EQ(shown, printedPages);
    EXPECT_EQ(Boxes(Path("preview.pdf")), printed); // the same words in the same places
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(PrintPreviewTest, AnEmptyTextShowsNoPage) {
    ASSERT_TRUE(Start());
    int shown = -1;
    ui.printPreviewReply = [&](QPrinter& printer, const std::function<void(QPrinter&)>& paint) {
        shown = PreviewPages(printer, paint);
    };
    Exec(ID_FILE_PRINT_PREVIEW);
    EXPECT_EQ(shown, 0);
}

TEST_F(PrintPreviewTest, TheRealDialogShowsThePages) {
    QByteArray text;
    for (int i = 1; i <= 200; ++i)
        text += "line " + QByteArray::number(i) + "\n";
    ASSERT_TRUE(Start({WriteFile("f", text)}));
    UsePdf("unused.pdf");
    int shown = -1;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QPrintPreviewDialog*>(w)) {
                shown = dialog->findChild<QPrintPreviewWidget*>()->pageCount();
                dialog->reject();
            }
    });
    SetUi(nullptr); // Qt's own dialogs
    Exec(ID_FILE_PRINT_PREVIEW);
    SetUi(&ui);
    EXPECT_GT(shown, 1);
    EXPECT_FALSE(QFile::exists(Path("unused.pdf"))); // nothing was printed
}
} // namespace
