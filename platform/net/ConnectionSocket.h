// ConnectionSocket: one accepted TCP connection, served by one OS thread with deadlines on every
// wait. Shutdown may come from any other thread and wakes a blocked read at once.
// Writes never raise SIGPIPE. The socket closes when the object goes.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string_view>

class ConnectionSocket {
public:
    using Clock = std::chrono::steady_clock;

    enum class Result { Data, Closed, TimedOut, Failed };

    explicit ConnectionSocket(int descriptor);
    ~ConnectionSocket();
    ConnectionSocket(const ConnectionSocket&) = delete;
    ConnectionSocket& operator=(const ConnectionSocket&) = delete;

    // Reads what has arrived (at most `capacity` bytes) into `buffer`, waiting until `deadline`.
    Result ReadSome(char* buffer, std::size_t capacity, std::size_t& count, Clock::time_point deadline);
    // Writes every byte before `deadline`; false on a failure, a reset or the deadline.
    bool WriteAll(std::string_view bytes, Clock::time_point deadline);
    // Any thread: ends both directions, so a blocked read returns.
    void Shutdown();
    // After the one reply: ends the write side and reads (and drops) what the peer still sends
    // for at most a second, so stray request bytes don't turn the reply into a reset; then
    // closes.
    void CloseAfterReply();

private:
    bool WaitFor(short events, Clock::time_point deadline);

    std::mutex mCloseMutex; // Shutdown never meets a descriptor that was closed (and reused)
    int mSocket;
};
