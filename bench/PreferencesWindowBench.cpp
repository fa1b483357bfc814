// The preferences window offscreen: opening it (every control loaded) and closing it (the text
// fields stored), and importing a 100,000-line blacklist into its list. A private preference
// domain and environment, so nothing of the user's changes.
#include "CEnvironment.h"
#include "CPreferencesWindow.h"
#include "CommandRouter.h"
#include "LQtApplication.h"
#include "ScriptedPresenter.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>

namespace {

void UsePrivateSettings()
{
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    LQtApplication::Instance();
    if (!gEnvironment)
        gEnvironment = new CEnvironment;
}

void Close()
{
    if (gPreferencesWindow)
        gPreferencesWindow->Cleanup();
    CCleanupObject::DeleteAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_PreferencesOpenClose(benchmark::State& ioState)
{
    UsePrivateSettings();
    ScriptedPresenter presenter;
    for (auto _ : ioState) {
        OpenPreferencesWindow();
        Close();
    }
}

void BM_PreferencesBlacklistImport(benchmark::State& ioState)
{
    UsePrivateSettings();
    QTemporaryDir folder;
    const QString path = folder.path() + "/list.txt";
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    for (int n = 0; n < 100000; ++n)
        file.write(QByteArray("recipient") + QByteArray::number(n) + "@example.com\r\n");
    file.close();
    ScriptedPresenter presenter;
    for (auto _ : ioState) {
        ioState.PauseTiming();
        gEnvironment->blacklist.clear();
        OpenPreferencesWindow();
        presenter.QueueOpenFile(path);
        ioState.ResumeTiming();
        CommandRouter::Get().SendWindowCommand(gPreferencesWindow->Window(), 'LdBl');
        ioState.PauseTiming();
        Close();
        ioState.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_PreferencesOpenClose)
    ->Name("preferences_window/open_close")
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7) // the aggregates report the median
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PreferencesBlacklistImport)
    ->Name("preferences_window/import_100000_lines")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
