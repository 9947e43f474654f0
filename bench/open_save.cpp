// Opening and saving a large file through the real document path.
#include "benchfixture.h"
#include "document/lumettadoc.h"
#include "resources/resource.h"
#include "view/lumettaview.h"
#include "frame/mainframe.h"

#include <QFile>

#include <benchmark/benchmark.h>

namespace {
void BM_Open(benchmark::State& state) {
    BenchEditor editor;
    for (auto _ : state) {
        editor.app.DocTemplate()->OpenDocumentFile(BenchFile());
        benchmark::DoNotOptimize(editor.app.View()->GetTextLength());
    }
    state.SetBytesProcessed(state.iterations() * editor.app.View()->GetTextLength());
}
BENCHMARK(BM_Open)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Save(benchmark::State& state) {
    BenchEditor editor;
    editor.app.DocTemplate()->OpenDocumentFile(BenchFile());
    editor.ui.saveName = BenchFile() + QStringLiteral(".saved");
    for (auto _ : state)
        editor.app.MainFrame()->Router().Execute(ID_FILE_SAVE_AS);
    state.SetBytesProcessed(state.iterations() * editor.app.View()->GetTextLength());
    QFile::remove(editor.ui.saveName);
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
