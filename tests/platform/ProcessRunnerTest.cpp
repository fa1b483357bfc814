// ProcessRunner with real programs: what comes back, the deadline, and waits that let other
// cooperative threads run.
#include "ProcessRunner.h"

#include "LQtApplication.h"
#include "ToolboxTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(ProcessRunner, CollectsOutputErrorAndStatus)
{
    const ProcessResult r = ProcessRunner::Run("/bin/sh", {"-c", "echo out; echo err >&2; exit 3"}, 5s);
    EXPECT_EQ(r.outcome, ProcessResult::Outcome::Exited);
    EXPECT_EQ(r.exitStatus, 3);
    EXPECT_FALSE(r.Succeeded());
    EXPECT_EQ(r.standardOutput, "out\n");
    EXPECT_EQ(r.standardError, "err\n");
}

TEST(ProcessRunner, ArgumentsReachTheProgramAsTheyStandAndInputIsEmpty)
{
    QTemporaryDir dir;
    const QString tricky = "$(touch " + dir.path() + "/x); `id` 'q' \"d\" * -n";
    const ProcessResult r = ProcessRunner::Run("printf", {"%s|", tricky, ""}, 5s);
    EXPECT_TRUE(r.Succeeded());
    EXPECT_EQ(QString::fromUtf8(r.standardOutput), tricky + "||");
    EXPECT_FALSE(QFile::exists(dir.path() + "/x"));

    const ProcessResult cat = ProcessRunner::Run("cat", {}, 5s);
    EXPECT_TRUE(cat.Succeeded());
    EXPECT_TRUE(cat.standardOutput.isEmpty());

    const ProcessResult pwd = ProcessRunner::Run("pwd", {}, 5s, dir.path());
    EXPECT_EQ(QDir(QString::fromUtf8(pwd.standardOutput.trimmed())).canonicalPath(),
              QDir(dir.path()).canonicalPath());
}

TEST(ProcessRunner, MissingProgramIsAnErrorResult)
{
    const ProcessResult r = ProcessRunner::Run("/nonexistent/tool", {"a"}, 5s);
    EXPECT_EQ(r.outcome, ProcessResult::Outcome::FailedToStart);
    EXPECT_FALSE(r.errorText.isEmpty());
}

TEST(ProcessRunner, DeadlineTerminatesThenKills)
{
    auto start = Clock::now();
    ProcessResult r = ProcessRunner::Run("sleep", {"30"}, 300ms);
    EXPECT_EQ(r.outcome, ProcessResult::Outcome::TimedOut);
    EXPECT_EQ(r.errorText, "timed out");
    EXPECT_LT(Clock::now() - start, 2s);

    start = Clock::now();
    r = ProcessRunner::Run("/bin/sh", {"-c", "trap '' TERM; echo ready; while :; do sleep 0.1; done"}, 300ms);
    EXPECT_EQ(r.outcome, ProcessResult::Outcome::TimedOut);
    EXPECT_GE(Clock::now() - start, ProcessRunner::kKillGrace);
    EXPECT_LT(Clock::now() - start, 5s);
    EXPECT_EQ(r.standardOutput, "ready\n");
}

TEST(ProcessRunner, CooperativeWaitLetsOtherThreadsRun)
{
    LQtApplication::Instance();
    int ticks = 0;
    bool done = false;
    ProcessResult result;
    StartThread([&] {
        result = ProcessRunner::Run("/bin/sh", {"-c", "sleep 0.5; echo slept"}, 5s);
        done = true;
    });
    StartThread([&] {
        while (!done) {
            ++ticks;
            LThread::Yield();
        }
    });
    EXPECT_TRUE(RunUntil([&] { return done; }));
    EXPECT_TRUE(AllThreadsEnded());
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(result.standardOutput, "slept\n");
    EXPECT_GT(ticks, 5);
}

TEST(ProcessRunner, StartDetachedDoesNotWait)
{
    QTemporaryDir dir;
    const QString mark = dir.path() + "/mark";
    const auto start = Clock::now();
    EXPECT_TRUE(ProcessRunner::StartDetached("/bin/sh", {"-c", "sleep 0.3; touch \"$0\"", mark}));
    EXPECT_LT(Clock::now() - start, 300ms);
    EXPECT_FALSE(ProcessRunner::StartDetached("/nonexistent/tool", {}));
    for (int i = 0; i < 50 && !QFile::exists(mark); ++i)
        std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(QFile::exists(mark));
}
