// The monitor's tests are worth their clean runs under the race detector (the
// -DBREVANTO_NET_TSAN build) only while the detector watches every thread, the GUI thread
// included after it starts a child process (the browser test starts one). Qt starts children
// with a clone that shares this process's memory, and the detector's own handling of it used to
// leave the starting thread unwatched for good (platform/sanitizer/ThreadSanitizerClone.cpp).
// A child run of this program starts a process, then races on purpose between its main thread
// and another: the detector must report that race. Skipped in every other build.
#include "ThreadSanitizer.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <thread>

namespace monitortest {
namespace {

constexpr const char* kProbeVariable = "BREVANTO_RACE_PROBE";

// Two threads write one int with nothing ordering them.
__attribute__((noinline)) void RaceAfterAChildProcessStart()
{
    QProcess child;
    child.start(QStringLiteral("/bin/true"), {});
    child.waitForFinished(30000);
    int shared = 0;
    std::thread other([&shared] { shared = 1; });
    shared = 2;
    other.join();
}

TEST(MonitorRaceDetectorTest, ARaceOfTheThreadThatStartedAChildProcessIsReported)
{
    if (qEnvironmentVariableIsSet(kProbeVariable)) {
        RaceAfterAChildProcessStart();
        return;
    }
    if (!kBuiltWithThreadSanitizer)
        GTEST_SKIP() << "only the race detector's build";

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kProbeVariable, "1");
    QProcess probe;
    probe.setProcessEnvironment(environment);
    probe.start(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath(),
                {QStringLiteral("--gtest_filter=MonitorRaceDetectorTest.*")});
    ASSERT_TRUE(probe.waitForFinished(120000)) << "the probe did not finish";
    const QString report = QString::fromLocal8Bit(probe.readAllStandardError());
    EXPECT_TRUE(report.contains("WARNING: ThreadSanitizer: data race") && report.contains("RaceAfterAChildProcessStart"))
        << "no report of the race; the probe's standard error:\n" << report.toStdString();
}

} // namespace
} // namespace monitortest
