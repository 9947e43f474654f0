// Opening a rich-text file read-only, through the real document path, and the reader alone.
#include "benchfixture.h"
#include "view/lumettaview.h"
#include "text/rtfreader.h"

#include <QFile>

#include <benchmark/benchmark.h>

namespace {
// An editor with nothing open: the memory the other figures are read beside.
void BM_StartEditor(benchmark::State& state) {
    for (auto _ : state) {
        BenchEditor editor;
        benchmark::DoNotOptimize(editor.app.View());
    }
}
BENCHMARK(BM_StartEditor)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenRichText(benchmark::State& state) {
    BenchEditor editor;
    CLumettaView* view = editor.app.View();
    if (!view->m_bReadOnly)
        view->ToggleReadOnly();
    for (auto _ : state) {
        editor.app.DocTemplate()->OpenDocumentFile(BenchFile());
        benchmark::DoNotOptimize(view->GetTextLength());
    }
    state.SetBytesProcessed(state.iterations() * QFile(BenchFile()).size());
}
BENCHMARK(BM_OpenRichText)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadRtf(benchmark::State& state) {
    QFile file(BenchFile());
    file.open(QIODevice::ReadOnly);
    const QByteArray source = file.readAll();
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadRtf(source.constData(), source.size()).text.size());
    state.SetBytesProcessed(state.iterations() * source.size());
}
BENCHMARK(BM_ReadRtf)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
