// Server faults on the secure road, through smtp-sink behind a TLS front (implicit TLS): every
// refusal, drop and stall is a failure with the server's answer (or the loss) in the log, the
// retries set are made, nothing hangs; in a batch, each message keeps its own record.
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
    } cases[] = {
        {"RCPT refused", {"-f", "RCPT"}, "500 5.3.0"},
        {"MAIL deferred", {"-r", "MAIL"}, "450 4.3.0"},
        {"end of data refused", {"-f", "."}, "500 5.3.0"},
        {"421 and hang-up", {"-Q", "MAIL"}, "421"},
        {"drop after end of data", {"-q", "."}, "Connection lost."},
        {"550 during the data", {"-A", "0"}, "550"},
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
        EXPECT_TRUE(secure.join('\n').contains(c.logged)) << secure.join('\n').toStdString();
        EXPECT_EQ(window.sendJobDone, 1);
    }
}

// Sends one message of a batch to another server: the window is asked for its port per message.
class SwitchingWindow : public FakeDeliveryWindow {
public:
    void ListenToMessage(MessageT message, void* param) override
    {
        FakeDeliveryWindow::ListenToMessage(message, param);
        if (message == 612 && param)
            port = *static_cast<const QString*>(param) == divertedSubject ? divertedPort : usualPort;
    }
    QString divertedSubject;
    UInt16 usualPort = 0;
    UInt16 divertedPort = 0;
};

TEST_F(SecureFaultsTest, BatchOfThreeWithOneRefusalKeepsThreeRecordsInOrder)
{
    SecureSink good({});
    SecureSink refusing({"-f", "RCPT"});
    ASSERT_TRUE(good.IsRunning() && refusing.IsRunning());
    SetImplicitTLSTestPorts({good.Port(), refusing.Port()});
    Set(kMessageRetriesKey, "0");

    SwitchingWindow window;
    window.mechanism = 1;
    window.usualPort = good.Port();
    window.divertedPort = refusing.Port();
    window.divertedSubject = "Second";
    window.firstNames = {"Ann", "Bob", "Cy"};
    window.lastNames = {"Smith", "Jones", "Doe"};
    window.emails = {"ann@example.org", "bob@example.org", "cy@example.org"};
    window.totalCount = 3;
    CList<Message> list;
    list.Append(MessageFor(0, "Ann Smith <ann@example.org>", "First"));
    list.Append(MessageFor(1, "Bob Jones <bob@example.org>", "Second"));
    list.Append(MessageFor(2, "Cy Doe <cy@example.org>", "Third"));
    CSendJob job(list, window);
    Run(job);

    ASSERT_EQ(window.deliveredList.Count(), 3);
    struct Expected {
        SInt32 sequence;
        UInt8 succeeded;
        SInt32 code;
        const char* text;
    };
    const Expected expected[] = {{0, 1, 0, "None"}, {1, 0, kSecureSendFailedCode, kSecureSendFailedText}, {2, 1, 0, "None"}};
    window.deliveredList.Rewind();
    for (const Expected& e : expected) {
        const DeliveredRecipient* record = window.deliveredList.Next();
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(record->sequence, e.sequence);
        EXPECT_EQ(record->succeeded, e.succeeded) << e.sequence;
        EXPECT_EQ(record->errorCode, e.code) << e.sequence;
        EXPECT_STREQ(record->errorText.CharAt(0), e.text) << e.sequence;
    }
    const std::vector<std::pair<UInt8, SInt32>> results = {{1, 0}, {0, 1}, {1, 2}};
    EXPECT_EQ(window.results, results);
    EXPECT_EQ(window.heard, (QStringList{"612 First", "606", "612 Second", "607", "612 Third", "606"}));
    EXPECT_EQ(LinesStartingWith("\t["), (QStringList{
        "\t[0] Ann Smith, ann@example.org Error: None",
        QString("\t[1] Bob Jones, bob@example.org Error: ") + kSecureSendFailedText,
        "\t[2] Cy Doe, cy@example.org Error: None"}));
    EXPECT_EQ(CountLines("Sorry, all retries failed. Giving up on this message."), 1);
    EXPECT_TRUE(LogLines().filter(QRegularExpression("^Secure messenger: .*500 5\\.3\\.0")).size() == 1)
        << LogLines().join('\n').toStdString();
    EXPECT_EQ(window.processedCount, 3);
    EXPECT_EQ(window.sendJobDone, 1);

    good.sink.Stop();
    refusing.sink.Stop();
    EXPECT_EQ(good.sink.MessageCount(), 2);
    EXPECT_EQ(refusing.sink.MessageCount(), 0);
}

} // namespace
