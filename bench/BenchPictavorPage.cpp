// pictavor_page: the page imager end to end, for the fixture page and the tall page in each
// output type, five runs each (median and spread in the aggregates). Figures per run: the wall
// time, its phases read from the log's time stamps (start to the first request, to the main
// frame, the quiet wait, "Delay threshold" to "output file"), the output's bytes, and the peak
// resident size of the largest process of the run (RUSAGE_CHILDREN of a helper that waits for
// the program). Needs the pictavor program built beside this one (<build>/bin) and chromium.
#include <benchmark/benchmark.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QString>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

const std::filesystem::path kSourceRoot = BREVANTO_SOURCE_DIR;

std::string PictavorPath()
{
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "bin" / "pictavor").string();
}

// The page peer, started once for the whole benchmark run.
class PagePeer {
public:
    PagePeer()
    {
        fProcess.start("/usr/bin/python3", { QString::fromStdString((kSourceRoot / "tests/peers/page_server.py").string()),
                                             QString::fromStdString((kSourceRoot / "tests/pictavor/data").string()) });
        if (fProcess.waitForStarted(10000) && fProcess.waitForReadyRead(10000))
            fPort = fProcess.readLine().trimmed().toInt();
    }
    ~PagePeer()
    {
        fProcess.terminate();
        if (!fProcess.waitForFinished(5000))
            fProcess.kill();
        fProcess.waitForFinished(5000);
    }
    QString URL(const char* path) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(fPort).arg(path); }
    bool Ok() const { return fPort > 0; }

private:
    QProcess fProcess;
    int fPort = 0;
};

PagePeer& Peer()
{
    static PagePeer peer;
    return peer;
}

struct RunFigures {
    bool ok = false;
    double seconds = 0;
    double toFirstRequest = 0, toMainFrame = 0, quietWait = 0, toOutput = 0;
    double outputBytes = 0;
    double peakRssMB = 0;
};

// Runs the program through a helper process whose children's usage is this run's alone.
RunFigures RunOnce(const QString& url, const QString& type, const QString& tmpdir)
{
    RunFigures figures;
    int logPipe[2];
    int usagePipe[2];
    if (pipe(logPipe) != 0 || pipe(usagePipe) != 0)
        return figures;
    const std::string program = PictavorPath();
    const std::string urlText = url.toStdString(), typeText = type.toStdString();
    const std::string tmp = "TMPDIR=" + tmpdir.toStdString();
    const auto start = std::chrono::steady_clock::now();
    const pid_t helper = fork();
    if (helper == 0) {
        close(logPipe[0]);
        close(usagePipe[0]);
        std::vector<std::string> environment { tmp };
        for (char** e = environ; *e; ++e)
            if (strncmp(*e, "TMPDIR=", 7) != 0)
                environment.emplace_back(*e);
        std::vector<char*> envp;
        for (auto& e : environment)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, logPipe[1], 2);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        char* argv[] = { const_cast<char*>(program.c_str()), const_cast<char*>(urlText.c_str()),
                         const_cast<char*>(typeText.c_str()), const_cast<char*>("3"), nullptr };
        pid_t child = 0;
        int status = 0;
        if (posix_spawn(&child, program.c_str(), &actions, nullptr, argv, envp.data()) == 0)
            waitpid(child, &status, 0);
        rusage usage {};
        getrusage(RUSAGE_CHILDREN, &usage);
        const long maxrss = usage.ru_maxrss;
        (void)!write(usagePipe[1], &maxrss, sizeof maxrss);
        _exit(0);
    }
    close(logPipe[1]);
    close(usagePipe[1]);
    QByteArray log;
    char buffer[65536];
    for (ssize_t n; (n = read(logPipe[0], buffer, sizeof buffer)) > 0;)
        log.append(buffer, n);
    long maxrss = 0;
    if (read(usagePipe[0], &maxrss, sizeof maxrss) != sizeof maxrss)
        maxrss = 0;
    close(logPipe[0]);
    close(usagePipe[0]);
    waitpid(helper, nullptr, 0);
    figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figures.peakRssMB = maxrss / 1024.0;

    // Each record starts "YYYY-MM-DD HH:MM:SS.mmm pictavor[pid] text".
    auto stampOf = [&](const QString& text) -> double {
        const QString all = QString::fromUtf8(log);
        const qsizetype at = all.indexOf(text);
        if (at < 0)
            return -1;
        const qsizetype lineStart = all.lastIndexOf(QRegularExpression(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} pictavor\[)"), at);
        if (lineStart < 0)
            return -1;
        const QDateTime when = QDateTime::fromString(all.mid(lineStart, 23), "yyyy-MM-dd HH:mm:ss.zzz");
        return when.toMSecsSinceEpoch() / 1000.0;
    };
    const double begin = stampOf("argc = ");
    const double firstRequest = stampOf("Sending request: ");
    const double mainFrame = stampOf("Main Frame finished loading.");
    const double threshold = stampOf("Delay threshold of ");
    const double output = stampOf("output file: ");
    figures.ok = output > 0;
    figures.toFirstRequest = firstRequest > 0 ? firstRequest - begin : 0;
    figures.toMainFrame = mainFrame > 0 ? mainFrame - firstRequest : 0;
    figures.quietWait = threshold > 0 ? threshold - mainFrame : 0;
    figures.toOutput = threshold > 0 && output > 0 ? output - threshold : 0;
    figures.outputBytes = double(QFileInfo(tmpdir + QStringLiteral("/Brevanto-%1/load-url-1963.").arg(getuid()) + type).size());
    return figures;
}

void PictavorPage(benchmark::State& state, const char* page, const char* type)
{
    if (!Peer().Ok() || !QFileInfo::exists(QString::fromStdString(PictavorPath()))) {
        state.SkipWithError("page peer or pictavor program missing");
        return;
    }
    for (auto _ : state) {
        char pattern[] = "/tmp/pv-bench-XXXXXX";
        const QString tmpdir = QString::fromLatin1(mkdtemp(pattern));
        const RunFigures figures = RunOnce(Peer().URL(page), type, tmpdir);
        QDir(tmpdir).removeRecursively();
        state.SetIterationTime(figures.seconds);
        state.counters["ok"] = figures.ok;
        state.counters["to_first_request_s"] = figures.toFirstRequest;
        state.counters["to_main_frame_s"] = figures.toMainFrame;
        state.counters["quiet_wait_s"] = figures.quietWait;
        state.counters["threshold_to_output_s"] = figures.toOutput;
        state.counters["output_bytes"] = figures.outputBytes;
        state.counters["peak_rss_MB"] = figures.peakRssMB;
    }
}

const char* const kTypes[] = { "tif", "bmp", "jpg", "png", "pict", "psd", "pntg", "qtif", "jp2", "pdf" };

const bool kRegistered = [] {
    for (const char* page : { "/page.html", "/tall.html" }) {
        for (const char* type : kTypes) {
            const std::string name = std::string("pictavor_page") + (page[1] == 'p' ? "/page/" : "/tall/") + type;
            benchmark::RegisterBenchmark(name.c_str(), PictavorPage, page, type)
                ->Iterations(1)->Repetitions(5)->UseManualTime()->Unit(benchmark::kSecond)->ReportAggregatesOnly(true);
        }
    }
    return true;
}();

} // namespace
