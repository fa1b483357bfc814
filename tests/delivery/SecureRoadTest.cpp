// The secure road against aiosmtpd: every mechanism over STARTTLS and implicit TLS delivers
// the built bytes unchanged to the envelope we give, without AUTH when none is wanted, never
// in clear, with certificate checks per conversation, and always ending.
#include <gtest/gtest.h>

#include "SecureTestSupport.h"

#include "../peers/SmtpSinkPeer.h"
#include "../peers/TlsFrontPeer.h"

#include <QTimer>

#include <algorithm>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace {

const QStringList kEnvelope = {"ann@example.org", "cc@example.org", "hidden@example.org"};

struct MechanismCase {
    SmtpServerPeer::EMode peerMode;
    ESecureTLSMode tlsMode;
    ESecureMechanism mechanism;
};

class SecureRoadMechanismTest : public SecureRoadTest, public ::testing::WithParamInterface<MechanismCase> {};

TEST_P(SecureRoadMechanismTest, DeliversTheBuiltBytesToTheWholeEnvelope)
{
    const MechanismCase& c = GetParam();
    SmtpServerPeer peer({c.peerMode});
    ASSERT_TRUE(peer.IsRunning());

    const SecureMessageOutcome outcome = SendOnThread(RequestFor(peer, c.tlsMode, c.mechanism));
    ASSERT_TRUE(outcome.succeeded) << outcome.message;

    const auto messages = peer.Messages();
    ASSERT_EQ(messages.size(), 1u);
    const auto& m = messages[0];
    EXPECT_EQ(m.data, QByteArray::fromStdString(FixtureSource()));
    EXPECT_EQ(m.mailFrom, "sender@brevanto.test");
    EXPECT_EQ(m.rcptTos, kEnvelope);
    EXPECT_TRUE(m.tls);
    EXPECT_EQ(m.authMechanism, SecureMechanismName(c.mechanism));
    EXPECT_EQ(m.authLogin, "user");
    EXPECT_FALSE(m.data.contains("\r\nBcc:"));
}

INSTANTIATE_TEST_SUITE_P(
    AllMechanisms, SecureRoadMechanismTest,
    ::testing::Values(MechanismCase{SmtpServerPeer::EMode::startTLS, ESecureTLSMode::startTLS, ESecureMechanism::plain},
                      MechanismCase{SmtpServerPeer::EMode::startTLS, ESecureTLSMode::startTLS, ESecureMechanism::login},
                      MechanismCase{SmtpServerPeer::EMode::startTLS, ESecureTLSMode::startTLS, ESecureMechanism::cramMD5},
                      MechanismCase{SmtpServerPeer::EMode::implicitTLS, ESecureTLSMode::implicitTLS, ESecureMechanism::plain},
                      MechanismCase{SmtpServerPeer::EMode::implicitTLS, ESecureTLSMode::implicitTLS, ESecureMechanism::login},
                      MechanismCase{SmtpServerPeer::EMode::implicitTLS, ESecureTLSMode::implicitTLS, ESecureMechanism::cramMD5}));

TEST_F(SecureRoadTest, WithoutMechanismOrUserSendsRightAfterTLSWithoutAuth)
{
    for (const auto& [mechanism, user] : {std::pair<ESecureMechanism, std::string>{ESecureMechanism::automatic, "user"},
                                          {ESecureMechanism::plain, ""}}) {
        SCOPED_TRACE(SecureMechanismName(mechanism) + ("/" + user));
        SmtpServerPeer peer({SmtpServerPeer::EMode::startTLS, {}, ""});
        ASSERT_TRUE(peer.IsRunning());
        SecureMessageRequest request = RequestFor(peer, ESecureTLSMode::startTLS, mechanism);
        request.server.username = user;
        const SecureMessageOutcome outcome = SendOnThread(request);
        EXPECT_TRUE(outcome.succeeded) << outcome.message;
        EXPECT_EQ(peer.Messages().size(), 1u);
        EXPECT_FALSE(peer.Verbs().contains("AUTH"));
    }
}

TEST_F(SecureRoadTest, WrongPasswordFailsAndTheNextSendOnTheSameThreadWorks)
{
    SmtpServerPeer peer({SmtpServerPeer::EMode::startTLS});
    ASSERT_TRUE(peer.IsRunning());
    SecureMessageOutcome first, second;
    ASSERT_TRUE(RunOnThread([&] {
        SecureMessengerHooks hooks;
        hooks.yield = [] { LThread::Yield(); };
        first = SendSecureMessageData(RequestFor(peer, ESecureTLSMode::startTLS, ESecureMechanism::login, "wrong"), hooks);
        second = SendSecureMessageData(RequestFor(peer, ESecureTLSMode::startTLS, ESecureMechanism::login), hooks);
    }));
    EXPECT_FALSE(first.succeeded);
    EXPECT_NE(first.message.find("535"), std::string::npos) << first.message;
    EXPECT_TRUE(second.succeeded) << second.message;
    EXPECT_EQ(peer.Messages().size(), 1u);
}

TEST_F(SecureRoadTest, ServerWithoutStartTLSGetsNoCredentialsAndNoMessage)
{
    SmtpServerPeer peer({SmtpServerPeer::EMode::plain});
    ASSERT_TRUE(peer.IsRunning());
    const SecureMessageOutcome outcome = SendOnThread(RequestFor(peer, ESecureTLSMode::startTLS, ESecureMechanism::plain));
    EXPECT_FALSE(outcome.succeeded);
    const QStringList verbs = peer.Verbs();
    EXPECT_FALSE(verbs.contains("AUTH")) << verbs.join(' ').toStdString();
    EXPECT_FALSE(verbs.contains("MAIL"));
    EXPECT_TRUE(peer.Messages().empty());
}

TEST_F(SecureRoadTest, CertificateChecksFollowEachServersChoice)
{
    SmtpServerPeer peer({SmtpServerPeer::EMode::startTLS});
    ASSERT_TRUE(peer.IsRunning());

    SetSecureCAFile("/etc/ssl/certs/ca-certificates.crt");
    EXPECT_FALSE(SendOnThread(RequestFor(peer, ESecureTLSMode::startTLS, ESecureMechanism::plain)).succeeded);
    EXPECT_FALSE(peer.Verbs().contains("AUTH"));

    SecureMessageRequest acceptAny = RequestFor(peer, ESecureTLSMode::startTLS, ESecureMechanism::plain);
    acceptAny.server.acceptAnyCertificate = true;
    EXPECT_TRUE(SendOnThread(acceptAny).succeeded);

    SetSecureCAFile(TestCertificates::Shared().CAFile());
    EXPECT_TRUE(SendOnThread(RequestFor(peer, ESecureTLSMode::startTLS, ESecureMechanism::plain)).succeeded);
    EXPECT_EQ(peer.Messages().size(), 2u);
}

// The certificate is signed by the trusted CA but names another host than the one we dial.
TEST_F(SecureRoadTest, ACertificateNamingAnotherHostIsRefusedUnlessAnyIsAccepted)
{
    for (const auto& [peerMode, tlsMode] :
         {std::pair{SmtpServerPeer::EMode::startTLS, ESecureTLSMode::startTLS},
          std::pair{SmtpServerPeer::EMode::implicitTLS, ESecureTLSMode::implicitTLS}}) {
        SCOPED_TRACE(tlsMode == ESecureTLSMode::startTLS ? "STARTTLS" : "implicit TLS");
        SmtpServerPeer::Options options{peerMode};
        options.otherHostCertificate = true;
        SmtpServerPeer peer(options);
        ASSERT_TRUE(peer.IsRunning());

        for (const char* host : {"127.0.0.1", "localhost"}) {
            SecureMessageRequest verify = RequestFor(peer, tlsMode, ESecureMechanism::plain);
            verify.server.host = host;
            std::vector<std::string> statuses;
            EXPECT_FALSE(SendOnThread(verify, &statuses).succeeded) << host;
            const std::string said = std::string("The server's certificate does not name ") + host + ".";
            EXPECT_NE(std::find(statuses.begin(), statuses.end(), said), statuses.end()) << host;
        }
        EXPECT_FALSE(peer.Verbs().contains("AUTH"));
        EXPECT_TRUE(peer.Messages().empty());

        SecureMessageRequest acceptAny = RequestFor(peer, tlsMode, ESecureMechanism::plain);
        acceptAny.server.acceptAnyCertificate = true;
        const SecureMessageOutcome accepted = SendOnThread(acceptAny);
        EXPECT_TRUE(accepted.succeeded) << accepted.message;
        EXPECT_EQ(peer.Messages().size(), 1u);
    }
}

// A host name goes out as the TLS server name, so that a server answering for several names shows
// the right certificate; an address never does.
TEST_F(SecureRoadTest, TheHostNameDialledIsTheServerNameAskedFor)
{
    for (const auto& [peerMode, tlsMode] :
         {std::pair{SmtpServerPeer::EMode::startTLS, ESecureTLSMode::startTLS},
          std::pair{SmtpServerPeer::EMode::implicitTLS, ESecureTLSMode::implicitTLS}}) {
        SCOPED_TRACE(tlsMode == ESecureTLSMode::startTLS ? "STARTTLS" : "implicit TLS");
        SmtpServerPeer peer({peerMode});
        ASSERT_TRUE(peer.IsRunning());
        for (const char* host : {"localhost", "127.0.0.1"}) {
            SecureMessageRequest request = RequestFor(peer, tlsMode, ESecureMechanism::plain);
            request.server.host = host;
            const SecureMessageOutcome outcome = SendOnThread(request);
            EXPECT_TRUE(outcome.succeeded) << host << ": " << outcome.message;
        }
        EXPECT_EQ(peer.ServerNames(), (QStringList{"localhost", "-"}));
    }
}

TEST_F(SecureRoadTest, InterleavedConversationsKeepTheirOwnCertificateChoice)
{
    SetSecureCAFile("/etc/ssl/certs/ca-certificates.crt");
    SmtpServerPeer trusting({SmtpServerPeer::EMode::startTLS});
    SmtpServerPeer checking({SmtpServerPeer::EMode::implicitTLS});
    ASSERT_TRUE(trusting.IsRunning() && checking.IsRunning());

    SecureMessageRequest acceptAny = RequestFor(trusting, ESecureTLSMode::startTLS, ESecureMechanism::plain);
    acceptAny.server.acceptAnyCertificate = true;
    const SecureMessageRequest verify = RequestFor(checking, ESecureTLSMode::implicitTLS, ESecureMechanism::plain);

    SecureMessageOutcome a1, a2, v1, v2;
    bool doneA = false, doneV = false;
    auto sender = [](const SecureMessageRequest& r, SecureMessageOutcome& o1, SecureMessageOutcome& o2) {
        SecureMessengerHooks hooks;
        hooks.yield = [] { LThread::Yield(); };
        o1 = SendSecureMessageData(r, hooks);
        o2 = SendSecureMessageData(r, hooks);
    };
    (new BodyThread([&] { sender(acceptAny, a1, a2); }, doneA))->Resume();
    (new BodyThread([&] { sender(verify, v1, v2); }, doneV))->Resume();
    ASSERT_TRUE(LThread::WaitUntil([&] { return doneA && doneV; }, DeadlineAfter(std::chrono::seconds(90))));

    EXPECT_TRUE(a1.succeeded && a2.succeeded) << a1.message << " / " << a2.message;
    EXPECT_FALSE(v1.succeeded || v2.succeeded);
    EXPECT_EQ(trusting.Messages().size(), 2u);
    EXPECT_TRUE(checking.Messages().empty());
}

TEST_F(SecureRoadTest, PortsAreUnsignedAndZeroIsRefusedAtOnce)
{
    SmtpServerPeer peer({SmtpServerPeer::EMode::implicitTLS});
    ASSERT_TRUE(peer.IsRunning());
    ASSERT_GT(peer.Port(), 32767) << "the peer should listen on an ephemeral (high) port";
    EXPECT_TRUE(SendOnThread(RequestFor(peer, ESecureTLSMode::implicitTLS, ESecureMechanism::plain)).succeeded);

    SecureMessageRequest zero = RequestFor(peer, ESecureTLSMode::implicitTLS, ESecureMechanism::plain);
    zero.server.port = 0;
    const SecureMessageOutcome outcome = SendOnThread(zero);
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_EQ(outcome.message, "invalid port");
}

TEST(SecureRoadPorts, Port465IsImplicitTLSAndTheRestStartTLS)
{
    const std::pair<uint16_t, ESecureTLSMode> table[] = {
        {465, ESecureTLSMode::implicitTLS}, {25, ESecureTLSMode::startTLS}, {587, ESecureTLSMode::startTLS},
        {2525, ESecureTLSMode::startTLS}, {65535, ESecureTLSMode::startTLS}};
    for (const auto& [port, mode] : table)
        EXPECT_EQ(TLSModeForPort(port), mode) << port;
    EXPECT_EQ(SecureServer{}.port, 25);
    EXPECT_EQ(SecureTimeoutSeconds(0), 15);
    EXPECT_EQ(SecureTimeoutSeconds(-3), 15);
    EXPECT_EQ(SecureTimeoutSeconds(7), 7);
}

TEST(SecureEnvelope, OneRuleDecidesWhatMayGoToMailFromAndRcptTo)
{
    const std::pair<const char*, const char*> table[] = {
        {"ann@example.org", "ann@example.org"},
        {"  Ann Smith <ann@example.org> ", "ann@example.org"},
        {"\"Smith, Ann\" <ann@example.org>", "ann@example.org"},
        {"J\xc3\xb6rg <j\xc3\xb6rg@example.org>", "j\xc3\xb6rg@example.org"},
        {"Ann <ann@example.org", ""},
        {"ann example.org", ""},
        {"@example.org", ""},
        {"ann@", ""},
        {"ann @example.org", ""},
        {"a,b@example.org", ""},
        {"\"ann\"@example.org", ""},
        {"ann@example.org\r\nRCPT TO:<x@y>", ""},
        {"", ""},
    };
    for (const auto& [form, address] : table)
        EXPECT_EQ(SecureEnvelopeAddress(form), address) << form;

    SecureEnvelope envelope;
    std::string unfit;
    EXPECT_TRUE(MakeSecureEnvelope("S <s@x.org>", {"a@x.org", " "}, {}, {"B <b@x.org>"}, envelope, unfit));
    EXPECT_EQ(envelope.sender, "s@x.org");
    EXPECT_EQ(envelope.to, std::vector<std::string>{"a@x.org"});
    EXPECT_EQ(envelope.bcc, std::vector<std::string>{"b@x.org"});
    EXPECT_FALSE(MakeSecureEnvelope("S <s@x.org>", {"a@x.org"}, {"broken"}, {}, envelope, unfit));
    EXPECT_EQ(unfit, "broken");
    EXPECT_FALSE(MakeSecureEnvelope("", {"a@x.org"}, {}, {}, envelope, unfit));
    EXPECT_EQ(unfit, "");
}

TEST_F(SecureRoadTest, NothingListeningFailsWithoutWaiting)
{
    SecureMessageRequest request;
    request.server.host = "127.0.0.1";
    request.server.port = uint16_t(PeerProcess::FreeLoopbackPort());
    request.server.timeoutSeconds = 30;
    request.source = FixtureSource();
    request.envelope.sender = "sender@brevanto.test";
    request.envelope.to = {"ann@example.org"};
    const auto start = std::chrono::steady_clock::now();
    const SecureMessageOutcome outcome = SendOnThread(request);
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_FALSE(outcome.timedOut) << outcome.message;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(SecureRoadTest, SilentPeersEndAtTheIdleDeadlineWithTheTimeOutStatus)
{
    struct Case {
        SmtpServerPeer::EMode peer;
        ESecureTLSMode client;
    };
    for (const Case& c : {Case{SmtpServerPeer::EMode::silent, ESecureTLSMode::startTLS},
                          Case{SmtpServerPeer::EMode::silent, ESecureTLSMode::implicitTLS},
                          Case{SmtpServerPeer::EMode::silentTLS, ESecureTLSMode::implicitTLS}}) {
        SmtpServerPeer peer({c.peer});
        ASSERT_TRUE(peer.IsRunning());
        SecureMessageRequest request = RequestFor(peer, c.client, ESecureMechanism::plain);
        request.server.timeoutSeconds = 2;
        const SecureMessageOutcome outcome = SendOnThread(request);
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_TRUE(outcome.timedOut);
        EXPECT_EQ(outcome.message, "Connection timed out. (Timeout = 2 seconds; you can change this in preferences.)");
    }
}

// TCP_NODELAY of this process's socket connected to the loopback port; -1 when there is none.
int NoDelayOfSocketTo(uint16_t port)
{
    for (int fd = 0; fd < 1024; ++fd) {
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) != 0 || peer.sin_family != AF_INET
            || ntohs(peer.sin_port) != port)
            continue;
        int on = -1;
        socklen_t size = sizeof on;
        getsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, &size);
        return on;
    }
    return -1;
}

TEST_F(SecureRoadTest, TheConnectedSocketSendsWithoutDelay)
{
    SmtpServerPeer peer({SmtpServerPeer::EMode::silent});
    ASSERT_TRUE(peer.IsRunning());
    SecureMessageRequest request = RequestFor(peer, ESecureTLSMode::startTLS, ESecureMechanism::plain);
    request.server.timeoutSeconds = 2;
    bool ended = false;
    (new BodyThread([&] {
        SecureMessengerHooks hooks;
        hooks.yield = [] { LThread::Yield(); };
        SendSecureMessageData(request, hooks);
    }, ended))->Resume();
    int noDelay = -1;
    LThread::WaitUntil([&] { return (noDelay = NoDelayOfSocketTo(peer.Port())) >= 0 || ended; },
                       DeadlineAfter(std::chrono::seconds(30)));
    EXPECT_GT(noDelay, 0);
    ASSERT_TRUE(LThread::WaitUntil([&] { return ended; }, DeadlineAfter(std::chrono::seconds(30))));
}

// The window's timers keep firing while a conversation waits for a greeting that never comes,
// and while it waits for the server's part of the TLS handshake.
TEST_F(SecureRoadTest, QtTimersKeepFiringDuringASend)
{
    for (const ESecureTLSMode mode : {ESecureTLSMode::startTLS, ESecureTLSMode::implicitTLS}) {
        SCOPED_TRACE(mode == ESecureTLSMode::startTLS ? "waiting for the greeting" : "waiting in the TLS handshake");
        SmtpServerPeer peer({SmtpServerPeer::EMode::silent});
        ASSERT_TRUE(peer.IsRunning());
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
        timer.start(20);
        SecureMessageRequest request = RequestFor(peer, mode, ESecureMechanism::plain);
        request.server.timeoutSeconds = 2;
        EXPECT_FALSE(SendOnThread(request).succeeded);
        EXPECT_GT(ticks, 30);
    }
}

} // namespace

// 8-bit bytes are declared with BODY=8BITMIME where the server offers 8BITMIME and never sent
// where it does not; a 7-bit message is sent as before, undeclared, to both.
TEST_F(SecureRoadTest, EightBitBodiesAreDeclaredWhereOfferedAndRefusedElsewhere)
{
    std::string sevenBit = FixtureSource();
    for (char& c : sevenBit)
        c = char(c & 0x7F);

    SmtpServerPeer offering({SmtpServerPeer::EMode::startTLS});
    ASSERT_TRUE(offering.IsRunning());
    for (const std::string& source : {FixtureSource(), sevenBit}) {
        SecureMessageRequest request = RequestFor(offering, ESecureTLSMode::startTLS, ESecureMechanism::plain);
        request.source = source;
        const SecureMessageOutcome outcome = SendOnThread(request);
        EXPECT_TRUE(outcome.succeeded) << outcome.message;
    }
    QStringList mailArgs;
    for (const auto& command : offering.Commands()) {
        if (command.verb == "MAIL")
            mailArgs << command.arg;
    }
    ASSERT_EQ(mailArgs.size(), 2);
    EXPECT_TRUE(mailArgs[0].endsWith(" BODY=8BITMIME")) << mailArgs[0].toStdString();
    EXPECT_FALSE(mailArgs[1].contains("BODY")) << mailArgs[1].toStdString();
    ASSERT_EQ(offering.Messages().size(), 2u);
    EXPECT_EQ(offering.Messages()[0].data, QByteArray::fromStdString(FixtureSource()));

    SmtpSinkPeer sink({"-8"});
    TlsFrontPeer front(sink.Port());
    ASSERT_TRUE(sink.IsRunning() && front.IsRunning());
    for (const std::string& source : {FixtureSource(), sevenBit}) {
        SecureMessageRequest request = RequestFor(offering, ESecureTLSMode::implicitTLS, ESecureMechanism::automatic);
        request.server.port = uint16_t(front.Port());
        request.source = source;
        const SecureMessageOutcome outcome = SendOnThread(request);
        EXPECT_EQ(outcome.succeeded, source == sevenBit) << outcome.message;
        if (source != sevenBit) {
            EXPECT_NE(outcome.message.find("no 8BITMIME"), std::string::npos) << outcome.message;
        }
    }
    sink.Stop();
    EXPECT_EQ(sink.MessageCount(), 1);
    EXPECT_TRUE(sink.Commands().filter("BODY=").isEmpty()) << sink.Commands().join('\n').toStdString();
}
