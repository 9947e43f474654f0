// Indenting a large selection of lines.
#include "benchfixture.h"
#include "frame/mainframe.h"
#include "resources/resource.h"
#include "view/lumettaview.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {
void BM_Indent100kLines(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lines.txt"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    for (int i = 0; i < 100000; ++i)
        file.write("    some line of program text, indented a little\n");
    file.close();
    BenchEditor editor;
    editor.app.DocTemplate()->OpenDocumentFile(path);
    CLumettaView* view = editor.app.View();
    for (auto _ : state) {
        view->SetSel(0, -1);
        editor.app.MainFrame()->Router().Execute(ID_INDENT_INCREASE);
        state.PauseTiming();
        view->Undo(); // one step takes it all back
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Indent100kLines)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
