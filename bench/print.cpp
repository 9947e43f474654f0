// Printing a 10 MB text to a PDF file.
#include "benchfixture.h"
#include "framework/printing.h"
#include "view/lumettaview.h"

#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {
void BM_PrintToPdf(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ten.txt"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    for (int i = 0; file.size() < (10 << 20); ++i)
        file.write(QByteArray("A line of program text that is printed, number ") +
                   QByteArray::number(i) + "\n");
    file.close();
    BenchEditor editor;
    editor.app.DocTemplate()->OpenDocumentFile(path);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("out.pdf")));
    int pages = 0;
    for (auto _ : state)
        pages = PrintDocument(*editor.app.View(), printer, false);
    state.counters["pages"] = pages;
    state.counters["pages_per_second"] =
        benchmark::Counter(pages * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_PrintToPdf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
} // namespace
