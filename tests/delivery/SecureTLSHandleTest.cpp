// The TLS layer's handle of each secure conversation goes with the conversation: none is left
// alive after it, whatever way it ended, and the end of a handle whose socket was already
// closed closes no file that took the old descriptor number meanwhile.
#include <gtest/gtest.h>

#include "SecureTestSupport.h"

#include "../peers/SmtpSinkPeer.h"
#include "../peers/TlsFrontPeer.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// This process's socket connected to the loopback port; -1 when there is none.
int SocketConnectedTo(int port)
{
    for (int fd = 0; fd < 1024; ++fd) {
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0 && peer.sin_family == AF_INET
            && ntohs(peer.sin_port) == port)
            return fd;
    }
    return -1;
}

bool IsOpen(int fd)
{
    return fcntl(fd, F_GETFD) != -1;
}

SecureMessageOutcome SendWithStatusHook(const SecureMessageRequest& request,
                                        const std::function<void(const std::string&)>& status)
{
    SecureMessageOutcome outcome;
    outcome.message = "the send never ended";
    RunOnThread([&] {
        SecureMessengerHooks hooks;
        hooks.status = status;
        hooks.yield = [] { LThread::Yield(); };
        hooks.waitReadable = SecureWaitOnThread;
        outcome = SendSecureMessageData(request, hooks);
    });
    return outcome;
}

TEST_F(SecureRoadTest, NoTLSHandleOutlivesItsConversation)
{
    SmtpServerPeer starttls({SmtpServerPeer::EMode::startTLS});
    SmtpServerPeer implicit({SmtpServerPeer::EMode::implicitTLS});
    SmtpServerPeer::Options otherHost{SmtpServerPeer::EMode::startTLS};
    otherHost.otherHostCertificate = true;
    SmtpServerPeer refused(otherHost);
    ASSERT_TRUE(starttls.IsRunning() && implicit.IsRunning() && refused.IsRunning());

    const int before = SecureTLSHandlesAlive();
    const struct {
        const char* ending;
        SecureMessageRequest request;
        bool sent;
    } cases[] = {
        {"delivered over STARTTLS", RequestFor(starttls, ESecureTLSMode::startTLS, ESecureMechanism::plain), true},
        {"delivered over implicit TLS", RequestFor(implicit, ESecureTLSMode::implicitTLS, ESecureMechanism::login), true},
        {"log-in refused", RequestFor(starttls, ESecureTLSMode::startTLS, ESecureMechanism::plain, "wrong"), false},
        {"certificate refused", RequestFor(refused, ESecureTLSMode::startTLS, ESecureMechanism::plain), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ending);
        const SecureMessageOutcome outcome = SendOnThread(c.request);
        EXPECT_EQ(outcome.succeeded, c.sent) << outcome.message;
        EXPECT_EQ(SecureTLSHandlesAlive(), before);
    }
}

// smtp-sink hangs up after the data: the framework closes the socket as it meets the loss, and
// the status hook (the program's log, in use) opens a file under the old number before the
// conversation is torn down. The handle's end must neither close that file nor write into it
// (a TLS close alert, say).
TEST_F(SecureRoadTest, AHandleWhoseSocketIsGoneClosesNoFileThatTookItsNumber)
{
    SmtpSinkPeer sink({"-q", "."});
    TlsFrontPeer front(sink.Port());
    ASSERT_TRUE(sink.IsRunning() && front.IsRunning());
    SetImplicitTLSTestPorts({uint16_t(front.Port())});
    SecureMessageRequest request;
    request.server.host = "localhost";
    request.server.port = uint16_t(front.Port());
    request.server.tlsMode = ESecureTLSMode::implicitTLS;
    request.server.timeoutSeconds = 10;
    request.source = FixtureSource();
    request.envelope.sender = "sender@brevanto.test";
    request.envelope.to = {"ann@example.org"};

    const int before = SecureTLSHandlesAlive();
    int socket = -1;
    int pipeEnds[2] = {-1, -1};
    ASSERT_EQ(pipe(pipeEnds), 0);
    bool reused = false;
    const SecureMessageOutcome outcome = SendWithStatusHook(request, [&](const std::string& text) {
        if (text == "SSL handshaking completed.")
            socket = SocketConnectedTo(front.Port());
        if (text == "Connection lost." && socket >= 0 && !IsOpen(socket))
            reused = dup2(pipeEnds[1], socket) == socket;
    });
    SetImplicitTLSTestPorts({});

    EXPECT_EQ(outcome.message, "Connection lost.");
    ASSERT_TRUE(reused) << "the socket was still open when the loss was told";
    EXPECT_TRUE(IsOpen(socket));
    EXPECT_EQ(write(socket, "x", 1), 1);
    char written[64];
    EXPECT_EQ(read(pipeEnds[0], written, sizeof written), 1);
    EXPECT_EQ(SecureTLSHandlesAlive(), before);
    close(socket);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
}

} // namespace
