// Replace All over a large text with about a million occurrences.
#include "benchfixture.h"
#include "search/replacetextdlg.h"
#include "view/lumettaview.h"

#include <QCheckBox>
#include <QComboBox>

#include <benchmark/benchmark.h>

namespace {
void ReplaceAll(benchmark::State& state, bool regex, const QString& find, const QString& with) {
    BenchEditor editor;
    editor.app.DocTemplate()->OpenDocumentFile(BenchFile());
    CLumettaView* view = editor.app.View();
    for (auto _ : state) {
        view->SetSel(0, 0);
        CReplaceTextDlg dlg(QString(), -1, view);
        dlg.m_pFindWhat->setEditText(find);
        dlg.m_pReplaceWith->setEditText(with);
        dlg.m_pMatchCase->setChecked(true);
        dlg.m_pRegularExpression->setChecked(regex);
        dlg.OnReplaceAll();
        state.PauseTiming();
        if (!view->CanUndo())
            state.SkipWithError("nothing was replaced");
        view->Undo();
        state.ResumeTiming();
    }
}

void BM_ReplaceAll(benchmark::State& state) {
    ReplaceAll(state, false, QStringLiteral("alpha"), QStringLiteral("ALPHA"));
}
// The same matches, with a group put back into each.
void BM_ReplaceAllRegex(benchmark::State& state) {
    ReplaceAll(state, true, QStringLiteral("(alp)ha"), QStringLiteral("\\1HA"));
}
BENCHMARK(BM_ReplaceAll)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReplaceAllRegex)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace
