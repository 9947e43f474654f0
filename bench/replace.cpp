// Replace All over a large text with about a million occurrences.
#include "benchfixture.h"
#include "search/replacetextdlg.h"
#include "view/lumettaview.h"

#include <QComboBox>

#include <benchmark/benchmark.h>

namespace {
void BM_ReplaceAll(benchmark::State& state) {
    BenchEditor editor;
    editor.app.DocTemplate()->OpenDocumentFile(BenchFile());
    CLumettaView* view = editor.app.View();
    view->m_bMatchCase = 1;
    for (auto _ : state) {
        view->SetSel(0, 0);
        CReplaceTextDlg dlg(QString(), -1, view);
        dlg.m_pFindWhat->setEditText(QStringLiteral("alpha"));
        dlg.m_pReplaceWith->setEditText(QStringLiteral("ALPHA"));
        dlg.OnReplaceAll();
        state.PauseTiming();
        view->Undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReplaceAll)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
