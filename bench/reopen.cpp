// Reopening a large file in another encoding through the real document path.
#include "benchfixture.h"
#include "frame/mainframe.h"
#include "framework/encodingdlg.h"
#include "resources/resource.h"
#include "view/lumettaview.h"

#include <benchmark/benchmark.h>

namespace {
void BM_ReopenKoi8r(benchmark::State& state) {
    BenchEditor editor;
    editor.app.DocTemplate()->OpenDocumentFile(BenchFile());
    editor.ui.modal = [](QDialog& d) {
        static_cast<CEncodingDlg&>(d).Choose(QStringLiteral("KOI8-R"));
        d.accept();
        return IDOK;
    };
    for (auto _ : state) {
        editor.app.MainFrame()->Router().Execute(ID_FILE_REOPEN_ENCODING);
        benchmark::DoNotOptimize(editor.app.View()->GetTextLength());
    }
    if (EncodingName(editor.app.View()->GetEncoding()) != std::string("KOI8-R"))
        state.SkipWithError("not reopened");
    state.SetBytesProcessed(state.iterations() * editor.app.View()->GetTextLength());
}
BENCHMARK(BM_ReopenKoi8r)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
