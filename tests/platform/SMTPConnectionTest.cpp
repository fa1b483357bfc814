// The framework's SMTP client against Postfix's smtp-sink (its -v transcript shows the commands
// it received, its counters the messages it took): a thousand messages over one connection,
// RSET after a refused transaction, EHLO/HELO and the greeting name, the server's refusals and
// a dropped or stalled connection as errors, addresses refused before any command, AUTH
// commands, and the DATA form of message bytes.
#include "ToolboxTestSupport.h"
#include "../peers/CooperativeRun.h"
#include "../peers/SmtpSinkPeer.h"

#include "CFPreferenceDomain.h"
#include "InterfaceAddresses.h"
#include "LException.h"
#include "LListener.h"
#include "LMailClientSettings.h"
#include "LMailEnvelope.h"
#include "LSMTPConnection.h"
#include "LSMTPResponse.h"
#include "NetworkErrors.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Every progress message heard, and the subjects of 612.
class ProgressLog : public LListener {
public:
    void ListenToMessage(MessageT inMessage, void* ioParam) override
    {
        messages.push_back(inMessage);
        if (inMessage == LSMTPConnection::msg_SendingMessage)
            subjects << *static_cast<const QString*>(ioParam);
    }
    int Count(MessageT inMessage) const { return int(std::count(messages.begin(), messages.end(), inMessage)); }

    std::vector<MessageT> messages;
    QStringList subjects;
};

LMailEnvelope Mail(const QByteArray& inRecipient = "rcpt@example.org", const QString& inSubject = "Hello")
{
    return LMailEnvelope("sender@example.org", {inRecipient}, "Subject: " + inSubject.toUtf8() + "\r\n\r\nBody\r\n",
                         inSubject);
}

// The name the system resolves 127.0.0.1 to (normally "localhost"), else the address literal.
QString LoopbackName()
{
    const std::string name = InterfaceAddresses::HostNameForAddress("127.0.0.1");
    return name.empty() ? QStringLiteral("[127.0.0.1]") : QString::fromStdString(name);
}

// What the server's refusal or the connection's failure was, as one comparable value.
struct Outcome {
    int replyCode = 0;  // LSMTPResponse
    SInt32 errorCode = 0; // LException
};

Outcome OutcomeOf(const std::function<void()>& inBody)
{
    Outcome outcome;
    try {
        CooperativeRun::Run(inBody);
    } catch (const LSMTPResponse& reply) {
        outcome.replyCode = reply.GetResponseCode();
    } catch (const LException& failure) {
        outcome.errorCode = failure.GetErrorCode();
    }
    return outcome;
}

class SMTPConnectionTest : public ::testing::Test {
protected:
    void SetUp() override { LMainContext::Get(); }
    void TearDown() override
    {
        for (const char* key : {"Network Timeout", "SMTP Hello", "Do DNS", "Use External Address"})
            CFPreferenceDomain::Application().RemoveValue(QString::fromLatin1(key));
        EXPECT_TRUE(AllThreadsEnded());
    }
    static void SetPreference(const char* inKey, const char* inValue)
    {
        CFPreferenceDomain::Application().SetValue(QString::fromLatin1(inKey), CFPropertyList(QString::fromLatin1(inValue)));
    }
    static std::unique_ptr<SmtpSinkPeer> StartSink(const std::vector<std::string>& inOptions = {})
    {
        auto sink = std::make_unique<SmtpSinkPeer>(inOptions);
        return sink->IsRunning() ? std::move(sink) : nullptr;
    }
    static void Point(LSMTPConnection& ioConnection, const SmtpSinkPeer& inSink)
    {
        ioConnection.SetServer("127.0.0.1", UInt16(inSink.Port()));
    }
};

} // namespace

TEST_F(SMTPConnectionTest, SendsAThousandMessagesOverOneConnection)
{
    auto sink = StartSink();
    ASSERT_NE(sink, nullptr) << "smtp-sink (postfix) did not start";
    std::vector<LMailEnvelope> mails;
    for (int i = 0; i < 1000; ++i)
        mails.push_back(Mail("r" + QByteArray::number(i) + "@example.org", "Message " + QString::number(i)));
    LOutgoingMailList list;
    for (auto& mail : mails)
        list.push_back(&mail);
    LSMTPConnection connection;
    ProgressLog progress;
    connection.AddListener(&progress);
    Point(connection, *sink);
    CooperativeRun::Run([&] { connection.SendMessages(&list); });

    EXPECT_EQ(progress.Count(LSMTPConnection::msg_ItemSent), 1000);
    EXPECT_EQ(progress.Count(LSMTPConnection::msg_ItemSendFailed), 0);
    ASSERT_EQ(progress.subjects.size(), 1000);
    EXPECT_EQ(progress.subjects.last(), "Message 999");
    EXPECT_EQ(progress.messages.front(), LSMTPConnection::msg_OpeningConnection);
    EXPECT_EQ(progress.messages.back(), LSMTPConnection::msg_Done);
    EXPECT_EQ(sink->MessageCount(), 1000);
    sink->Stop();
    const QStringList commands = sink->Commands();
    ASSERT_FALSE(commands.isEmpty());
    EXPECT_EQ(commands.filter(QRegularExpression("^EHLO ")).size(), 1) << "one connection, one greeting";
    EXPECT_EQ(commands.filter(QRegularExpression("^RCPT TO:<r999@example.org>$")).size(), 1);
    EXPECT_EQ(commands.last(), "QUIT");
}

TEST_F(SMTPConnectionTest, ARefusedRecipientIsResetSoTheConnectionGoesOn)
{
    auto sink = StartSink({"-f", "RCPT"});
    ASSERT_NE(sink, nullptr) << "smtp-sink (postfix) did not start";
    LMailEnvelope first = Mail("a@example.org");
    LMailEnvelope second = Mail("b@example.org");
    LOutgoingMailList list = {&first, &second};
    LSMTPConnection connection;
    ProgressLog progress;
    connection.AddListener(&progress);
    Point(connection, *sink);
    CooperativeRun::Run([&] { connection.SendMessages(&list); });

    EXPECT_EQ(progress.Count(LSMTPConnection::msg_ItemSendFailed), 2);
    EXPECT_EQ(sink->MessageCount(), 0);
    sink->Stop();
    // Without RSET the second MAIL would be refused as nested (503) and never reach RCPT.
    EXPECT_EQ(sink->Commands().mid(1),
              (QStringList{"MAIL FROM:<sender@example.org>", "RCPT TO:<a@example.org>", "RSET",
                           "MAIL FROM:<sender@example.org>", "RCPT TO:<b@example.org>", "RSET", "QUIT"}));
}

TEST_F(SMTPConnectionTest, GreetsWithEHLOOrHELOAndTheRightName)
{
    struct Case {
        const char* what;
        std::vector<std::string> sinkOptions;
        std::vector<std::pair<const char*, const char*>> preferences;
        QByteArray injectedName;
        QString externalAddress;
        QStringList greetings;
    };
    const Case cases[] = {
        {"default", {}, {}, {}, {}, {"EHLO [127.0.0.1]"}},
        {"SMTP Hello HELO", {}, {{"SMTP Hello", "HELO"}}, {}, {}, {"HELO [127.0.0.1]"}},
        {"lower-case ehlo means HELO", {}, {{"SMTP Hello", "ehlo"}}, {}, {}, {"HELO [127.0.0.1]"}},
        {"EHLO refused", {"-f", "EHLO"}, {}, {}, {}, {"EHLO [127.0.0.1]", "HELO [127.0.0.1]"}},
        {"injected name", {}, {}, "client.example.org", {}, {"EHLO client.example.org"}},
        {"Do DNS", {}, {{"Do DNS", "true"}}, {}, {}, {"EHLO " + LoopbackName()}},
        {"external address", {}, {{"Use External Address", "true"}}, {}, "192.0.2.7", {"EHLO [192.0.2.7]"}},
        {"external address unknown", {}, {{"Use External Address", "true"}}, {}, "0.0.0.0", {"EHLO [127.0.0.1]"}},
        {"external address off", {}, {}, {}, "192.0.2.7", {"EHLO [127.0.0.1]"}},
    };
    for (const Case& c : cases) {
        auto sink = StartSink(c.sinkOptions);
        ASSERT_NE(sink, nullptr) << "smtp-sink (postfix) did not start";
        for (const auto& [key, value] : c.preferences)
            SetPreference(key, value);
        LSMTPConnection connection;
        Point(connection, *sink);
        connection.SetGreetingName(c.injectedName);
        const QString external = c.externalAddress;
        connection.SetExternalAddressSource([external] { return external; });
        LMailEnvelope mail = Mail();
        CooperativeRun::Run([&] {
            connection.Open();
            connection.SendMessage(mail);
            connection.Close();
        });
        EXPECT_EQ(sink->MessageCount(), 1) << c.what;
        sink->Stop();
        EXPECT_EQ(sink->Commands().filter(QRegularExpression("^(EHLO|HELO) ")), c.greetings) << c.what;
        TearDown();
    }
}

TEST_F(SMTPConnectionTest, TheServersRefusalsRaiseItsReply)
{
    struct Case {
        std::vector<std::string> sinkOptions;
        int replyCode;
    };
    const Case cases[] = {
        {{"-f", "CONNECT"}, 500}, // greeting refused
        {{"-r", "MAIL"}, 450},
        {{"-f", "MAIL"}, 500},
        {{"-f", "DATA"}, 500},
        {{"-f", "."}, 500},
        {{"-Q", "RCPT"}, 421},
        {{"-A", "0"}, 550}, // refused in the middle of the data
    };
    for (const Case& c : cases) {
        auto sink = StartSink(c.sinkOptions);
        ASSERT_NE(sink, nullptr) << "smtp-sink (postfix) did not start";
        LSMTPConnection connection;
        Point(connection, *sink);
        LMailEnvelope mail = Mail();
        const Outcome outcome = OutcomeOf([&] {
            connection.Open();
            connection.SendMessage(mail);
        });
        EXPECT_EQ(outcome.replyCode, c.replyCode) << c.sinkOptions[0] << " " << c.sinkOptions[1];
        EXPECT_EQ(outcome.errorCode, 0) << c.sinkOptions[0] << " " << c.sinkOptions[1];
    }
}

TEST_F(SMTPConnectionTest, ADroppedOrStalledConnectionRaisesTheFrameworkCodes)
{
    struct Case {
        std::vector<std::string> sinkOptions;
        SInt32 errorCode;
    };
    const Case cases[] = {
        {{"-q", "."}, err_NetDisconnected},
        {{"-q", "MAIL"}, err_NetDisconnected},
        {{"-q", "CONNECT"}, err_NetDisconnected},
        {{"-W", "MAIL:30"}, err_NetTimedOut},
        {{"-W", "CONNECT:30"}, err_NetTimedOut},
    };
    SetPreference("Network Timeout", "1");
    for (const Case& c : cases) {
        auto sink = StartSink(c.sinkOptions);
        ASSERT_NE(sink, nullptr) << "smtp-sink (postfix) did not start";
        LMailEnvelope mail = Mail();
        LOutgoingMailList list = {&mail, &mail};
        LSMTPConnection connection;
        ProgressLog progress;
        connection.AddListener(&progress);
        Point(connection, *sink);
        const Outcome outcome = OutcomeOf([&] { connection.SendMessages(&list); });
        const std::string what = c.sinkOptions[0] + " " + c.sinkOptions[1];
        EXPECT_EQ(outcome.errorCode, c.errorCode) << what;
        EXPECT_FALSE(connection.IsOpen()) << what;
        EXPECT_EQ(progress.Count(LSMTPConnection::msg_ItemSent), 0) << what;
        if (c.errorCode == err_NetDisconnected && c.sinkOptions[1] != "CONNECT") {
            EXPECT_EQ(progress.Count(LSMTPConnection::msg_UnexpectedDisconnect), 1) << what;
        }
    }
}

TEST_F(SMTPConnectionTest, BadAddressesAreRefusedBeforeAnyCommand)
{
    auto sink = StartSink();
    ASSERT_NE(sink, nullptr) << "smtp-sink (postfix) did not start";
    const std::vector<std::pair<QByteArray, QList<QByteArray>>> bad = {
        {"a@x.org\r\nRCPT TO:<evil@x.org>", {"r@x.org"}},
        {"a@x.org", {"r@x.org\n"}},
        {"a@x.org", {"r@x.org", "<>"}},
        {"a@x.org", {"<r@x.org>"}},
        {"a b@x.org", {"r@x.org"}},
        {"a@x.org", {"r\t@x.org"}},
        {"a@x.org", {""}},
        {"a@x.org", {}},
    };
    LSMTPConnection connection;
    Point(connection, *sink);
    std::vector<SInt32> codes;
    LMailEnvelope good = Mail();
    LMailEnvelope fromNobody("", {"r@x.org"}, "\r\n", "bounce"); // the null reverse path is fine
    CooperativeRun::Run([&] {
        connection.Open();
        for (const auto& [sender, recipients] : bad) {
            LMailEnvelope mail(sender, recipients, "Subject: x\r\n\r\nx\r\n");
            codes.push_back(CooperativeRun::FailureCode([&] { connection.SendMessage(mail); }));
        }
        connection.SendMessage(good);
        connection.SendMessage(fromNobody);
        connection.Close();
    });
    EXPECT_EQ(codes, std::vector<SInt32>(bad.size(), paramErr));
    EXPECT_EQ(sink->MessageCount(), 2);
    sink->Stop();
    EXPECT_EQ(sink->Commands().filter(QRegularExpression("^MAIL ")),
              (QStringList{"MAIL FROM:<sender@example.org>", "MAIL FROM:<>"}));
}

// smtp-sink offers AUTH PLAIN LOGIN and takes any AUTH PLAIN (it has no LOGIN dialogue), so this
// shows the bytes sent; the server-checked PLAIN and LOGIN logins run against aiosmtpd.
TEST_F(SMTPConnectionTest, SendsPlainCredentialsOnlyWithAUserName)
{
    struct Case {
        LSMTPConnection::EAuthMechanism mechanism;
        QString user;
        QStringList expected;
    };
    const Case cases[] = {
        // "\0alice\0sécret" in base64, UTF-8 credentials.
        {LSMTPConnection::EAuthMechanism::automatic, "alice", {"AUTH PLAIN AGFsaWNlAHPDqWNyZXQ="}},
        {LSMTPConnection::EAuthMechanism::plain, "alice", {"AUTH PLAIN AGFsaWNlAHPDqWNyZXQ="}},
        {LSMTPConnection::EAuthMechanism::automatic, "", {}},
    };
    for (const Case& c : cases) {
        auto sink = StartSink();
        ASSERT_NE(sink, nullptr) << "smtp-sink (postfix) did not start";
        LSMTPConnection connection;
        Point(connection, *sink);
        connection.SetUserName(c.user);
        connection.SetPassword(QString::fromUtf8("sécret"));
        connection.SetAuthMechanism(c.mechanism);
        LMailEnvelope mail = Mail();
        CooperativeRun::Run([&] {
            connection.Open();
            connection.SendMessage(mail);
            connection.Close();
        });
        sink->Stop();
        const QStringList transcript = sink->Transcript();
        const qsizetype ehlo = transcript.indexOf(QRegularExpression("EHLO .*"));
        const qsizetype mailFrom = transcript.indexOf(QRegularExpression("MAIL .*"));
        ASSERT_GE(ehlo, 0);
        ASSERT_GT(mailFrom, ehlo);
        EXPECT_EQ(transcript.mid(ehlo + 1, mailFrom - ehlo - 1), c.expected) << c.user.toStdString();
    }
}

TEST(SMTPMessageData, LineEndsBecomeCRLFThenLinesAreDotStuffed)
{
    struct Case {
        QByteArray source;
        QByteArray data;
    };
    const Case cases[] = {
        {"", ".\r\n"},
        {"a\r\nb\r\n", "a\r\nb\r\n.\r\n"},
        {"a\nb", "a\r\nb\r\n.\r\n"},
        {"a\rb\r", "a\r\nb\r\n.\r\n"},
        {"a\r\r\nb", "a\r\n\r\nb\r\n.\r\n"},
        {"a\n\rb", "a\r\n\r\nb\r\n.\r\n"},
        {".\r\n", "..\r\n.\r\n"},
        {"..x\n.\n", "...x\r\n..\r\n.\r\n"},
        {"x.\r.y", "x.\r\n..y\r\n.\r\n"},
        {"a\r\n.", "a\r\n..\r\n.\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LSMTPConnection::EncodeMessageData(c.source), c.data) << c.source.toStdString();
}

TEST_F(SMTPConnectionTest, SettingsFollowTheStoredTexts)
{
    struct Case {
        const char* key;
        const char* value; // null: absent
        SInt32 timeout;
        bool sayEHLO;
        bool doDNS;
        bool useExternal;
    };
    const Case cases[] = {
        {"Network Timeout", nullptr, 15, true, false, false},
        {"Network Timeout", "", 15, true, false, false},
        {"Network Timeout", "0", 15, true, false, false}, // a zero deadline would fail every reply
        {"Network Timeout", "-4", 15, true, false, false},
        {"Network Timeout", "7 seconds", 7, true, false, false},
        {"SMTP Hello", "EHLO", 15, true, false, false},
        {"SMTP Hello", "ehlo", 15, false, false, false},
        {"SMTP Hello", "HELO", 15, false, false, false},
        {"Do DNS", "false", 15, true, false, false},
        {"Do DNS", "no", 15, true, true, false},
        {"Use External Address", "true", 15, true, false, true},
        {"Use External Address", "TRUE", 15, true, false, false},
    };
    for (const Case& c : cases) {
        if (c.value)
            SetPreference(c.key, c.value);
        const LMailClientSettings settings = LMailClientSettings::FromPreferences();
        const std::string what = std::string(c.key) + " = " + (c.value ? c.value : "(absent)");
        EXPECT_EQ(settings.timeoutSeconds, c.timeout) << what;
        EXPECT_EQ(settings.sayEHLO, c.sayEHLO) << what;
        EXPECT_EQ(settings.doDNS, c.doDNS) << what;
        EXPECT_EQ(settings.useExternalAddress, c.useExternal) << what;
        CFPreferenceDomain::Application().RemoveValue(QString::fromLatin1(c.key));
    }
}

TEST_F(SMTPConnectionTest, PortZeroFailsAtOnce)
{
    LSMTPConnection connection;
    connection.SetServer("127.0.0.1", 0);
    ProgressLog progress;
    connection.AddListener(&progress);
    EXPECT_EQ(OutcomeOf([&] { connection.Open(); }).errorCode, paramErr);
    EXPECT_TRUE(progress.messages.empty()) << "no connection was attempted";
}
