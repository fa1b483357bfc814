// Imported recipients at scale, offscreen, with settings in a temporary folder:
// - ImportRecipients: 100,000 CSV rows (a header, six columns, quoted fields with commas and
//   doubled quotes) through the importer thread into a window, "Eliminate Duplicates" off (0)
//   and on (1): wall time, rows per second and the process's peak resident size so far;
// - RecipientAccess: 100,000 reads by index through the window's accessors, and the list's sort
//   of 100,000 recipients by last name.
#include "CBrevantoWindow.h"
#include "CThread.h"
#include "LQtApplication.h"
#include "LThread.h"
#include "PreferenceGetters.h"
#include "Preferences.h"
#include "ScriptedPresenter.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <chrono>
#include <string>

namespace {

constexpr int kRows = 100000;

class PrivateSettings {
public:
    PrivateSettings()
        : mHome(qgetenv("HOME")), mConfig(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("HOME", mFolder.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (mFolder.path() + "/config").toUtf8());
        SetPreference("0", CString256("Show No Me Card Alert"));
    }
    ~PrivateSettings()
    {
        qputenv("HOME", mHome);
        mConfig.isEmpty() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", mConfig);
    }
    QString Path(const QString& inName) const { return mFolder.filePath(inName); }

private:
    QTemporaryDir mFolder;
    QByteArray mHome;
    QByteArray mConfig;
};

void DeleteWindow(CBrevantoWindow* inWindow)
{
    delete inWindow;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void WriteCsv(const QString& inPath)
{
    QByteArray text = "First Name,Last Name,Email Address,Company,City,Note\r\n";
    for (int row = 0; row < kRows; ++row) {
        const QByteArray n = QByteArray::number(row);
        text += "Ann" + n + ",\"Lee, " + n + "\",ann" + n + "@example.org,\"Acme, Inc.\",Springfield,"
                "\"said \"\"hello\"\" " + n + "\"\r\n";
    }
    QFile file(inPath);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
}

double PeakResidentMB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void BM_ImportRecipients(benchmark::State& ioState)
{
    LQtApplication::Instance();
    PrivateSettings settings;
    ScriptedPresenter presenter;
    SetPreference(ioState.range(0) ? "true" : "false", CString256(kEliminateDuplicatesKey));
    const QString path = settings.Path("people.csv");
    WriteCsv(path);
    int imported = 0;
    for (auto _ : ioState) {
        ioState.PauseTiming();
        auto* window = new CBrevantoWindow();
        ioState.ResumeTiming();
        window->StartFileImport(path, false, true);
        LThread::WaitUntil([] { return gThreadList.Count() == 0; }, DeadlineAfter(std::chrono::minutes(5)));
        ioState.PauseTiming();
        imported = window->mImported.Count();
        DeleteWindow(window);
        ioState.ResumeTiming();
    }
    if (imported != kRows)
        ioState.SkipWithError("not every row was imported");
    ioState.counters["rows_per_s"] = benchmark::Counter(double(kRows), benchmark::Counter::kIsIterationInvariantRate);
    ioState.counters["peak_RSS_MB"] = PeakResidentMB();
}

CBrevantoWindow* WindowWithImported()
{
    auto* window = new CBrevantoWindow();
    window->SelectRecipientsTab(2);
    window->mRecipientsTab = 2;
    for (int index = 0; index < kRows; ++index) {
        // Last names in an order of their own, so that the sort has work to do.
        const std::string last = "Last" + std::to_string((index * 7919) % kRows);
        window->mImported.Append(Person("First", last.c_str(), ("p" + std::to_string(index) + "@x.org").c_str()));
    }
    return window;
}

void BM_RecipientAccessByIndex(benchmark::State& ioState)
{
    LQtApplication::Instance();
    PrivateSettings settings;
    ScriptedPresenter presenter;
    CBrevantoWindow* window = WindowWithImported();
    for (auto _ : ioState) {
        qsizetype total = 0;
        for (SInt32 index = 0; index < kRows; ++index)
            total += window->GetRecipientEmail(index).size();
        benchmark::DoNotOptimize(total);
    }
    ioState.counters["reads_per_s"] = benchmark::Counter(double(kRows), benchmark::Counter::kIsIterationInvariantRate);
    DeleteWindow(window);
}

void BM_RecipientSortByLastName(benchmark::State& ioState)
{
    LQtApplication::Instance();
    PrivateSettings settings;
    ScriptedPresenter presenter;
    CBrevantoWindow* window = WindowWithImported();
    std::vector<DataBrowserItemID> items(kRows);
    for (auto _ : ioState) {
        for (int index = 0; index < kRows; ++index)
            items[size_t(index)] = DataBrowserItemID(index + 1);
        std::stable_sort(items.begin(), items.end(), [window](DataBrowserItemID inA, DataBrowserItemID inB) {
            return window->CompareRecipientLastNames(inA, inB);
        });
        benchmark::DoNotOptimize(items.data());
    }
    DeleteWindow(window);
}

} // namespace

BENCHMARK(BM_ImportRecipients)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_RecipientAccessByIndex)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RecipientSortByLastName)->Unit(benchmark::kMillisecond)->Iterations(3);
