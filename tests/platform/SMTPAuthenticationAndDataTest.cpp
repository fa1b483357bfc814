// The framework's SMTP client against the aiosmtpd peer (plain mode), which checks credentials
// and keeps each message's envelope and exact DATA bytes: AUTH PLAIN and LOGIN with right and
// wrong passwords, and message bytes with dots, lone CRs, bare LFs, tabs and 8-bit text
// arriving as their CRLF form.
#include "ToolboxTestSupport.h"
#include "../peers/CooperativeRun.h"
#include "../peers/SmtpServerPeer.h"

#include "LMailEnvelope.h"
#include "LSMTPConnection.h"
#include "LSMTPResponse.h"

#include <gtest/gtest.h>

namespace {

class SMTPAuthenticationAndDataTest : public ::testing::Test {
protected:
    void SetUp() override { LMainContext::Get(); }
    void TearDown() override { EXPECT_TRUE(AllThreadsEnded()); }
};

} // namespace

TEST_F(SMTPAuthenticationAndDataTest, AuthenticatesWithPlainAndLoginAndRefusesAWrongPassword)
{
    SmtpServerPeer server({SmtpServerPeer::EMode::plain, {"user:s\xC3\xA9" "cret"}, "PLAIN LOGIN"});
    ASSERT_TRUE(server.IsRunning()) << "the aiosmtpd peer did not start";
    struct Case {
        LSMTPConnection::EAuthMechanism mechanism;
        const char* password;
        int replyCode;
        const char* storedMechanism;
    };
    const Case cases[] = {
        {LSMTPConnection::EAuthMechanism::plain, "s\xC3\xA9" "cret", 0, "PLAIN"},
        {LSMTPConnection::EAuthMechanism::login, "s\xC3\xA9" "cret", 0, "LOGIN"},
        {LSMTPConnection::EAuthMechanism::automatic, "s\xC3\xA9" "cret", 0, "PLAIN"},
        {LSMTPConnection::EAuthMechanism::plain, "wrong", 535, nullptr},
        {LSMTPConnection::EAuthMechanism::login, "wrong", 535, nullptr},
    };
    size_t stored = 0;
    for (const Case& c : cases) {
        LSMTPConnection connection;
        connection.SetServer("127.0.0.1", server.Port());
        connection.SetUserName("user");
        connection.SetPassword(QString::fromUtf8(c.password));
        connection.SetAuthMechanism(c.mechanism);
        LMailEnvelope mail("from@example.org", {"to@example.org"}, "Subject: auth\r\n\r\nx\r\n");
        int replyCode = 0;
        try {
            CooperativeRun::Run([&] {
                connection.Open();
                connection.SendMessage(mail);
                connection.Close();
            });
        } catch (const LSMTPResponse& reply) {
            replyCode = reply.GetResponseCode();
        }
        EXPECT_EQ(replyCode, c.replyCode) << c.password;
        const auto messages = server.Messages();
        if (!c.storedMechanism) {
            EXPECT_EQ(messages.size(), stored) << "nothing sent after a refused login";
            EXPECT_EQ(server.Verbs().last(), "QUIT") << "a refused login still ends with QUIT";
            EXPECT_FALSE(connection.IsOpen());
            continue;
        }
        ASSERT_EQ(messages.size(), ++stored);
        EXPECT_EQ(messages.back().authMechanism, c.storedMechanism);
        EXPECT_EQ(messages.back().authLogin, "user");
    }
}

TEST_F(SMTPAuthenticationAndDataTest, TheServerReceivesTheCanonicalBytes)
{
    SmtpServerPeer server({SmtpServerPeer::EMode::plain, {}, ""});
    ASSERT_TRUE(server.IsRunning()) << "the aiosmtpd peer did not start";
    const QByteArray source = "Subject: dots\r\n\r\n.\n..x\r\n.\rlone CR\rbare LF\n\tTab \xE9t\xE9\r\n"
                              "last line without end";
    const QByteArray expected = "Subject: dots\r\n\r\n.\r\n..x\r\n.\r\nlone CR\r\nbare LF\r\n\tTab \xE9t\xE9\r\n"
                                "last line without end\r\n";
    LMailEnvelope mail("from@example.org", {"to@example.org", "cc@example.org"}, source);
    LSMTPConnection connection;
    connection.SetServer("127.0.0.1", server.Port());
    CooperativeRun::Run([&] {
        connection.Open();
        connection.SendMessage(mail);
        connection.Close();
    });
    const auto messages = server.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].data, expected);
    EXPECT_EQ(messages[0].mailFrom, "from@example.org");
    EXPECT_EQ(messages[0].rcptTos, (QStringList{"to@example.org", "cc@example.org"}));
    EXPECT_FALSE(server.Verbs().contains("AUTH")) << "no user name, no authentication";
}
