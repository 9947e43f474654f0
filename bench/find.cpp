// Scanning a large text for a string it does not hold.
#include "benchfixture.h"
#include "view/lumettaview.h"

#include <benchmark/benchmark.h>

namespace {
const QByteArray kAbsent = QByteArrayLiteral("Zorvek-absent-string");

void FindAbsent(benchmark::State& state, int flags, bool component) {
    BenchEditor editor;
    editor.app.DocTemplate()->OpenDocumentFile(BenchFile());
    CLumettaView* view = editor.app.View();
    const CHARRANGE all{0, view->GetTextLength()};
    for (auto _ : state) {
        const long p = component ? view->FindTextByComponent(flags, all, kAbsent)
                                 : view->FindText(flags, all, kAbsent);
        benchmark::DoNotOptimize(p);
    }
    state.SetBytesProcessed(state.iterations() * all.cpMax);
}

void BM_FindAbsentMatchCase(benchmark::State& s) { FindAbsent(s, FR_MATCHCASE, false); }
void BM_FindAbsentAnyCase(benchmark::State& s) { FindAbsent(s, 0, false); }
void BM_ComponentFindAbsentMatchCase(benchmark::State& s) { FindAbsent(s, FR_MATCHCASE, true); }
void BM_ComponentFindAbsentAnyCase(benchmark::State& s) { FindAbsent(s, 0, true); }
BENCHMARK(BM_FindAbsentMatchCase)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FindAbsentAnyCase)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ComponentFindAbsentMatchCase)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ComponentFindAbsentAnyCase)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
