// The framework's POP3 client: the APOP digest of RFC 1939's example, and logins against a
// real Dovecot POP3 service (USER/PASS, a wrong password, APOP with the apop mechanism on, and
// APOP refused without a timestamp before anything is sent).
#include "ToolboxTestSupport.h"
#include "../peers/CooperativeRun.h"
#include "../peers/DovecotPeer.h"

#include "LException.h"
#include "LPOP3Connection.h"
#include "NetworkErrors.h"

#include <gtest/gtest.h>

namespace {

class POP3ConnectionTest : public ::testing::Test {
protected:
    void SetUp() override { LMainContext::Get(); }
    void TearDown() override { EXPECT_TRUE(AllThreadsEnded()); }
};

} // namespace

// RFC 1939's APOP example prints c4c9334bac560ecc979e58001b3e22fb for this timestamp and
// secret, but that is not the MD5 of the two (Python's hashlib and md5sum both give the value
// below). The form itself is proven by the APOP login against Dovecot further down.
TEST(POP3APOPDigest, IsTheLowerCaseHexMD5OfTimestampThenSecret)
{
    EXPECT_EQ(LPOP3Connection::APOPDigest("<1896.697170952@dbc.mtview.ca.us>", "tanstaafl"),
              "a6f0dd348916c9ee9539661f94c75203");
}

TEST_F(POP3ConnectionTest, LogsInWithUserAndPassAndRaisesTheServersErr)
{
    DovecotPeer dovecot({{"alice", "s3cret"}}, false);
    ASSERT_TRUE(dovecot.IsRunning()) << "Dovecot POP3 did not start";
    struct Case {
        const char* password;
        SInt32 code;
    };
    const Case cases[] = {{"s3cret", 0}, {"wrong", err_POP3Refused}};
    for (const Case& c : cases) {
        SInt32 code = -1;
        std::string message;
        CooperativeRun::Run([&] {
            LPOP3Connection pop;
            pop.Open("127.0.0.1", UInt16(dovecot.Port()));
            try {
                pop.Login("alice", c.password);
                code = 0;
            } catch (const LException& failure) {
                code = failure.GetErrorCode();
                message = failure.GetErrorMessage();
            }
            pop.Close();
        });
        EXPECT_EQ(code, c.code) << c.password;
        if (c.code == err_POP3Refused) {
            EXPECT_EQ(message.rfind("-ERR", 0), 0u) << message;
        }
    }
    EXPECT_EQ(dovecot.CountLogins("alice"), 1);
}

TEST_F(POP3ConnectionTest, LogsInWithAPOPWhenTheServerOffersIt)
{
    DovecotPeer dovecot({{"alice", "s3cret"}}, true);
    ASSERT_TRUE(dovecot.IsRunning()) << "Dovecot POP3 did not start";
    QByteArray timestamp;
    SInt32 wrongCode = 0;
    CooperativeRun::Run([&] {
        LPOP3Connection pop;
        pop.Open("127.0.0.1", UInt16(dovecot.Port()));
        timestamp = pop.GetTimestamp();
        pop.LoginAPOP("alice", "s3cret");
        pop.Close();

        LPOP3Connection wrong;
        wrong.Open("127.0.0.1", UInt16(dovecot.Port()));
        wrongCode = CooperativeRun::FailureCode([&] { wrong.LoginAPOP("alice", "nope"); });
        wrong.Close();
    });
    EXPECT_TRUE(timestamp.startsWith('<') && timestamp.endsWith('>') && timestamp.contains('@')) << timestamp.constData();
    EXPECT_EQ(wrongCode, err_POP3Refused);
    EXPECT_EQ(dovecot.CountLogins("alice"), 1);
    EXPECT_TRUE(dovecot.Log().contains("method=APOP"));
}

TEST_F(POP3ConnectionTest, APOPWithoutATimestampFailsBeforeSendingTheSecret)
{
    DovecotPeer dovecot({{"alice", "s3cret"}}, false);
    ASSERT_TRUE(dovecot.IsRunning()) << "Dovecot POP3 did not start";
    SInt32 code = 0;
    bool stillUsable = false;
    CooperativeRun::Run([&] {
        LPOP3Connection pop;
        pop.Open("127.0.0.1", UInt16(dovecot.Port()));
        EXPECT_TRUE(pop.GetTimestamp().isEmpty());
        code = CooperativeRun::FailureCode([&] { pop.LoginAPOP("alice", "s3cret"); });
        pop.Login("alice", "s3cret"); // nothing was sent, so the session is still at USER
        stillUsable = true;
        pop.Close();
    });
    EXPECT_EQ(code, err_POP3Refused);
    EXPECT_TRUE(stillUsable);
}
