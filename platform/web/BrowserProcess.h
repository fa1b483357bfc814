// BrowserProcess: the headless browser as a child process, with the two pipe ends of its
// debugging pipe at its descriptors 3 (commands in) and 4 (replies and events out).
// The child gets a process group of its own, dies with this process (parent-death signal
// SIGKILL), reads /dev/null as input, and its last output lines are kept for the failure log.
// Stop ends the whole group: SIGTERM, a grace period, then SIGKILL. Only the group this
// object started is ever signalled.
// Main thread (the one that started it: the parent-death signal follows that thread).
// What can fail: the pipes or the start (Start answers false with a text).
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>

class BrowserProcess {
public:
    BrowserProcess();
    ~BrowserProcess();
    BrowserProcess(const BrowserProcess&) = delete;
    BrowserProcess& operator=(const BrowserProcess&) = delete;

    bool Start(const QString& executable, const QStringList& arguments,
               const QProcessEnvironment& environment, QString* error);

    // The parent's ends of the debugging pipe (close-on-exec, non-blocking); -1 once taken.
    // The caller owns them after taking.
    int TakeCommandFd();
    int TakeEventFd();

    // Called (from the event loop, or inside WaitForExit) when the child has exited.
    void SetExitHandler(std::function<void()> onExit) { fOnExit = std::move(onExit); }

    bool IsRunning() const { return fProcess.state() != QProcess::NotRunning; }
    qint64 Pid() const { return fPid; }
    // Waits (without running the event loop) until the child has exited.
    bool WaitForExit(int milliseconds);
    // SIGTERM to the group, `graceMs` to exit, then SIGKILL to the group.
    void Stop(int graceMs);
    // How the child ended, for the log ("exited with status 1", "killed by signal 9").
    QString ExitDescription() const;
    // The last lines the child wrote (standard output and error together).
    QString OutputTail() const;

private:
    void KeepOutput();
    void SignalGroup(int signal);

    QProcess fProcess;
    qint64 fPid = 0;
    int fCommandWrite = -1;
    int fEventRead = -1;
    QByteArray fOutputTail;
    std::function<void()> fOnExit;
};
