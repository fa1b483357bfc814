// Hostile and heavy peers: requests over a limit, slow peers, other protocols and floods of
// connections end without a reply while the connection threads stay within their cap; a load
// of real clients gets the tracking image every time and each hit is recorded once.
#include "MonitorFixture.h"
#include "ThreadSanitizer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <poll.h>

#include <atomic>
#include <set>
#include <thread>

using namespace monitortest;

namespace {

constexpr int kCap = 8;

class MonitorHostileTest : public MonitorFixture {
protected:
    void SetUp() override
    {
        MonitorFixture::SetUp();
        MonitorServerLimits limits;
        limits.idle = 1s;
        limits.total = 2s;
        limits.maxConnections = kCap;
        SetMessageMonitorLimits(limits);
    }

    // Pumps until the client is done, checking on the way that neither live connections nor the
    // process's threads pass the cap (plus the threads the test itself runs).
    template <class T>
    T WithinCap(std::future<T>& client, int testThreads, int cap = kCap)
    {
        const int baseline = ThreadCount();
        int mostThreads = 0;
        std::string mostThreadNames;
        int mostLive = 0;
        EXPECT_TRUE(PumpUntil(
            [&] {
                const int threads = ThreadCount();
                if (threads > mostThreads) {
                    mostThreads = threads;
                    mostThreadNames = ThreadNames();
                }
                mostLive = std::max(mostLive, CurrentMessageMonitorListener()->LiveConnections());
                return client.wait_for(0s) == std::future_status::ready;
            },
            180s));
        EXPECT_LE(mostLive, cap);
        // A joined thread's task can linger in /proc for a moment after the join returns.
        EXPECT_LE(mostThreads, baseline + cap + testThreads + 4) << "baseline " << baseline << ": " << mostThreadNames;
        return client.get();
    }

    void ExpectNoLiveConnections()
    {
        EXPECT_TRUE(PumpUntil([] { return CurrentMessageMonitorListener()->LiveConnections() == 0; }, 30s));
    }
};

std::string HitURL(int port, const std::string& key)
{
    return "http://127.0.0.1:" + std::to_string(port) + "/Brevanto.bvto?MessageMonitor=" + key +
           "&subject=load&mailerID=bench";
}

} // namespace

TEST_F(MonitorHostileTest, RequestsOverALimitOrInAnotherProtocolEndWithoutReply)
{
    StartApplication();
    std::string headers = "GET /Brevanto.bvto?Hello HTTP/1.0\r\n";
    for (int i = 0; i < 101; ++i)
        headers += "X: y\r\n";
    const std::string cases[] = {
        headers + "\r\n",
        std::string("GET /Brevanto.bvto?Hello\0 HTTP/1.0\r\n\r\n", 38),
        std::string("\x16\x03\x01\x00\xa5\x01\x00\x00\xa1\x03\x03", 11) + std::string(160, '\x01'),
        "POST /x HTTP/1.0\r\nContent-Length: -1\r\n\r\n",
        "BREW /pot HTTP/1.0\r\n\r\n",
    };
    for (const std::string& request : cases) {
        auto reply = std::async(std::launch::async, [port = Port(), request] { return Exchange(port, request); });
        EXPECT_EQ(PumpFor(reply), "") << request.substr(0, 30);
    }

    // A request that never ends is cut at the byte cap.
    auto endless = std::async(std::launch::async, [port = Port()] {
        const int s = ConnectLoopback(port);
        const std::string chunk = "GET /" + std::string(4096, 'a');
        std::size_t sent = 0;
        while (sent < (64u << 20)) {
            const ssize_t n = send(s, chunk.data(), chunk.size(), MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += std::size_t(n);
        }
        std::string reply = ReadToEnd(s);
        close(s);
        return std::make_pair(sent, reply);
    });
    const auto [sent, reply] = PumpFor(endless);
    EXPECT_EQ(reply, "");
    EXPECT_LT(sent, 64u << 20) << "the server stopped reading";

    // A thousand peers that connect and go at once.
    auto flood = std::async(std::launch::async, [port = Port()] {
        for (int i = 0; i < 1000; ++i) {
            const int s = ConnectLoopback(port);
            if (s >= 0)
                close(s);
        }
        return 0;
    });
    PumpFor(flood);
    ExpectNoLiveConnections();
    EXPECT_EQ(Exchange(Port(), ""), "") << "the listener still takes connections";
}

TEST_F(MonitorHostileTest, SlowPeersEndByTheDeadlinesWhileAHitIsAnswered)
{
    StartApplication();
    constexpr int kSlowPeers = 200;
    std::atomic<int> answered {0};
    auto slow = std::async(std::launch::async, [port = Port(), &answered] {
        std::vector<pollfd> peers;
        for (int i = 0; i < kSlowPeers; ++i) {
            const int s = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            sockaddr_in a {};
            a.sin_family = AF_INET;
            a.sin_port = htons(std::uint16_t(port));
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
            peers.push_back({s, POLLIN, 0});
        }
        const std::string request = "GET /Brevanto.bvto?Hello HTTP/1.0\r\nX: slow\r\n";
        std::size_t at = 0;
        int open = kSlowPeers;
        const auto end = std::chrono::steady_clock::now() + 170s;
        while (open > 0 && std::chrono::steady_clock::now() < end) {
            for (pollfd& peer : peers)
                if (peer.fd >= 0)
                    send(peer.fd, request.data() + (at % request.size()), 1, MSG_NOSIGNAL);
            ++at;
            const auto next = std::chrono::steady_clock::now() + 500ms;
            while (std::chrono::steady_clock::now() < next) {
                poll(peers.data(), peers.size(), 50);
                for (pollfd& peer : peers) {
                    if (peer.fd < 0 || !(peer.revents & (POLLIN | POLLHUP | POLLERR)))
                        continue;
                    char c;
                    const ssize_t n = recv(peer.fd, &c, 1, MSG_DONTWAIT);
                    if (n > 0)
                        ++answered;
                    if (n == 0 || (n < 0 && errno != EAGAIN)) {
                        close(peer.fd);
                        peer.fd = -1;
                        --open;
                    }
                }
            }
        }
        return open;
    });
    std::this_thread::sleep_for(200ms);
    auto hit = std::async(std::launch::async, [port = Port()] {
        return RunChild({"curl", "-sS", "-o", "/dev/null", "-w", "%{http_code}", "--max-time", "170",
                         HitURL(port, "during-slow-peers")});
    });
    auto both = std::async(std::launch::async, [&] {
        const int stillOpen = slow.get();
        return std::make_pair(stillOpen, hit.get());
    });
    const auto [stillOpen, curl] = WithinCap(both, 4);
    EXPECT_EQ(stillOpen, 0) << "every slow peer was cut off";
    EXPECT_EQ(answered.load(), 0) << "a slow peer got a reply";
    EXPECT_EQ(curl.output, "200");
    const auto records = Records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].name, "during-slow-peers");
    ExpectNoLiveConnections();
}

TEST_F(MonitorHostileTest, RefusedRequestBytesReachNoLog)
{
    // Standard error goes to a file for the length of the test.
    QTemporaryFile capture;
    ASSERT_TRUE(capture.open());
    fflush(stderr);
    const int savedError = dup(2);
    dup2(capture.handle(), 2);
    StartApplication();
    using namespace std::string_literals;
    for (const std::string& request :
         {"CANARY-1 / HTTP/1.0\r\n\r\n"s, "GET /CANARY-2\0\r\n\r\n"s, "POST /CANARY-3 HTTP/1.0\r\n\r\n"s}) {
        auto reply = std::async(std::launch::async, [port = Port(), request] { return Exchange(port, request); });
        EXPECT_EQ(PumpFor(reply), "");
    }
    ExpectNoLiveConnections();
    fflush(stderr);
    dup2(savedError, 2);
    close(savedError);
    capture.seek(0);
    const QByteArray logged = capture.readAll() + LogText().toUtf8();
    EXPECT_FALSE(logged.contains("CANARY")) << logged.constData();
    EXPECT_EQ(logged.count("The Message Monitor closed"), 1) << "one summary line a minute";
    EXPECT_EQ(CurrentMessageMonitorListener()->RefusedRequests(), 3u);
}

TEST_F(MonitorHostileTest, TenThousandHitsFromEightProcessesAreEachRecordedOnce)
{
    MonitorServerLimits limits; // the real ones
    SetMessageMonitorLimits(limits);
    StartApplication();
    // The thread-checking build serves several times slower: there the clients send fewer hits
    // and wait longer for each answer, so that the run still ends well within the test's limits.
    constexpr int kPerProcess = kBuiltWithThreadSanitizer ? 250 : 1250;
    const std::string clientLimit = kBuiltWithThreadSanitizer ? "170" : "60"; // seconds per hit
    const std::string png = BREVANTO_SOURCE_DIR "/resources/33.png";
    QTemporaryDir configs;
    std::vector<std::future<ChildResult>> clients;
    for (int p = 0; p < 4; ++p) {
        clients.push_back(std::async(std::launch::async, [port = Port(), p, png, clientLimit] {
            return RunChild({PeerProcess::Python(), DataFile("hit_load.py"), std::to_string(port), "py" + std::to_string(p),
                             std::to_string(kPerProcess), png, clientLimit});
        }));
        const QString config = configs.filePath(QString("curl%1.txt").arg(p));
        QFile file(config);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < kPerProcess; ++i)
            file.write(("url = \"" + HitURL(Port(), "curl" + std::to_string(p) + "-" + std::to_string(i)) +
                        "\"\noutput = \"/dev/null\"\n")
                           .c_str());
        file.close();
        clients.push_back(std::async(std::launch::async, [config, clientLimit] {
            return RunChild({"curl", "-sS", "--parallel", "--parallel-max", "8", "--max-time", clientLimit, "-K",
                             config.toStdString(), "-w", "%{http_code} %{size_download}\n"});
        }));
    }
    auto all = std::async(std::launch::async, [&clients] {
        std::vector<ChildResult> results;
        for (auto& client : clients)
            results.push_back(client.get());
        return results;
    });
    const std::vector<ChildResult> results = WithinCap(all, 10, limits.maxConnections);
    const std::string pngSize = std::to_string(QFile(QString::fromStdString(png)).size());
    for (std::size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].status, 0) << i;
        if (i % 2 == 0) {
            EXPECT_EQ(results[i].output, "ok " + std::to_string(kPerProcess) + "\n") << i;
        } else {
            const QStringList lines = QString::fromStdString(results[i].output).split('\n', Qt::SkipEmptyParts);
            EXPECT_EQ(lines.size(), kPerProcess);
            EXPECT_EQ(lines.count(QString::fromStdString("200 " + pngSize)), kPerProcess) << i;
        }
    }
    EXPECT_LE(CurrentMessageMonitorListener()->MostLiveConnections(), 64);
    StopMessageMonitor();
    const auto records = FetchMessageMonitorRequests(*gApplication);
    std::set<QString> keys;
    for (const MonitorRecord& record : records)
        keys.insert(record.name);
    EXPECT_EQ(records.size(), 8u * kPerProcess);
    EXPECT_EQ(keys.size(), 8u * kPerProcess) << "each key once";
    EXPECT_EQ(DroppedMessageMonitorHits(), 0u);
}
