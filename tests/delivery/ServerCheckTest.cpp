// The server check against aiosmtpd, through the window: Automatic picks the first offered of
// PLAIN, LOGIN, CRAM-MD5 and sets the popup; a check without sending stops after the mechanisms;
// the test mail reaches the sender; a refused port ends the check, not succeeded; a server
// without AUTH takes the test mail from an empty user name.
#include <gtest/gtest.h>

#include "FakeDeliveryWindow.h"
#include "SecureTestSupport.h"

#include "SendSecureMessage.h"

namespace {

const QString kSubject = "Testing Port";
const QString kBody = "Congratulations! Your settings seem to be working for the server: 127.0.0.1";

class ServerCheckTest : public SecureRoadTest {
protected:
    static void Check(FakeDeliveryWindow& window, bool reallySend)
    {
        ASSERT_TRUE(RunOnThread([&] { CheckSecureServer(window, QString(), kSubject, kBody, false, reallySend); }));
    }
};

TEST_F(ServerCheckTest, AutomaticChoosesLoginFromLoginAndCramAndTheTestMailReachesTheSender)
{
    SmtpServerPeer peer({SmtpServerPeer::EMode::startTLS, {"user:secret"}, "LOGIN CRAM-MD5"});
    ASSERT_TRUE(peer.IsRunning());
    FakeDeliveryWindow window;
    window.port = peer.Port();
    window.mechanism = 1;
    Check(window, true);

    EXPECT_EQ(window.checkDone, 1);
    EXPECT_EQ(window.checkSucceeded, 1);
    EXPECT_EQ(window.mechanism, 3);
    EXPECT_EQ(window.status, "LOGIN authentication chosen");
    const QString detected = QString::fromUtf8(window.detectedMechanisms.CharAt(0));
    EXPECT_TRUE(detected.contains("LOGIN") && detected.contains("CRAM-MD5")) << detected.toStdString();

    const auto messages = peer.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].authMechanism, "LOGIN");
    EXPECT_TRUE(messages[0].tls);
    EXPECT_EQ(messages[0].mailFrom, window.myEmail);
    EXPECT_EQ(messages[0].rcptTos, QStringList{window.myEmail});
    EXPECT_TRUE(messages[0].data.contains("Subject: Testing Port\r\n")) << messages[0].data.constData();
    EXPECT_TRUE(messages[0].data.contains(kBody.toUtf8()));
}

TEST_F(ServerCheckTest, WithoutSendingItClosesAfterTheMechanismsAndHasSucceeded)
{
    SmtpServerPeer peer({SmtpServerPeer::EMode::startTLS});
    ASSERT_TRUE(peer.IsRunning());
    FakeDeliveryWindow window;
    window.port = peer.Port();
    window.mechanism = 1;
    Check(window, false);

    EXPECT_EQ(window.checkDone, 1);
    EXPECT_EQ(window.checkSucceeded, 1);
    const QString detected = QString::fromUtf8(window.detectedMechanisms.CharAt(0));
    for (const char* name : {"PLAIN", "LOGIN", "CRAM-MD5"})
        EXPECT_TRUE(detected.contains(name)) << detected.toStdString();
    EXPECT_EQ(window.mechanism, 1);  // the popup is only set when the check sends
    const QStringList verbs = peer.Verbs();
    EXPECT_FALSE(verbs.contains("AUTH")) << verbs.join(' ').toStdString();
    EXPECT_FALSE(verbs.contains("MAIL"));
    EXPECT_TRUE(peer.Messages().empty());
}

TEST_F(ServerCheckTest, RefusedPortEndsTheCheckNotSucceeded)
{
    FakeDeliveryWindow window;
    window.port = UInt16(PeerProcess::FreeLoopbackPort());  // nothing listens there
    const auto start = std::chrono::steady_clock::now();
    Check(window, true);
    EXPECT_EQ(window.checkDone, 1);
    EXPECT_EQ(window.checkSucceeded, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(ServerCheckTest, EmptyUserNameAgainstAServerWithoutAuthStillSends)
{
    SmtpServerPeer peer({SmtpServerPeer::EMode::startTLS, {}, ""});
    ASSERT_TRUE(peer.IsRunning());
    FakeDeliveryWindow window;
    window.port = peer.Port();
    window.user = "";
    window.password = "";
    window.mechanism = 1;
    Check(window, true);

    EXPECT_EQ(window.checkDone, 1);
    EXPECT_EQ(window.checkSucceeded, 1);
    EXPECT_FALSE(peer.Verbs().contains("AUTH"));
    ASSERT_EQ(peer.Messages().size(), 1u);
    EXPECT_EQ(peer.Messages()[0].rcptTos, QStringList{window.myEmail});
}

} // namespace
