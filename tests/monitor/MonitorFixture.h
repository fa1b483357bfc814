// What the Message Monitor's tests share: an application set up with the monitor on a free port
// (the listener in the test process), a pump of the main loop while clients on other threads or
// in child processes talk to it, and a raw loopback client.
#pragma once

#include "../app/ApplicationFixture.h"
#include "../peers/PeerProcess.h"

#include "CMonitorListener.h"
#include "LMainContext.h"
#include "MessageMonitor.h"
#include "PreferenceGetters.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <future>
#include <string>
#include <vector>

namespace monitortest {

using namespace std::chrono_literals;

// Runs the main loop (accepts, and unless told otherwise the queued drains) until `done` or the
// limit.
template <class Done>
bool PumpUntil(Done done, std::chrono::milliseconds limit = 60s, bool runQueuedCalls = true)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (runQueuedCalls)
            LMainContext::Get().RunQueuedCalls();
        QThread::usleep(500);
    }
    return true;
}

// The future's value, pumping the main loop while it comes.
template <class T>
T PumpFor(std::future<T>& future, std::chrono::milliseconds limit = 120s)
{
    EXPECT_TRUE(PumpUntil([&] { return future.wait_for(0s) == std::future_status::ready; }, limit))
        << "the client did not finish";
    return future.get();
}

inline int ConnectLoopback(int port)
{
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a {};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(s);
        return -1;
    }
    timeval limit {30, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    return s;
}

inline std::string ReadToEnd(int s)
{
    std::string reply;
    char buffer[4096];
    for (;;) {
        const ssize_t got = recv(s, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        reply.append(buffer, std::size_t(got));
    }
    return reply;
}

// Sends the bytes (optionally half-closing), then reads until the server closes.
inline std::string Exchange(int port, std::string bytes, bool halfClose = false)
{
    const int s = ConnectLoopback(port);
    if (s < 0)
        return "(no connection)";
    send(s, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (halfClose)
        shutdown(s, SHUT_WR);
    std::string reply = ReadToEnd(s);
    close(s);
    return reply;
}

// A child process's standard output and exit status (its standard error stays the test's).
struct ChildResult {
    int status = -1;
    std::string output;
};

inline ChildResult RunChild(std::vector<std::string> args)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return {};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 1);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    ChildResult result;
    char buffer[4096];
    ssize_t got;
    while ((got = read(pipeFds[0], buffer, sizeof buffer)) > 0)
        result.output.append(buffer, std::size_t(got));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline int ThreadCount()
{
    int count = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(tasks))
            count += entry->d_name[0] != '.';
        closedir(tasks);
    }
    return count;
}

// The names of this process's threads, for a failure message.
inline std::string ThreadNames()
{
    std::string names;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (dirent* entry = readdir(tasks)) {
            if (entry->d_name[0] == '.')
                continue;
            QFile comm(QString("/proc/self/task/%1/comm").arg(entry->d_name));
            if (comm.open(QIODevice::ReadOnly))
                names += comm.readAll().trimmed().toStdString() + " ";
        }
        closedir(tasks);
    }
    return names;
}

inline std::string DataFile(const char* name) { return std::string(BREVANTO_TEST_DATA) + "/" + name; }

class MonitorFixture : public ApplicationFixture {
protected:
    void SetUp() override
    {
        ApplicationFixture::SetUp();
        SetSetting(kMessageMonitorKey, "true");
        SetSetting("Message Monitor Open On Launch", "false");
        // Each hit is written as its drain comes; the interval between writes has its own test.
        SetMessageMonitorDrainInterval(0ms);
        // Every test begins without a log, also when several run in one process.
        QDir(GetMessageMonitorFolderPath()).removeRecursively();
    }

    void TearDown() override
    {
        ApplicationFixture::TearDown();
        SetMessageMonitorDrainInterval(50ms);
    }

    // The application, set up with the monitor on (the port from the setting, 0 by default).
    void StartApplication()
    {
        MakeApplication().SetUpApplication();
        ASSERT_TRUE(IsMessageMonitorRunning());
    }

    static int Port() { return CurrentMessageMonitorListener()->Port(); }

    // Sends a tracking hit and waits for its answer; unless `drain`, the hit stays queued.
    static std::string Hit(const std::string& key, bool drain = true)
    {
        auto reply = std::async(std::launch::async, [port = Port(), key] {
            return Exchange(port, "GET /Brevanto.bvto?MessageMonitor=" + key + "&subject=s&mailerID=m HTTP/1.0\r\n\r\n");
        });
        EXPECT_TRUE(PumpUntil([&] { return reply.wait_for(0s) == std::future_status::ready; }, 60s, drain));
        // The drain was asked for before the reply went out.
        if (drain)
            LMainContext::Get().RunQueuedCalls();
        return reply.get();
    }

    static QStringList RecordNames()
    {
        QStringList names;
        for (const MonitorRecord& record : Records())
            names << record.name;
        return names;
    }

    static std::vector<MonitorRecord> Records()
    {
        LMainContext::Get().RunQueuedCalls(); // the drains the connection threads asked for
        return FetchMessageMonitorRequests(*gApplication);
    }
};

} // namespace monitortest
