// Scanning a large text for a string it does not hold.
#include "benchfixture.h"
#include "view/lumettaview.h"

#include <benchmark/benchmark.h>

namespace {
const QByteArray kAbsent = QByteArrayLiteral("Zorvek-absent-string");
// Letters whose case folding is not ASCII's: É, ç and é.
const QByteArray kAbsentNonAscii = QByteArrayLiteral("\xc3\x89"
                                                     "diteur-\xc3\xa7"
                                                     "af\xc3\xa9-absent");

void FindAbsent(benchmark::State& state, int flags, bool component,
                const QByteArray& needle = kAbsent) {
    BenchEditor editor;
    editor.app.DocTemplate()->OpenDocumentFile(BenchFile());
    CLumettaView* view = editor.app.View();
    const CHARRANGE all{0, view->GetTextLength()};
    for (auto _ : state) {
        const long p = component ? view->Text().FindByComponent(needle, flags & FR_MATCHCASE,
                                                                flags & FR_WHOLEWORD, 0, all.cpMax)
                                 : view->FindText(flags, all, needle);
        benchmark::DoNotOptimize(p);
    }
    state.SetBytesProcessed(state.iterations() * all.cpMax);
}

void BM_FindAbsentMatchCase(benchmark::State& s) {
    FindAbsent(s, FR_MATCHCASE, false);
}
void BM_FindAbsentAnyCase(benchmark::State& s) {
    FindAbsent(s, 0, false);
}
void BM_FindAbsentAnyCaseNonAscii(benchmark::State& s) {
    FindAbsent(s, 0, false, kAbsentNonAscii);
}
void BM_ComponentFindAbsentMatchCase(benchmark::State& s) {
    FindAbsent(s, FR_MATCHCASE, true);
}
void BM_ComponentFindAbsentAnyCase(benchmark::State& s) {
    FindAbsent(s, 0, true);
}
// A regular expression whose literal start ("err") is frequent in the text ("error").
void BM_FindRegexAbsent(benchmark::State& s) {
    FindAbsent(s, FR_MATCHCASE | FR_REGEX, false, QByteArrayLiteral("err[0-9]+x"));
}
void BM_FindRegexAbsentAnyCase(benchmark::State& s) {
    FindAbsent(s, FR_REGEX, false, QByteArrayLiteral("err[0-9]+x"));
}
BENCHMARK(BM_FindRegexAbsent)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FindRegexAbsentAnyCase)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FindAbsentMatchCase)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FindAbsentAnyCase)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FindAbsentAnyCaseNonAscii)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ComponentFindAbsentMatchCase)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ComponentFindAbsentAnyCase)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
