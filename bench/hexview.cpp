// The hexadecimal view of a large file, and the non-text check made after every load.
#include "benchfixture.h"
#include "document/hexdumpfile.h"
#include "frame/mainframe.h"
#include "resources/resource.h"
#include "view/lumettaview.h"

#include <benchmark/benchmark.h>

namespace {
void BM_HexView(benchmark::State& state) {
    BenchEditor editor;
    editor.app.DocTemplate()->OpenDocumentFile(BenchFile());
    CLumettaView* view = editor.app.View();
    if (!view->m_bReadOnly)
        view->ToggleReadOnly();
    for (auto _ : state) {
        editor.app.MainFrame()->Router().Execute(ID_VIEW_HEX); // the dump
        state.PauseTiming();
        editor.app.MainFrame()->Router().Execute(ID_VIEW_HEX); // and back
        state.ResumeTiming();
    }
}
BENCHMARK(BM_HexView)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_NonTextCheck(benchmark::State& state) {
    BenchEditor editor;
    editor.app.DocTemplate()->OpenDocumentFile(BenchFile());
    CLumettaView* view = editor.app.View();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            view->FindInRange(QString(QChar(1)), CHARRANGE{0, view->GetTextLength()}));
}
BENCHMARK(BM_NonTextCheck)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

namespace {
void BM_HexDumpFormatOnly(benchmark::State& state) {
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        CReadFile file(BenchFile());
        CHexDumpFile dump(file, [](double) { return false; });
        while (dump.Read(buffer.data(), buffer.size()) > 0) {
        }
    }
}
BENCHMARK(BM_HexDumpFormatOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
