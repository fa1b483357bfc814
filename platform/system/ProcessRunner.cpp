#include "ProcessRunner.h"

#include "LMainContext.h"
#include "LThread.h"

#include <QProcess>

namespace {

using Clock = std::chrono::steady_clock;

bool OnCooperativeThread()
{
    return LMainContext::OnGuiThread() && !LThread::InMainContext();
}

int MillisecondsUntil(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return int(std::max<long long>(0, std::min<long long>(left.count(), 1 << 30)));
}

// Waits for the program to end until `deadline`: polls and yields on a cooperative thread,
// blocks elsewhere. True when it ended.
bool WaitForEnd(QProcess& process, Clock::time_point deadline)
{
    if (!OnCooperativeThread())
        return process.waitForFinished(std::max(1, MillisecondsUntil(deadline)))
            || process.state() == QProcess::NotRunning;
    for (;;) {
        process.waitForFinished(0); // reads what is waiting and notices the end, never blocks
        if (process.state() == QProcess::NotRunning)
            return true;
        if (Clock::now() >= deadline)
            return false;
        LThread::Yield();
    }
}

void EndLateProgram(QProcess& process)
{
    process.terminate();
    if (WaitForEnd(process, Clock::now() + ProcessRunner::kKillGrace))
        return;
    process.kill();
    WaitForEnd(process, Clock::now() + ProcessRunner::kKillGrace);
}

} // namespace

ProcessResult ProcessRunner::Run(const QString& program, const QStringList& arguments,
                                 std::chrono::milliseconds deadline, const QString& workingFolder)
{
    const Clock::time_point end = Clock::now() + deadline;
    ProcessResult result;
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted(std::max(1, MillisecondsUntil(end)))) {
        result.errorText = process.errorString();
        process.kill();
        process.waitForFinished(int(kKillGrace.count()));
        return result;
    }
    const bool ended = WaitForEnd(process, end);
    if (!ended) {
        EndLateProgram(process);
        result.outcome = ProcessResult::Outcome::TimedOut;
        result.errorText = "timed out";
    } else if (process.exitStatus() == QProcess::CrashExit) {
        result.outcome = ProcessResult::Outcome::Crashed;
        result.errorText = process.errorString();
    } else {
        result.outcome = ProcessResult::Outcome::Exited;
        result.exitStatus = process.exitCode();
    }
    result.standardOutput = process.readAllStandardOutput();
    result.standardError = process.readAllStandardError();
    return result;
}

bool ProcessRunner::StartDetached(const QString& program, const QStringList& arguments,
                                  const QString& workingFolder)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    return process.startDetached();
}
