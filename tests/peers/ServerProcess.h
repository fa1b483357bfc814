// Test helper: a peer server run as a child process with its standard output and error going
// to a file (a chatty peer never blocks on a full pipe, and the test reads the file at any
// time). The start is waited for with a deadline: the loopback port accepts a connection, the
// process ended, or the time is up. Stopped by its PID (SIGTERM, then SIGKILL after three
// seconds) when the object goes, also when a test fails half-way.
// Header-only; include it as "../peers/ServerProcess.h". Test threads only.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

class ServerProcess {
public:
    ServerProcess() = default;
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;
    ~ServerProcess() { Stop(); }

    // A loopback port that was free a moment ago (the kernel's pick for port 0).
    static int FreeLoopbackPort()
    {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        int port = 0;
        if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
            && getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            port = ntohs(address.sin_port);
        close(fd);
        return port;
    }

    // True when something accepts connections on 127.0.0.1:port.
    static bool Accepts(int port)
    {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(uint16_t(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        return ok;
    }

    // Starts args[0] (a path) with its output in outputPath, then waits for port to accept.
    bool Start(const std::vector<std::string>& args, const std::string& outputPath, int port,
               std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        mOutputPath = outputPath;
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        mPid = fork();
        if (mPid == 0) {
            const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(out, 1);
            dup2(out, 2);
            const int none = open("/dev/null", O_RDONLY);
            dup2(none, 0);
            execv(argv[0], argv.data());
            _exit(127);
        }
        if (mPid < 0)
            return false;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (Accepts(port))
                return true;
            if (waitpid(mPid, nullptr, WNOHANG) == mPid) {
                mPid = -1;
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        Stop();
        return false;
    }

    void Stop()
    {
        if (mPid <= 0)
            return;
        kill(mPid, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (waitpid(mPid, nullptr, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() >= deadline) {
                kill(mPid, SIGKILL);
                waitpid(mPid, nullptr, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        mPid = -1;
    }

    bool IsRunning() const { return mPid > 0; }

    QByteArray Output() const
    {
        QFile file(QString::fromStdString(mOutputPath));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    pid_t mPid = -1;
    std::string mOutputPath;
};
