// Server faults on the secure road, through smtp-sink behind a TLS front (implicit TLS): every
// refusal, drop and stall is a failure with the server's answer (or the loss) in the log, the
// retries set are made, nothing hangs.
#include <gtest/gtest.h>

#include "FakeDeliveryWindow.h"
#include "SendJobFixture.h"

#include "../peers/SmtpSinkPeer.h"
#include "../peers/TlsFrontPeer.h"

#include "SendAttempts.h"

namespace {

// smtp-sink with the TLS front before it; the front's port is one that speaks TLS at once.
// smtp-sink answers AUTH with 250 instead of 235, so the windows here send without AUTH.
struct SecureSink {
    explicit SecureSink(const std::vector<std::string>& options)
        : sink(options)
        , front(sink.Port())
    {
    }
    bool IsRunning() const { return sink.IsRunning() && front.IsRunning(); }
    UInt16 Port() const { return UInt16(front.Port()); }

    SmtpSinkPeer sink;
    TlsFrontPeer front;
};

class SecureFaultsTest : public SendJobTest {
protected:
    void SetUp() override
    {
        SendJobTest::SetUp();
        mEnvironment->networkTimeout = 3;
    }
};

TEST_F(SecureFaultsTest, EveryServerFaultFailsWithItsStatusLoggedAfterTheRetriesSet)
{
    const struct {
        const char* fault;
        std::vector<std::string> options;
        const char* logged;  // in a "Secure messenger: " line
        const char* orLogged = nullptr;  // the other outcome of a race, when there is one
    } cases[] = {
        {"RCPT refused", {"-f", "RCPT"}, "500 5.3.0"},
        {"MAIL deferred", {"-r", "MAIL"}, "450 4.3.0"},
        {"end of data refused", {"-f", "."}, "500 5.3.0"},
        // The 421 comes in the same read as the hang-up: the reply must not be lost to it.
        {"421 and hang-up", {"-Q", "MAIL"}, "421"},
        {"421 to the greeting and hang-up", {"-Q", "CONNECT"}, "421"},
        {"drop after end of data", {"-q", "."}, "Connection lost."},
        // The server answers 550 and hangs up while the client writes the message: whether the
        // framework reads the reply or meets the hang-up first is a matter of timing.
        {"550 during the data", {"-A", "0"}, "550", "Connection lost."},
        // The framework waits on a refused greeting: the idle deadline ends it.
        {"greeting refused", {"-f", "CONNECT"}, "Connection timed out. (Timeout = 3 seconds"},
        {"stalled reply", {"-W", "MAIL:20"}, "Connection timed out. (Timeout = 3 seconds"},
    };
    Set(kMessageRetriesKey, "1");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        SecureSink server(c.options);
        ASSERT_TRUE(server.IsRunning());
        SetImplicitTLSTestPorts({server.Port()});
        const qsizetype logStart = LogLines().size() - 1;

        FakeDeliveryWindow window;
        window.port = server.Port();
        window.mechanism = 1;
        CSendJob job(MessageFor(0), window);
        Run(job);

        const QStringList lines = LogLines().mid(logStart);
        const QStringList secure = lines.filter(QRegularExpression("^Secure messenger: "));
        EXPECT_EQ(job.success, 0);
        EXPECT_EQ(job.errorCode, kSecureSendFailedCode);
        EXPECT_EQ(job.retryCount, 1);
        EXPECT_EQ(secure.count("Secure messenger: Starting SSL."), 2) << secure.join('\n').toStdString();
        EXPECT_EQ(lines.count("Send failed. Retrying..."), 1);
        EXPECT_EQ(lines.count("All retries failed. Giving up on this message!"), 1);
        const QString logged = secure.join('\n');
        EXPECT_TRUE(logged.contains(c.logged) || (c.orLogged && logged.contains(c.orLogged))) << logged.toStdString();
        EXPECT_EQ(window.sendJobDone, 1);
    }
}

// A batch shares one conversation; a server that hangs up at the RSET before the next message
// leaves that message to a new conversation, without a failed attempt and without sending
// anything twice.
TEST_F(SecureFaultsTest, BatchWhoseConversationDropsAtTheResetGoesOnOverANewOne)
{
    SecureSink server({"-q", "RSET"});
    ASSERT_TRUE(server.IsRunning());
    SetImplicitTLSTestPorts({server.Port()});
    Set(kMessageRetriesKey, "0");
    FakeDeliveryWindow window;
    window.port = server.Port();
    window.mechanism = 1;
    window.totalCount = 3;
    CList<Message> list;
    for (SInt32 i = 0; i < 3; ++i)
        list.Append(MessageFor(i));
    CSendJob job(list, window);
    Run(job);

    const std::vector<std::pair<UInt8, SInt32>> results = {{1, 0}, {1, 1}, {1, 2}};
    EXPECT_EQ(window.results, results);
    EXPECT_EQ(server.sink.MessageCount(), 3);
    const QStringList commands = server.sink.Commands();
    EXPECT_EQ(commands.filter(QRegularExpression("^MAIL")).size(), 3) << commands.join('\n').toStdString();
    EXPECT_EQ(commands.filter(QRegularExpression("^RSET")).size(), 2) << commands.join('\n').toStdString();
    EXPECT_EQ(CountLines("Sorry, all retries failed. Giving up on this message."), 0);
}

} // namespace
