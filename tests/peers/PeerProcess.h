// PeerProcess: one test peer as a child process, started with a deadline and stopped by its
// PID (SIGTERM, then SIGKILL) when the object goes, also when a test fails half-way. The
// child's standard input is a pipe that closes with the object, so a peer that watches it
// also ends if the test process dies. Header-only; test threads only.
#pragma once

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <arpa/inet.h>

class PeerProcess {
public:
    PeerProcess() = default;
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;
    ~PeerProcess() { Stop(); }

    // Starts argv[0] (a path) with the arguments; its standard output is readable by
    // ReadLine. Standard error stays the test's.
    bool Start(const std::vector<std::string>& args)
    {
        int toPeer[2], fromPeer[2];
        if (pipe2(toPeer, O_CLOEXEC) != 0)
            return false;
        if (pipe2(fromPeer, O_CLOEXEC) != 0) {
            close(toPeer[0]);
            close(toPeer[1]);
            return false;
        }
        std::vector<char*> argv;
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        mPid = fork();
        if (mPid == 0) {
            dup2(toPeer[0], 0);
            dup2(fromPeer[1], 1);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(toPeer[0]);
        close(fromPeer[1]);
        mToPeer = toPeer[1];
        mFromPeer = fromPeer[0];
        return mPid > 0;
    }

    // One line of the child's standard output (without the LF), or "" when none came in time.
    std::string ReadLine(std::chrono::milliseconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::string line;
        while (mFromPeer >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now()).count();
            if (left <= 0)
                return {};
            pollfd p{mFromPeer, POLLIN, 0};
            if (poll(&p, 1, int(left)) <= 0)
                continue;
            char c;
            if (read(mFromPeer, &c, 1) != 1)
                return {};
            if (c == '\n')
                return line;
            line += c;
        }
        return {};
    }

    void Stop()
    {
        if (mToPeer >= 0)
            close(mToPeer);
        if (mFromPeer >= 0)
            close(mFromPeer);
        mToPeer = mFromPeer = -1;
        if (mPid <= 0)
            return;
        kill(mPid, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            if (waitpid(mPid, nullptr, WNOHANG) == mPid) {
                mPid = -1;
                return;
            }
            usleep(20000);
        }
        kill(mPid, SIGKILL);
        waitpid(mPid, nullptr, 0);
        mPid = -1;
    }

    pid_t Pid() const { return mPid; }
    bool Exited()
    {
        if (mPid <= 0)
            return true;
        return waitpid(mPid, nullptr, WNOHANG) == mPid ? (mPid = -1, true) : false;
    }

    // The folder of the peer scripts: the one the tests' build names, else the one this header
    // lies in (a benchmark). __FILE__ alone is relative to the build folder where the compiler
    // was given relative paths, and the tests do not run from there.
    static std::string PeersFolder()
    {
#ifdef BREVANTO_PEERS_DIR
        return BREVANTO_PEERS_DIR;
#else
        const std::string header = __FILE__;
        return header.substr(0, header.rfind('/'));
#endif
    }
    // Debian's own python3, where the python3-* packages the peers use are installed.
    static std::string Python()
    {
#ifdef BREVANTO_PYTHON
        return BREVANTO_PYTHON;
#else
        return "/usr/bin/python3";
#endif
    }

    // A loopback port that was free a moment ago (for peers that cannot report their own).
    static int FreeLoopbackPort()
    {
        const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        int port = 0;
        if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0
            && getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            port = ntohs(a.sin_port);
        close(s);
        return port;
    }

    // Waits until this peer accepts TCP connections on the loopback port; gives up at once when
    // it has exited, so a peer that cannot start costs no wait however generous the limit.
    bool WaitUntilListening(int port, std::chrono::milliseconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            if (WaitForListener(port, std::chrono::milliseconds(200)))
                return true;
            if (Exited())
                return false;
        }
        return false;
    }

    // Waits until something accepts TCP connections on the loopback port.
    static bool WaitForListener(int port, std::chrono::milliseconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            a.sin_port = htons(uint16_t(port));
            const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
            close(s);
            if (ok)
                return true;
            usleep(20000);
        }
        return false;
    }

private:
    pid_t mPid = -1;
    int mToPeer = -1;
    int mFromPeer = -1;
};
