// The time to construct one mailing window from the nib, show it and close it, offscreen. The
// window is deleted rather than cleaned up, so nothing is written to the preferences of the
// user running the benchmark.
#include "CBrevantoWindow.h"
#include "LQtApplication.h"
#include "ScriptedPresenter.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEvent>

namespace {

void BM_MailingWindowConstructShowClose(benchmark::State& ioState)
{
    LQtApplication::Instance();
    ScriptedPresenter presenter; // no alert is expected; a beep costs nothing
    presenter.SetFailureHandler([&ioState](const QString& inMessage) { ioState.SkipWithError(qPrintable(inMessage)); });
    for (auto _ : ioState) {
        auto* window = new CBrevantoWindow();
        benchmark::DoNotOptimize(window->GetMainWindow());
        delete window;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace

BENCHMARK(BM_MailingWindowConstructShowClose)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7) // the aggregates report the median
    ->ReportAggregatesOnly(true);
