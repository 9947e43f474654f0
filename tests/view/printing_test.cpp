#include "framework/printing.h"
#include "resources/resource.h"
#include "resources/strings.h"
#include "support/appfixture.h"

#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>

namespace {
class PrintingTest : public AppFixture {
protected:
    // Prints the open text to a PDF file; returns its page count (0: no file made).
    int PrintToPdf(const QString& name) {
        QPrinter& printer = app->Printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(Path(name));
        app->SelectPrinter(printer);
        EXPECT_TRUE(Exec(ID_FILE_PRINT_DIRECT));
        return Pages(Path(name));
    }
    static int Pages(const QString& pdf) {
        if (!QFile::exists(pdf))
            return 0;
        QProcess info;
        info.start("pdfinfo", {pdf});
        info.waitForFinished();
        const auto m = QRegularExpression("Pages:\\s+(\\d+)").match(info.readAllStandardOutput());
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    }
};

TEST(Printing, MarginConversionsRoundBothWays) {
    struct {
        int twips;
        int hundredthsMm;
    } cases[] = {{300, 529}, {0, 0}, {1440, 2540}, {720, 1270}, {1, 2}, {567, 1000}};
    for (const auto& c : cases) {
        EXPECT_EQ(MulDiv(c.twips, 2540, 1440), c.hundredthsMm) << c.twips;
        EXPECT_EQ(MulDiv(c.hundredthsMm, 1440, 2540), c.twips == 1 ? 1 : c.twips) << c.twips;
    }
    EXPECT_EQ(MulDiv(-300, 2540, 1440), -529);
}

TEST_F(PrintingTest, PageCountsFollowTheText) {
    ASSERT_TRUE(Start({WriteFile("empty", "")}));
    EXPECT_EQ(PrintToPdf("empty.pdf"), 0); // nothing is printed, not even a blank page

    QByteArray lines;
    for (int i = 1; i <= 10000; ++i)
        lines += "line " + QByteArray::number(i) + "\n";
    ui.boxReplies = {IDNO};
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile("lines", lines)));
    const int pages = PrintToPdf("lines.pdf");
    const long perPage = [&] {
        // What the first page holds, measured as the printing loop lays it out.
        QPrinter& printer = app->Printer();
        printer.setOutputFileName(Path("measure.pdf"));
        CPrintInfo info;
        QPainter painter(&printer);
        info.m_rectDraw = printer.pageLayout().paintRectPixels(printer.resolution());
        View()->OnBeginPrinting(&painter, info);
        View()->OnPrint(painter, info);
        return View()->m_nPrintPos;
    }();
    const long linesPerPage = View()->LineFromChar(perPage);
    ASSERT_GT(linesPerPage, 20);
    EXPECT_EQ(pages, (10000 + linesPerPage - 1) / linesPerPage);

    // A text that fills exactly one page, then one more character.
    const QByteArray page = lines.left(perPage);
    ui.boxReplies = {IDNO};
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile("one", page)));
    EXPECT_EQ(PrintToPdf("one.pdf"), 1);
    ui.boxReplies = {IDNO};
    ASSERT_TRUE(app->DocTemplate()->OpenDocumentFile(WriteFile("two", page + "x")));
    EXPECT_EQ(PrintToPdf("two.pdf"), 2);
}

TEST_F(PrintingTest, TextLiesInsideTheMarginsFromThePapersEdges) {
    QByteArray text;
    for (int i = 0; i < 200; ++i)
        text += "words words words words words words words words words words words words "
                "words words words words words words\n";
    ASSERT_TRUE(Start({WriteFile("f", text)}));
    View()->m_rectMargins = RECT{1440, 720, 2160, 1440}; // 72, 36, 108, 72 points
    ASSERT_GT(PrintToPdf("m.pdf"), 1);
    QProcess bbox;
    bbox.start("pdftotext", {"-bbox", "-f", "1", "-l", "2", Path("m.pdf"), "-"});
    bbox.waitForFinished();
    const QString html = bbox.readAllStandardOutput();
    const auto pageSize =
        QRegularExpression("<page width=\"([\\d.]+)\" height=\"([\\d.]+)\"").match(html);
    ASSERT_TRUE(pageSize.hasMatch());
    const double width = pageSize.captured(1).toDouble(), height = pageSize.captured(2).toDouble();
    double left = 1e9, top = 1e9, right = 0, bottom = 0;
    auto words =
        QRegularExpression("<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                           "yMax=\"([\\d.]+)\"")
            .globalMatch(html);
    int count = 0;
    while (words.hasNext()) {
        const auto w = words.next();
        left = std::min(left, w.captured(1).toDouble());
        top = std::min(top, w.captured(2).toDouble());
        right = std::max(right, w.captured(3).toDouble());
        bottom = std::max(bottom, w.captured(4).toDouble());
        ++count;
    }
    ASSERT_GT(count, 100);
    EXPECT_NEAR(left, 72, 3);
    EXPECT_NEAR(top, 36, 4);
    EXPECT_LE(right, width - 108 + 0.5);
    EXPECT_GT(right, width - 108 - 60); // the lines wrap close to the right margin
    EXPECT_LE(bottom, height - 72 + 0.5);
}

TEST_F(PrintingTest, PageSetupShowsTheMarginsInHundredthsOfAMillimetre) {
    ASSERT_TRUE(Start());
    QMarginsF shown;
    ui.pageSetupReply = [&](QPrinter& printer) {
        shown = printer.pageLayout().margins(QPageLayout::Millimeter);
        return true; // OK without changes
    };
    Exec(ID_FILE_PAGE_SETUP);
    EXPECT_NEAR(shown.left(), 5.29, 1e-9);
    EXPECT_TRUE(View()->m_rectMargins == (RECT{300, 300, 300, 300}));
    ui.pageSetupReply = [](QPrinter& printer) {
        QPageLayout layout = printer.pageLayout();
        layout.setMargins(QMarginsF(25.4, 12.7, 10, 20));
        printer.setPageLayout(layout);
        return false; // Cancel: nothing changes
    };
    Exec(ID_FILE_PAGE_SETUP);
    EXPECT_TRUE(View()->m_rectMargins == (RECT{300, 300, 300, 300}));
    ui.pageSetupReply = [](QPrinter& printer) {
        QPageLayout layout = printer.pageLayout();
        layout.setMargins(QMarginsF(25.4, 12.7, 10, 20));
        printer.setPageLayout(layout);
        return true;
    };
    Exec(ID_FILE_PAGE_SETUP);
    EXPECT_TRUE(View()->m_rectMargins == (RECT{1440, 720, 567, 1134}));
    Stop();
    ASSERT_TRUE(Start());
    EXPECT_TRUE(View()->m_rectMargins == (RECT{1440, 720, 567, 1134}));
}

TEST_F(PrintingTest, CommandLinePrintsToAPdfAndEnds) {
    const QString f = WriteFile("f", "printed from the command line\n");
    EXPECT_FALSE(Start({"/pt", f, Path("cl.pdf"), "", ""}));
    EXPECT_EQ(app->ExitInstance(), 0);
    EXPECT_EQ(Pages(Path("cl.pdf")), 1);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_FALSE(Start({"/pt", f, "no-such-printer", "", ""}));
    EXPECT_EQ(app->ExitInstance(), 1);
    EXPECT_EQ(ui.BoxTexts(), QStringList{"There is no printer called no-such-printer."});
}

// Every byte of the text reaches the pages, in order, whatever the lines, wrapping and margins.
TEST_F(PrintingTest, EveryWordReachesThePagesInOrder) {
    const auto words = [](int count, const char* separator, int perLine, const char* lineEnd) {
        QByteArray text;
        for (int i = 1; i <= count; ++i) {
            text += "w" + QByteArray::number(i);
            text += perLine && i % perLine == 0 ? lineEnd : separator;
        }
        return text;
    };
    QByteArray blob; // one word far wider than the page: broken anywhere
    for (int i = 0; i < 3000; ++i)
        blob += QByteArray::number(i, 16);
    QByteArray longLine; // 300,000 characters
    for (int i = 0; longLine.size() < 300000; ++i)
        longLine += "x" + QByteArray::number(i) + " ";
    const RECT usual{300, 300, 300, 300}, narrowColumn{4000, 1000, 4000, 1000}, none{0, 0, 0, 0};
    const struct {
        const char* what;
        QByteArray text;
        int wrap;
        RECT margins;
    } cases[] = {
        {"2,000 words on a line", words(2000, " ", 0, ""), 1, usual},
        {"2,000 words on a line, unwrapped view", words(2000, " ", 0, ""), 0, usual},
        {"2,000 words on a line, narrow column", words(2000, " ", 0, ""), 1, narrowColumn},
        {"300,000 characters on a line", longLine, 0, none},
        {"tabs", words(3000, "\t", 37, "\n"), 1, usual},
        {"CRLF lines that wrap", words(4000, " ", 45, "\r\n"), 0, narrowColumn},
        {"lines, and one long word", words(500, " ", 9, "\n") + blob + "\n" + words(50, " ", 0, ""),
         1, usual},
    };
    ASSERT_TRUE(Start());
    int n = 0;
    for (const auto& c : cases) {
        Open(c.text);
        if (View()->m_bWordWrap != c.wrap)
            Exec(ID_VIEW_WORDWRAP);
        View()->m_rectMargins = c.margins;
        const QString pdf = QStringLiteral("words%1.pdf").arg(++n);
        ASSERT_GT(PrintToPdf(pdf), 0) << c.what;
        QProcess text;
        text.start("pdftotext", {Path(pdf), "-"});
        text.waitForFinished(-1);
        // Only a word wider than the page is broken across rows: compare the text without its
        // blanks, and the words wherever none is broken.
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        const QString expected = QString::fromUtf8(c.text);
        QString printedBare = printed, expectedBare = expected;
        printedBare.remove(QRegularExpression("\\s+"));
        expectedBare.remove(QRegularExpression("\\s+"));
        EXPECT_TRUE(printedBare == expectedBare)
            << c.what << ": " << printedBare.size() << " of " << expectedBare.size() << " printed";
        if (!c.text.contains(blob)) {
            const QStringList got = printed.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
            EXPECT_TRUE(got == expected.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts))
                << c.what;
        }
    }
    EXPECT_TRUE(ui.boxes.empty());
}

// Margins that leave no room print nothing, say so, and fail the command line's job; Page Setup
// does not take them.
TEST_F(PrintingTest, MarginsThatLeaveNoRoomAreRefused) {
    const QString f = WriteFile("f", "a line\n");
    const RECT wide{9000, 300, 9000, 300}; // more than the paper's width together
    const RECT tall{300, 9000, 300, 9000};
    for (const RECT& margins : {wide, tall}) {
        ASSERT_TRUE(Start({f}));
        View()->m_rectMargins = margins;
        EXPECT_EQ(PrintToPdf("none.pdf"), 0) << margins.left; // no file, not one blank page
        EXPECT_EQ(ui.BoxTexts(), QStringList{QString::fromUtf8(Str::MarginsLeaveNoRoom)});
        ui.boxes.clear();
        Stop();
        EXPECT_FALSE(Start({"/pt", f, Path("cl.pdf"), "", ""}));
        EXPECT_EQ(app->ExitInstance(), 1) << margins.left;
        EXPECT_FALSE(QFile::exists(Path("cl.pdf")));
        EXPECT_EQ(ui.BoxTexts(), QStringList{QString::fromUtf8(Str::MarginsLeaveNoRoom)});
        ui.boxes.clear();
        app.reset();
    }
    ASSERT_TRUE(Start({f}));
    View()->m_rectMargins = RECT{300, 300, 300, 300};
    ui.pageSetupReply = [](QPrinter& printer) {
        QPageLayout layout = printer.pageLayout();
        layout.setMargins(QMarginsF(150, 10, 150, 10));
        printer.setPageLayout(layout);
        return true;
    };
    Exec(ID_FILE_PAGE_SETUP);
    EXPECT_TRUE(View()->m_rectMargins == (RECT{300, 300, 300, 300}));
    EXPECT_EQ(ui.BoxTexts(), QStringList{QString::fromUtf8(Str::MarginsLeaveNoRoom)});
}

// The range chosen in the print dialog: those pages only, as they are in the whole job.
TEST_F(PrintingTest, OnlyThePagesOfTheChosenRangeArePrinted) {
    QByteArray lines;
    for (int i = 1; i <= 300; ++i)
        lines += "line " + QByteArray::number(i) + "\n";
    ASSERT_TRUE(Start({WriteFile("lines", lines)}));
    const int all = PrintToPdf("all.pdf");
    ASSERT_GE(all, 4);
    const auto text = [&](const QString& pdf, int first, int last) {
        QProcess run;
        run.start("pdftotext",
                  {"-f", QString::number(first), "-l", QString::number(last), Path(pdf), "-"});
        run.waitForFinished();
        return run.readAllStandardOutput();
    };
    struct {
        int from, to, pages;
    } ranges[] = {{2, 3, 2}, {1, 1, 1}, {all, all + 5, 1}, {all + 1, all + 2, 0}};
    for (const auto& r : ranges) {
        QPrinter& printer = app->Printer();
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(r.from, r.to);
        const QString name = QString("range%1.pdf").arg(r.from);
        if (r.pages == 0)
            WriteFile(name, "what was there"); // stays, untouched by a job that prints nothing
        EXPECT_EQ(PrintToPdf(name), r.pages == 0 ? -1 : r.pages) << r.from;
        if (r.pages > 0)
            EXPECT_EQ(text(name, 1, r.pages), text("all.pdf", r.from, r.from + r.pages - 1))
                << r.from;
    }
    EXPECT_EQ(ui.BoxTexts(),
              QStringList{QString::fromUtf8(Str::NoPageInRange).arg(all)}); // the last range
    EXPECT_EQ(ReadFile(Path(QString("range%1.pdf").arg(all + 1))), "what was there");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).filter(".pdf.").size(), 0); // no leftovers
    app->Printer().setPrintRange(QPrinter::AllPages);
    EXPECT_EQ(PrintToPdf("again.pdf"), all);
}
} // namespace
