// The software-update download: a 64 MB archive from the loopback test peer through the
// updater thread into a private download folder — MB/s, CPU seconds and the process's peak
// resident size. The preference domain is a private one, so nothing of the user's changes.
#include "CFPreferenceDomain.h"
#include "CSoftwareUpdaterThread.h"
#include "LQtApplication.h"
#include "LThread.h"
#include "Launcher.h"

#include "../tests/peers/HttpPeer.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>

#include <sys/resource.h>

namespace {

constexpr qint64 kArchiveSize = 64LL * 1024 * 1024;

double CpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The result window's OK opens the archive: here nothing is opened.
class NoLauncher : public Launcher {
public:
    bool Open(const QString&) override { return true; }
};

bool ResultShown()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("DownloadUpdateResultWindow") && window->isVisible()) {
            window->close();
            delete window;
            return true;
        }
    }
    return false;
}

void BM_UpdateDownload(benchmark::State& ioState)
{
    static QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    LQtApplication::Instance();
    static NoLauncher launcher;
    Launcher::Install(&launcher);
    static HttpPeer peer;
    QTemporaryDir downloads;
    CFPreferenceDomain::Application().SetValue("DownloadFolder", CFPropertyList(downloads.path()));
    QFile archive(peer.Root() + "/update.zip");
    archive.open(QIODevice::WriteOnly);
    archive.resize(kArchiveSize);
    archive.close();
    const QString url = QString::fromStdString(peer.URL("/archive/update.zip"));
    const double cpuBefore = CpuSeconds();
    for (auto _ : ioState) {
        auto* thread = new CSoftwareUpdaterThread(url, 30);
        thread->Resume();
        LThread::WaitUntil(ResultShown, DeadlineAfter(std::chrono::minutes(5)));
    }
    ioState.SetBytesProcessed(ioState.iterations() * kArchiveSize);
    ioState.counters["cpu_s_per_download"] = (CpuSeconds() - cpuBefore) / double(ioState.iterations());
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    ioState.counters["peak_rss_MB"] = double(usage.ru_maxrss) / 1024.0;
}

} // namespace

BENCHMARK(BM_UpdateDownload)->Name("update_download/64MB")->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
