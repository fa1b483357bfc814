#include "BrowserProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

constexpr qsizetype kOutputTailBytes = 4096;
constexpr int kOutputTailLines = 12;
constexpr int kChildCommandFd = 3;
constexpr int kChildEventFd = 4;

void CloseFd(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

} // namespace

BrowserProcess::BrowserProcess()
{
    fProcess.setProcessChannelMode(QProcess::MergedChannels);
    fProcess.setStandardInputFile(QProcess::nullDevice());
    QObject::connect(&fProcess, &QProcess::readyReadStandardOutput, [this] { KeepOutput(); });
    QObject::connect(&fProcess, &QProcess::finished, [this] {
        KeepOutput();
        if (fOnExit)
            fOnExit();
    });
}

BrowserProcess::~BrowserProcess()
{
    if (IsRunning())
        Stop(0);
    CloseFd(fCommandWrite);
    CloseFd(fEventRead);
}

bool BrowserProcess::Start(const QString& executable, const QStringList& arguments,
                           const QProcessEnvironment& environment, QString* error)
{
    int commands[2];
    int events[2];
    if (pipe2(commands, O_CLOEXEC) != 0) {
        *error = QStringLiteral("No pipe: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    if (pipe2(events, O_CLOEXEC) != 0) {
        *error = QStringLiteral("No pipe: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        close(commands[0]);
        close(commands[1]);
        return false;
    }
    const int childRead = commands[0];
    const int childWrite = events[1];
    const pid_t parent = getpid();

    // Runs in the child between its start and exec. Qt starts it as a vfork-like clone that
    // shares this process's memory, so every call goes straight to the kernel (syscall): no
    // wrapper that keeps state in the shared memory runs, such as the race detector's in that
    // build, whose records of this process's descriptors would take the child's dup and close
    // for the parent's. Fresh copies at 10 and above first, because a dup onto the same number
    // would keep close-on-exec (and a pipe end may already sit at 3 or 4).
    fProcess.setChildProcessModifier([childRead, childWrite, parent] {
        const long readCopy = syscall(SYS_fcntl, childRead, F_DUPFD, 10);
        const long writeCopy = syscall(SYS_fcntl, childWrite, F_DUPFD, 10);
        if (readCopy < 0 || writeCopy < 0 || syscall(SYS_dup3, readCopy, kChildCommandFd, 0) < 0
            || syscall(SYS_dup3, writeCopy, kChildEventFd, 0) < 0)
            syscall(SYS_exit_group, 127);
        syscall(SYS_close, readCopy);
        syscall(SYS_close, writeCopy);
        syscall(SYS_setpgid, 0, 0);
        syscall(SYS_prctl, PR_SET_PDEATHSIG, SIGKILL);
        if (syscall(SYS_getppid) != parent)
            syscall(SYS_exit_group, 127);
    });
    fProcess.setProgram(executable);
    fProcess.setArguments(arguments);
    fProcess.setProcessEnvironment(environment);
    fProcess.start(QIODevice::ReadOnly);
    const bool started = fProcess.waitForStarted(10000);
    close(childRead);
    close(childWrite);
    if (!started) {
        *error = QStringLiteral("%1 could not be started: %2").arg(executable, fProcess.errorString());
        close(commands[1]);
        close(events[0]);
        return false;
    }
    fPid = fProcess.processId();
    fCommandWrite = commands[1];
    fEventRead = events[0];
    fcntl(fCommandWrite, F_SETFL, fcntl(fCommandWrite, F_GETFL) | O_NONBLOCK);
    fcntl(fEventRead, F_SETFL, fcntl(fEventRead, F_GETFL) | O_NONBLOCK);
    return true;
}

int BrowserProcess::TakeCommandFd()
{
    const int fd = fCommandWrite;
    fCommandWrite = -1;
    return fd;
}

int BrowserProcess::TakeEventFd()
{
    const int fd = fEventRead;
    fEventRead = -1;
    return fd;
}

bool BrowserProcess::WaitForExit(int milliseconds)
{
    if (!IsRunning())
        return true;
    const bool exited = fProcess.waitForFinished(milliseconds);
    KeepOutput();
    return exited || !IsRunning();
}

void BrowserProcess::SignalGroup(int signal)
{
    if (fPid > 0)
        kill(-pid_t(fPid), signal);
}

void BrowserProcess::Stop(int graceMs)
{
    if (fPid <= 0)
        return;
    if (IsRunning()) {
        SignalGroup(SIGTERM);
        if (!WaitForExit(graceMs)) {
            SignalGroup(SIGKILL);
            WaitForExit(5000);
        }
    }
    // Helpers the browser left in its group go too.
    SignalGroup(SIGKILL);
}

QString BrowserProcess::ExitDescription() const
{
    if (IsRunning())
        return QStringLiteral("still running");
    if (fProcess.exitStatus() == QProcess::CrashExit)
        return QStringLiteral("ended by a signal");
    return QStringLiteral("exited with status %1").arg(fProcess.exitCode());
}

void BrowserProcess::KeepOutput()
{
    fOutputTail += fProcess.readAllStandardOutput();
    if (fOutputTail.size() > kOutputTailBytes)
        fOutputTail = fOutputTail.right(kOutputTailBytes);
}

QString BrowserProcess::OutputTail() const
{
    QStringList lines = QString::fromUtf8(fOutputTail).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.size() > kOutputTailLines)
        lines = lines.mid(lines.size() - kOutputTailLines);
    return lines.join(QLatin1String(" | "));
}
