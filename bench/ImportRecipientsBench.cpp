// A recipients file of 100,000 rows (a header row, six columns, quoted fields holding commas
// and doubled quotes) imported through the importer thread into a mailing window, list refresh
// included: wall time, rows per second and the process's peak resident size, with
// "Eliminate Duplicates" off and on.
#include "MailingBenchSupport.h"

#include "Preferences.h"

#include <benchmark/benchmark.h>

#include <QFile>

namespace {

constexpr int kRows = 100000;

QString RecipientsFile()
{
    static const QString path = [] {
        const QString file = MailingBench::UsePrivateFolders() + "/recipients.csv";
        QFile out(file);
        if (out.open(QIODevice::WriteOnly)) {
            out.write("!!First Name,Last Name,Email Address,Company,City,Note\r\n");
            for (int row = 0; row < kRows; ++row) {
                out.write(QStringLiteral("Ann%1,\"Lee, %1\",person%1@example.com,\"Acme \"\"Tools\"\", Inc.\",Springfield,"
                                         "\"line one, line two %1\"\r\n")
                              .arg(row)
                              .toUtf8());
            }
        }
        return file;
    }();
    return path;
}

void BM_ImportRecipients(benchmark::State& ioState)
{
    const bool eliminateDuplicates = ioState.range(0) != 0;
    const QString path = RecipientsFile();
    ScriptedPresenter presenter;
    presenter.SetFailureHandler([&ioState](const QString& inMessage) { ioState.SkipWithError(qPrintable(inMessage)); });
    SetPreference(eliminateDuplicates ? "true" : "false", CString256("Eliminate Duplicates"));
    for (auto _ : ioState) {
        ioState.PauseTiming();
        CBrevantoWindow* window = MailingBench::NewWindow();
        ioState.ResumeTiming();
        window->StartFileImport(path, false, true);
        if (!MailingBench::WaitForThreads() || window->mImported.Count() != kRows)
            ioState.SkipWithError("the import did not finish whole");
        ioState.PauseTiming();
        MailingBench::DeleteWindow(window);
        ioState.ResumeTiming();
    }
    ioState.counters["rows/s"] = benchmark::Counter(double(kRows) * double(ioState.iterations()),
                                                    benchmark::Counter::kIsRate);
    ioState.counters["peak RSS MB"] = MailingBench::PeakRSSMegabytes();
}

} // namespace

BENCHMARK(BM_ImportRecipients)
    ->ArgName("eliminateDuplicates")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);
