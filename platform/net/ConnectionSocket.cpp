#include "ConnectionSocket.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

ConnectionSocket::ConnectionSocket(int descriptor) : mSocket(descriptor) {}

ConnectionSocket::~ConnectionSocket()
{
    if (mSocket >= 0)
        close(mSocket);
}

bool ConnectionSocket::WaitFor(short events, Clock::time_point deadline)
{
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd item {mSocket, events, 0};
        const int ready = poll(&item, 1, int(std::min<long long>(left.count(), 60'000)));
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return true; // the following call reports the failure
    }
}

ConnectionSocket::Result ConnectionSocket::ReadSome(char* buffer, std::size_t capacity, std::size_t& count,
                                                    Clock::time_point deadline)
{
    count = 0;
    for (;;) {
        if (!WaitFor(POLLIN, deadline))
            return Result::TimedOut;
        const ssize_t got = recv(mSocket, buffer, capacity, MSG_DONTWAIT);
        if (got > 0) {
            count = std::size_t(got);
            return Result::Data;
        }
        if (got == 0)
            return Result::Closed;
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return Result::Failed;
    }
}

bool ConnectionSocket::WriteAll(std::string_view bytes, Clock::time_point deadline)
{
    while (!bytes.empty()) {
        if (!WaitFor(POLLOUT, deadline))
            return false;
        const ssize_t sent = send(mSocket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0)
            bytes.remove_prefix(std::size_t(sent));
        else if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
            return false;
    }
    return true;
}

void ConnectionSocket::Shutdown()
{
    std::lock_guard lock(mCloseMutex);
    if (mSocket >= 0)
        shutdown(mSocket, SHUT_RDWR);
}

void ConnectionSocket::CloseAfterReply()
{
    shutdown(mSocket, SHUT_WR);
    const auto deadline = Clock::now() + std::chrono::seconds(1);
    char sink[4096];
    std::size_t count = 0;
    while (ReadSome(sink, sizeof sink, count, deadline) == Result::Data) {
    }
    std::lock_guard lock(mCloseMutex);
    close(mSocket);
    mSocket = -1;
}
