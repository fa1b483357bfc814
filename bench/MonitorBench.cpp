// Message Monitor figures, in this process with the application's own loop pass doing the
// accepts and the drains (figures only):
//   monitor_load    10,000 and 100,000 tracking hits from 8 client processes (Python http.client,
//                   one connection per hit): hits/s, latency p50/p99, the most connection threads
//                   at once and the process's thread high-water mark, VmHWM growth, the main
//                   thread's drain time per 1,000 hits, hits lost (answered but not stored)
//   monitor_window  the Message Monitor window's refresh with 100,000 rows in the store
// Each runs in a private home, configuration and data folder: no setting or log of the user's
// changes.
#include "CBrevantoApp.h"
#include "CBrevantoWindow.h"
#include "CCleanupObject.h"
#include "CMessageMonitorWindow.h"
#include "LMainContext.h"
#include "LEventLoopTimer.h"
#include "MergeFieldValues.h"
#include "MessageMonitor.h"
#include "MonitorStore.h"
#include "PreferenceGetters.h"
#include "Preferences.h"
#include "ScriptedPresenter.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <dirent.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A private home for one run and the application set up in it with the monitor on a free port.
class MonitorBenchApp {
public:
    explicit MonitorBenchApp(benchmark::State& state)
    {
        for (const char* sub : {"home", "config", "data", "runtime"})
            QDir(mRoot.path()).mkpath(sub);
        QFile::setPermissions(mRoot.path() + "/runtime",
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        setenv("HOME", qPrintable(mRoot.path() + "/home"), 1);
        setenv("XDG_CONFIG_HOME", qPrintable(mRoot.path() + "/config"), 1);
        setenv("XDG_DATA_HOME", qPrintable(mRoot.path() + "/data"), 1);
        setenv("XDG_RUNTIME_DIR", qPrintable(mRoot.path() + "/runtime"), 1);
        LMainContext::Get();
        InstallMergeFieldValues();
        mPresenter.SetFailureHandler([&state](const QString& message) { state.SkipWithError(qPrintable(message)); });
        for (const auto& [key, value] : {std::pair{kMessageMonitorKey, "true"}, {kMessageMonitorPortKey, "0"},
                                         {"Message Monitor Open On Launch", "false"}, {"Restore Workspace", "false"},
                                         {"Show No Me Card Alert", "0"}, {"Log", "false"},
                                         {"Software Update Site", "http://127.0.0.1:9"}})
            SetPreference(value, CString256(key));
    }

    ~MonitorBenchApp()
    {
        if (!mApp)
            return;
        gWindowList.Rewind();
        std::vector<CBrevantoWindow*> windows;
        while (CBrevantoWindow** window = gWindowList.Next())
            windows.push_back(*window);
        for (CBrevantoWindow* window : windows)
            window->Cleanup();
        CCleanupObject::DeleteAll();
        mApp->CleanUp();
    }

    CBrevantoApp& Start()
    {
        mApp = std::make_unique<CBrevantoApp>();
        mApp->SetUpApplication();
        return *mApp;
    }

    QString StorePath() const { return GetMessageMonitorFolderPath() + "/MessageMonitor.cdbvto"; }

private:
    QTemporaryDir mRoot;
    ScriptedPresenter mPresenter;
    std::unique_ptr<CBrevantoApp> mApp;
};

long StatusKilobytes(const char* field)
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field))).trimmed().split(' ').front().toLong();
    return 0;
}

int ThreadCount()
{
    int count = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(tasks))
            count += entry->d_name[0] != '.';
        closedir(tasks);
    }
    return count;
}

struct Client {
    pid_t pid = -1;
    int output = -1;
    std::string text;
};

Client StartClient(int port, const std::string& prefix, int count)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return {};
    const std::string script = std::string(BREVANTO_SOURCE_DIR) + "/bench/monitor_load_client.py";
    const std::string image = std::string(BREVANTO_SOURCE_DIR) + "/resources/33.png";
    const std::string portText = std::to_string(port), countText = std::to_string(count);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        execl(BREVANTO_PYTHON, BREVANTO_PYTHON, script.c_str(), portText.c_str(), prefix.c_str(), countText.c_str(),
              image.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    return Client{pid, fds[0], {}};
}

// Reads what the client wrote so far; true once it has ended.
bool Collect(Client& client)
{
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(client.output, buffer, sizeof buffer);
        if (got > 0) {
            client.text.append(buffer, std::size_t(got));
            continue;
        }
        if (got == 0) {
            close(client.output);
            waitpid(client.pid, nullptr, 0);
            return true;
        }
        return false; // EAGAIN: more later
    }
}

// One pass of the application's loop as LApplication::ProcessNextEvent makes it, with the
// queued calls (the hit drains, under load) timed.
Clock::duration LoopPass()
{
    LMainContext& context = LMainContext::Get();
    context.WaitForEvents(std::min(Clock::now() + std::chrono::milliseconds(5), context.NextDue()), false);
    const auto start = Clock::now();
    context.RunQueuedCalls();
    const auto drained = Clock::now() - start;
    LEventLoopTimer::FireDue();
    context.RearmDriver();
    return drained;
}

double Percentile(std::vector<long>& values, double fraction)
{
    if (values.empty())
        return 0;
    const std::size_t at = std::min(values.size() - 1, std::size_t(fraction * double(values.size())));
    std::nth_element(values.begin(), values.begin() + long(at), values.end());
    return double(values[at]);
}

void BM_MonitorLoad(benchmark::State& state)
{
    const int hits = int(state.range(0));
    constexpr int kClients = 8;
    for (auto _ : state) {
        MonitorBenchApp bench(state);
        SetMessageMonitorDrainInterval(std::chrono::milliseconds(state.range(1)));
        CBrevantoApp& app = bench.Start();
        if (!IsMessageMonitorRunning()) {
            state.SkipWithError("the Message Monitor did not start");
            return;
        }
        const int port = CurrentMessageMonitorListener()->Port();
        const std::size_t storedBefore = FetchMessageMonitorRequests(app).size();
        const long hwmBefore = StatusKilobytes("VmHWM:");
        const int threadsBefore = ThreadCount();

        std::vector<Client> clients;
        const auto start = Clock::now();
        for (int c = 0; c < kClients; ++c)
            clients.push_back(StartClient(port, "c" + std::to_string(c), hits / kClients));
        Clock::duration draining{};
        int ended = 0, mostThreads = threadsBefore;
        auto nextSample = Clock::now();
        while (ended < kClients) {
            draining += LoopPass();
            if (Clock::now() >= nextSample) {
                mostThreads = std::max(mostThreads, ThreadCount());
                nextSample = Clock::now() + std::chrono::milliseconds(2);
            }
            for (Client& client : clients)
                if (client.output >= 0 && Collect(client))
                    client.output = -1, ++ended;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const int mostConnections = CurrentMessageMonitorListener()->MostLiveConnections();
        const long hwmGrowth = StatusKilobytes("VmHWM:") - hwmBefore; // before the store is read back
        const auto drainStart = Clock::now();
        StopMessageMonitor(); // ends the connections and writes what is still queued
        draining += Clock::now() - drainStart;

        long answered = 0;
        std::vector<long> latencies;
        for (const Client& client : clients) {
            std::istringstream lines(client.text);
            long good = 0, micros = 0;
            lines >> good;
            answered += good;
            while (lines >> micros)
                latencies.push_back(micros);
        }
        const long stored = long(FetchMessageMonitorRequests(app).size() - storedBefore);
        state.counters["hits_per_s"] = double(answered) / seconds;
        state.counters["p50_ms"] = Percentile(latencies, 0.50) / 1000.0;
        state.counters["p99_ms"] = Percentile(latencies, 0.99) / 1000.0;
        state.counters["most_connections"] = mostConnections;
        state.counters["threads_before"] = threadsBefore;
        state.counters["threads_most"] = mostThreads;
        state.counters["VmHWM_growth_kB"] = double(hwmGrowth);
        state.counters["drain_ms_per_1000"] =
            std::chrono::duration<double, std::milli>(draining).count() * 1000.0 / double(std::max(1L, stored));
        state.counters["answered"] = double(answered);
        state.counters["lost"] = double(answered - stored);
        state.counters["dropped"] = double(DroppedMessageMonitorHits());
    }
}

// A store of `rows` hits written straight through the store, then the window's refresh timed.
void BM_MonitorWindowRefresh(benchmark::State& state)
{
    const int rows = int(state.range(0));
    MonitorBenchApp bench(state);
    SetPreference("false", CString256(kMessageMonitorKey));
    {
        QDir().mkpath(GetMessageMonitorFolderPath());
        MonitorStore store(bench.StorePath());
        store.Open();
        std::vector<QueuedMonitorHit> hits;
        hits.reserve(std::size_t(rows));
        for (int i = 0; i < rows; ++i)
            hits.push_back({MonitorHit{"Person " + std::to_string(i) + " <p" + std::to_string(i) + "@example.org>",
                                       "Subject " + std::to_string(i % 97), "2008-03-01 14:05:09 +0100"},
                            1.2e9 + i});
        if (!store.Save(hits)) {
            state.SkipWithError("the store could not be written");
            return;
        }
        store.Close();
    }
    bench.Start();
    for (auto _ : state) {
        gMessageMonitorWindow->MarkForReload();
        gMessageMonitorWindow->SetRequests();
    }
    state.counters["rows"] = rows;
}

} // namespace

// The second argument is the interval between drains in milliseconds (50 is the program's; 0
// writes every hit as it comes).
BENCHMARK(BM_MonitorLoad)
    ->ArgNames({"hits", "drain_ms"})
    ->Args({10000, 0})
    ->Args({10000, 50})
    ->Args({100000, 50})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK(BM_MonitorWindowRefresh)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);
