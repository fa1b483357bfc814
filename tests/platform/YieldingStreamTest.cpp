// The yielding TCP stream against a scripted loopback peer (a plain socket served by an OS
// thread): lines split across packets and both line ends, the 1000-octet cap, the end of the
// stream, a silent peer's time-out while other cooperative threads keep running, Abort from
// another thread, a refused port, and a large write through a name with several addresses.
#include "ToolboxTestSupport.h"
#include "../peers/CooperativeRun.h"

#include "LException.h"
#include "LYieldingStream.h"
#include "NetworkErrors.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <exception>
#include <functional>
#include <thread>

namespace {
using namespace std::chrono_literals;

// Listens on 127.0.0.1 and runs inScript with the first connection accepted (within 10 s).
class ScriptedPeer {
public:
    explicit ScriptedPeer(std::function<void(int)> inScript)
    {
        mListener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(mListener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(mListener, 4);
        getsockname(mListener, reinterpret_cast<sockaddr*>(&address), &length);
        mPort = ntohs(address.sin_port);
        mThread = std::thread([this, script = std::move(inScript)] {
            pollfd waiting{mListener, POLLIN, 0};
            if (poll(&waiting, 1, 10000) != 1)
                return;
            const int fd = accept(mListener, nullptr, nullptr);
            script(fd);
            close(fd);
        });
    }
    ~ScriptedPeer()
    {
        mThread.join();
        close(mListener);
    }
    UInt16 Port() const { return mPort; }

private:
    int mListener = -1;
    UInt16 mPort = 0;
    std::thread mThread;
};

void Send(int fd, const QByteArray& bytes) { ::send(fd, bytes.constData(), bytes.size(), MSG_NOSIGNAL); }

// Waits until the client side closes (or 10 s), so a silent peer stays silent.
void WaitForClose(int fd)
{
    char byte;
    pollfd waiting{fd, POLLIN, 0};
    while (poll(&waiting, 1, 10000) == 1 && recv(fd, &byte, 1, 0) > 0) {
    }
}

void RunCooperatively(const std::function<void()>& inBody) { CooperativeRun::Run(inBody); }
SInt32 FailureCode(const std::function<void()>& inBody) { return CooperativeRun::FailureCode(inBody); }

class YieldingStreamTest : public ::testing::Test {
protected:
    void SetUp() override { LMainContext::Get(); }
    void TearDown() override { EXPECT_TRUE(AllThreadsEnded()); }
};
} // namespace

TEST_F(YieldingStreamTest, ReadsLinesAcrossPacketsWithEitherLineEndThenSeesTheEnd)
{
    ScriptedPeer peer([](int fd) {
        Send(fd, "220 first\r\n25");
        std::this_thread::sleep_for(50ms);
        Send(fd, "0-second\n250 third\r\nunfinished");
    });
    std::vector<QByteArray> lines;
    SInt32 endCode = 0;
    RunCooperatively([&] {
        LYieldingStream stream;
        stream.Connect("127.0.0.1", peer.Port(), DeadlineAfter(5s));
        EXPECT_EQ(stream.PeerAddress(), "127.0.0.1");
        for (int i = 0; i < 3; ++i)
            lines.push_back(stream.ReadLine(DeadlineAfter(5s)));
        endCode = FailureCode([&] { stream.ReadLine(DeadlineAfter(5s)); });
        EXPECT_FALSE(stream.IsOpen());
    });
    EXPECT_EQ(lines, (std::vector<QByteArray>{"220 first", "250-second", "250 third"}));
    EXPECT_EQ(endCode, err_NetDisconnected) << "an unterminated tail is not a line";
}

TEST_F(YieldingStreamTest, ALineLongerThanTheCapDropsTheConnection)
{
    struct Case {
        QByteArray sent;
        SInt32 code;
    };
    const Case cases[] = {
        {QByteArray(998, 'x') + "\r\n", 0},
        {QByteArray(999, 'x') + "\r\n", err_NetDisconnectedAbortive},
        {QByteArray(1000, 'x'), err_NetDisconnectedAbortive}, // no line end, peer stays open
    };
    for (const Case& c : cases) {
        ScriptedPeer peer([&](int fd) {
            Send(fd, c.sent);
            WaitForClose(fd);
        });
        SInt32 code = -1;
        RunCooperatively([&] {
            LYieldingStream stream;
            stream.Connect("127.0.0.1", peer.Port(), DeadlineAfter(5s));
            code = FailureCode([&] { stream.ReadLine(DeadlineAfter(20s)); });
        });
        EXPECT_EQ(code, c.code) << c.sent.size() << " octets sent";
    }
}

TEST_F(YieldingStreamTest, ASilentPeerTimesOutAtTheDeadlineWhileOtherThreadsRun)
{
    for (const bool onThread : {true, false}) {
        ScriptedPeer peer(WaitForClose);
        int otherRounds = 0;
        bool finished = false;
        StartThread([&] {
            while (!finished) {
                ++otherRounds;
                LThread::Yield();
            }
        });
        SInt32 code = 0;
        auto body = [&] {
            LYieldingStream stream;
            stream.Connect("127.0.0.1", peer.Port(), DeadlineAfter(5s));
            code = FailureCode([&] { stream.ReadLine(DeadlineAfter(300ms)); });
            finished = true;
        };
        if (onThread)
            RunCooperatively(body);
        else
            body(); // the main context waits in place, running the other threads' rounds
        EXPECT_EQ(code, err_NetTimedOut) << (onThread ? "cooperative thread" : "main context");
        EXPECT_GT(otherRounds, 2) << "the wait let the other thread run";
    }
}

TEST_F(YieldingStreamTest, AbortFromAnotherThreadEndsTheWaitAndLaterCalls)
{
    ScriptedPeer peer(WaitForClose);
    LYieldingStream stream;
    SInt32 waitCode = 0;
    SInt32 laterCode = 0;
    bool connected = false;
    StartThread([&] {
        LThread::WaitUntil([&] { return connected; }, DeadlineAfter(10s));
        for (int i = 0; i < 3; ++i)
            LThread::Yield();
        stream.Abort();
    });
    RunCooperatively([&] {
        stream.Connect("127.0.0.1", peer.Port(), DeadlineAfter(5s));
        connected = true;
        waitCode = FailureCode([&] { stream.ReadLine(DeadlineAfter(30s)); });
        laterCode = FailureCode([&] { stream.WriteAll("QUIT\r\n", DeadlineAfter(5s)); });
    });
    EXPECT_EQ(waitCode, err_NetAborted);
    EXPECT_EQ(laterCode, err_NetAborted);
}

TEST_F(YieldingStreamTest, ARefusedPortIsADisconnection)
{
    // Bind without listening: the port is ours and refuses connections.
    const int holder = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length);
    SInt32 code = 0;
    RunCooperatively([&] {
        LYieldingStream stream;
        code = FailureCode([&] { stream.Connect("127.0.0.1", ntohs(address.sin_port), DeadlineAfter(5s)); });
    });
    close(holder);
    EXPECT_EQ(code, err_NetDisconnectedAbortive);
}

TEST_F(YieldingStreamTest, WritesEveryByteOfALargeBufferToAPeerReachedByName)
{
    QByteArray payload(4 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < payload.size(); ++i)
        payload[i] = char(i * 7 + i / 4093);
    QByteArray received;
    ScriptedPeer peer([&](int fd) {
        char chunk[65536];
        while (received.size() < payload.size()) {
            std::this_thread::sleep_for(1ms); // a slow reader, so the writer has to wait
            const ssize_t count = recv(fd, chunk, sizeof chunk, 0);
            if (count <= 0)
                break;
            received.append(chunk, count);
        }
        Send(fd, "done\r\n");
    });
    QByteArray answer;
    RunCooperatively([&] {
        LYieldingStream stream;
        // "localhost" may list ::1 first, where nothing listens: the next address is tried.
        stream.Connect("localhost", peer.Port(), DeadlineAfter(5s));
        stream.WriteAll(payload, DeadlineAfter(30s));
        answer = stream.ReadLine(DeadlineAfter(30s));
    });
    EXPECT_EQ(answer, "done");
    EXPECT_TRUE(received == payload);
}
