// The one read/write loop of a blocking descriptor: whole buffers, the end of a file, failures,
// and a signal in the middle of a read that is no failure.
#include "DescriptorIO.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <future>
#include <string>
#include <thread>

namespace {

void IgnoreSignal(int) {}

} // namespace

TEST(DescriptorIO, WholeBuffersTheEndOfAFileAndFailures)
{
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    size_t done = 0;
    EXPECT_EQ(WriteFully(pipeEnds[1], "hello", 5, &done), 0);
    EXPECT_EQ(done, 5u);
    close(pipeEnds[1]);

    char buffer[16] = {};
    EXPECT_EQ(ReadFully(pipeEnds[0], buffer, sizeof buffer, &done), 0); // short: the end came
    EXPECT_EQ(done, 5u);
    EXPECT_EQ(std::string(buffer, done), "hello");
    close(pipeEnds[0]);

    EXPECT_EQ(ReadFully(pipeEnds[0], buffer, sizeof buffer, &done), EBADF);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(WriteFully(pipeEnds[1], "x", 1), EBADF);
}

// The reader blocks on an empty pipe; a signal handled without SA_RESTART interrupts its read
// (EINTR); the loop reads on and gets what is written afterwards.
TEST(DescriptorIO, ASignalDuringAReadIsNotAFailure)
{
    struct sigaction handler {}, old {};
    handler.sa_handler = IgnoreSignal;
    sigemptyset(&handler.sa_mask);
    handler.sa_flags = 0; // no SA_RESTART: the blocked read returns EINTR
    ASSERT_EQ(sigaction(SIGUSR1, &handler, &old), 0);
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);

    std::promise<pthread_t> started;
    auto reader = std::async(std::launch::async, [&] {
        started.set_value(pthread_self());
        char buffer[4] = {};
        size_t done = 0;
        const int error = ReadFully(pipeEnds[0], buffer, sizeof buffer, &done);
        return std::make_pair(error, std::string(buffer, done));
    });
    const pthread_t thread = started.get_future().get();
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // let it block in read()
    pthread_kill(thread, SIGUSR1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(WriteFully(pipeEnds[1], "ping", 4), 0);

    const auto [error, text] = reader.get();
    EXPECT_EQ(error, 0);
    EXPECT_EQ(text, "ping");
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    sigaction(SIGUSR1, &old, nullptr);
}
