// The send thread with a fake window: retries against a real server that refuses the
// password, one attempt at least, abort between batch messages, simulated errors from the
// seeded source, the batch log line and broadcasts, every carried recipient recorded, a batch
// with one refused message keeping a record per message in order, over one conversation.
#include <gtest/gtest.h>

#include "FakeDeliveryWindow.h"
#include "SendJobFixture.h"

#include "CSMTPSendMsgThread.h"
#include "CSendJob.h"
#include "MessageBuildSources.h"
#include "SendAttempts.h"

#include <QRegularExpression>

#include <set>

namespace {

class SendThreadTest : public SendJobTest {};

TEST_F(SendThreadTest, WrongPasswordIsRetriedThenGivesCode33AndTheNextJobStillSends)
{
    SmtpServerPeer peer({SmtpServerPeer::EMode::startTLS});
    ASSERT_TRUE(peer.IsRunning());
    FakeDeliveryWindow window;
    window.port = peer.Port();
    window.password = "wrong";
    Set(kMessageRetriesKey, "1");

    CSendJob failing(MessageFor(0), window);
    Run(failing);
    EXPECT_EQ(failing.success, 0);
    EXPECT_EQ(failing.errorCode, kSecureSendFailedCode);
    EXPECT_STREQ(failing.errorText.CharAt(0), kSecureSendFailedText);
    EXPECT_EQ(failing.retryCount, 1);
    EXPECT_EQ(peer.Verbs().count("AUTH"), 2);
    EXPECT_EQ(CountLines("Send failed. Retrying..."), 1);
    EXPECT_EQ(CountLines("All retries failed. Giving up on this message!"), 1);
    EXPECT_EQ(window.sendJobDone, 1);

    window.password = "secret";
    CSendJob working(MessageFor(0), window);
    Run(working);
    EXPECT_EQ(working.success, 1) << working.errorText.CharAt(0);
    ASSERT_EQ(peer.Messages().size(), 1u);
    EXPECT_EQ(peer.Messages()[0].rcptTos, QStringList{"ann@example.org"});
}

TEST_F(SendThreadTest, NoRetriesOrNegativeRetriesStillMakeOneAttempt)
{
    SmtpServerPeer peer({SmtpServerPeer::EMode::startTLS});
    ASSERT_TRUE(peer.IsRunning());
    int expectedAuths = 0;
    for (const char* retries : {"0", "-3"}) {
        SCOPED_TRACE(retries);
        Set(kMessageRetriesKey, retries);
        FakeDeliveryWindow window;
        window.port = peer.Port();
        window.password = "wrong";
        CSendJob job(MessageFor(0), window);
        Run(job);
        EXPECT_EQ(job.success, 0);
        EXPECT_EQ(peer.Verbs().count("AUTH"), ++expectedAuths);
    }
    EXPECT_EQ(CountLines("Send failed. Retrying..."), 0);
}

TEST_F(SendThreadTest, BatchStopsAfterTheMessageInProgressWhenAborted)
{
    mEnvironment->simulate = 1;
    FakeDeliveryWindow window;
    window.abortAfterFirst = true;
    window.firstNames = {"Ann", "Bob", "Cy"};
    window.lastNames = {"Smith", "Jones", "Doe"};
    window.emails = {"ann@example.org", "bob@example.org", "cy@example.org"};
    CList<Message> list;
    for (SInt32 i = 0; i < 3; ++i)
        list.Append(MessageFor(i));
    list.Rewind();
    Message* first = list.Next();
    first->bcc = "hidden@example.org";
    first->cc = "copy@example.org";
    CSendJob job(list, window);
    Run(job);

    ASSERT_EQ(window.results.size(), 1u);
    EXPECT_EQ(window.deliveredList.Count(), 1);
    EXPECT_EQ(CountLines("Simultate: Internal Send Message"), 1);
    EXPECT_EQ(CountLines("\t[0] Ann Smith, ann@example.org [hidden@example.org] [copy@example.org] Error: None"), 1);
    EXPECT_EQ(window.shown, QStringList{"Ann Smith | ann@example.org [hidden@example.org] [copy@example.org]"});
    EXPECT_EQ(window.heard, (QStringList{"612 Hello", "606"}));
    EXPECT_EQ(window.sendJobDone, 1);
}

TEST_F(SendThreadTest, SimulatedErrorsFollowTheSeededDrawWithoutContactingAServer)
{
    mEnvironment->simulate = 1;
    Set(kSimulateErrorsKey, "true");
    Set(kMessageRetriesKey, "0");
    MessageBuildSources::SeedRandom(1234);
    int expectedFailures = 0;
    for (int i = 0; i < 100; ++i)
        expectedFailures += (100.0 * MessageBuildSources::NextRandom() / 2147483648.0) >= 61 ? 1 : 0;
    MessageBuildSources::SeedRandom(1234);

    FakeDeliveryWindow window;
    window.port = uint16_t(PeerProcess::FreeLoopbackPort());  // nothing listens there
    int failures = 0;
    for (int i = 0; i < 100; ++i) {
        CSendJob job(MessageFor(0), window);
        Run(job);
        if (job.success)
            continue;
        ++failures;
        EXPECT_EQ(job.errorCode, 550);
        EXPECT_STREQ(job.errorText.CharAt(0), "550 Relaying Denied (Check authentication settings)");
    }
    EXPECT_EQ(failures, expectedFailures);
    EXPECT_GT(failures, 20);
    EXPECT_LT(failures, 60);
    EXPECT_EQ(CountLines("Brevanto received SMTP Error code 550: Relaying denied. Check authentication settings."), failures);
    EXPECT_EQ(CountLines("Simultate: Send One Message"), 100);
}

TEST_F(SendThreadTest, BatchOfThreeWithTheSecondRefusedKeepsThreeRecordsInOrder)
{
    SmtpServerPeer peer({SmtpServerPeer::EMode::startTLS, {"user:secret"}, nullptr, {"bob@example.org"}});
    ASSERT_TRUE(peer.IsRunning());
    Set(kMessageRetriesKey, "0");
    FakeDeliveryWindow window;
    window.port = peer.Port();
    window.firstNames = {"Ann", "Bob", "Cy"};
    window.lastNames = {"Smith", "Jones", "Doe"};
    window.emails = {"ann@example.org", "bob@example.org", "cy@example.org"};
    window.totalCount = 3;
    CList<Message> list;
    list.Append(MessageFor(0, "Ann Smith <ann@example.org>", "First"));
    list.Append(MessageFor(1, "Bob Jones <bob@example.org>", "Second"));
    list.Append(MessageFor(2, "Cy Doe <cy@example.org>", "Third"));
    CSendJob job(list, window);
    window.port = 1;  // the job read its server once: later changes do not reach it
    Run(job);

    struct Expected {
        SInt32 sequence;
        UInt8 succeeded;
        SInt32 code;
        const char* text;
    };
    const std::string failedText = std::string(kSecureSendFailedText) + " (Error code = 33)";
    const Expected expected[] = {{0, 1, 0, "None"}, {1, 0, kSecureSendFailedCode, failedText.c_str()}, {2, 1, 0, "None"}};
    ASSERT_EQ(window.deliveredList.Count(), 3);
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
        QString("\t[1] Bob Jones, bob@example.org Error: ") + kSecureSendFailedText + " (Error code = 33)",
        "\t[2] Cy Doe, cy@example.org Error: None"}));
    EXPECT_EQ(CountLines("Sorry, all retries failed. Giving up on this message."), 1);
    EXPECT_EQ(LogLines().filter(QRegularExpression("^Secure messenger: .*550 5\\.1\\.1")).size(), 1)
        << LogLines().join('\n').toStdString();
    EXPECT_EQ(window.processedCount, 3);
    EXPECT_EQ(window.sendJobDone, 1);

    const auto stored = peer.Messages();
    ASSERT_EQ(stored.size(), 2u);
    EXPECT_EQ(stored[0].rcptTos, QStringList{"ann@example.org"});
    EXPECT_EQ(stored[1].rcptTos, QStringList{"cy@example.org"});

    // One conversation for the whole batch: one TLS upgrade and log-in, then RSET before each
    // later message.
    std::set<int> sessions;
    for (const auto& command : peer.Commands())
        sessions.insert(command.session);
    EXPECT_EQ(sessions.size(), 1u);
    const QStringList verbs = peer.Verbs();
    EXPECT_EQ(verbs.count("STARTTLS"), 1) << verbs.join(' ').toStdString();
    EXPECT_EQ(verbs.count("AUTH"), 1);
    EXPECT_EQ(verbs.count("MAIL"), 3);
    EXPECT_EQ(verbs.count("RSET"), 2);
}

TEST_F(SendThreadTest, BatchMessagesRecordEveryCarriedRecipient)
{
    mEnvironment->simulate = 1;
    FakeDeliveryWindow window;
    window.batchType = 2;
    CList<Message> list;
    // Recipient 6 was not flagged: the message carries 5, 7 and 9.
    Message merged = MessageFor(5, "a@example.org, b@example.org, c@example.org");
    merged.carriedIndexes = {7, 9};
    list.Append(merged);
    CSendJob job(list, window);
    Run(job);
    const std::vector<std::pair<UInt8, SInt32>> expected = {{1, 5}, {1, 7}, {1, 9}};
    EXPECT_EQ(window.results, expected);
    EXPECT_EQ(window.processedCount, 3);
}

} // namespace
