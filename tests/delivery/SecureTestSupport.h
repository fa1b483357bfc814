// Helpers of the secure-road tests: a body run on a cooperative thread (the stack the send
// thread has) while the main context keeps its loop going, a fixed message source with the
// hard cases in it, and requests aimed at an aiosmtpd peer.
#pragma once

#include "../peers/SmtpServerPeer.h"
#include "../peers/TestCertificates.h"

#include "LMainContext.h"
#include "LThread.h"
#include "SecureMessenger.h"
#include "SecureSend.h"

#include <chrono>
#include <functional>
#include <string>

class BodyThread : public LThread {
public:
    BodyThread(std::function<void()> body, bool& done) : mBody(std::move(body)), mDone(done) {}
    void* Run() override
    {
        mBody();
        mDone = true;
        return nullptr;
    }

private:
    std::function<void()> mBody;
    bool& mDone;
};

// Runs the body on a cooperative thread; true when it ended within the limit.
inline bool RunOnThread(std::function<void()> body, std::chrono::seconds limit = std::chrono::seconds(90))
{
    LMainContext::Get();
    bool done = false;
    (new BodyThread(std::move(body), done))->Resume();
    return LThread::WaitUntil([&] { return done; }, DeadlineAfter(limit));
}

// A built message as the send thread hands it over: Return-Path and an MDN request in the
// headers, no Bcc line, an 8bit ISO-8859-1 body with tabs and lines that need dot-stuffing.
inline std::string FixtureSource()
{
    return "Return-Path: <sender@brevanto.test>\r\n"
           "Disposition-Notification-To: sender@brevanto.test\r\n"
           "From: Sender <sender@brevanto.test>\r\n"
           "To: Ann <ann@example.org>\r\n"
           "Cc: cc@example.org\r\n"
           "Subject: Secure road\r\n"
           "Date: Mon, 02 Mar 2026 10:00:00 +0530\r\n"
           "Message-ID: <0123456789abcdef0123456789abcdef@brevanto.test>\r\n"
           "MIME-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=ISO-8859-1\r\n"
           "Content-Transfer-Encoding: 8bit\r\n"
           "\r\n"
           "Caf\xe9\tna\xefve\tcolumn\r\n"
           ".\r\n"
           "..\r\n"
           ".leading dot\r\n"
           "\tindented line\r\n"
           "last line\r\n";
}

inline SecureMessageRequest RequestFor(const SmtpServerPeer& peer, ESecureTLSMode mode, ESecureMechanism mechanism,
                                       const std::string& password = "secret")
{
    SecureMessageRequest request;
    request.server.host = "127.0.0.1";
    request.server.port = peer.Port();
    request.server.tlsMode = mode;
    request.server.timeoutSeconds = 10;
    request.server.username = "user";
    request.server.password = password;
    request.server.mechanism = mechanism;
    request.source = FixtureSource();
    request.envelope.sender = "sender@brevanto.test";
    request.envelope.to = {"ann@example.org"};
    request.envelope.cc = {"cc@example.org"};
    request.envelope.bcc = {"hidden@example.org"};
    return request;
}

// Sends on a cooperative thread, collecting the status texts.
inline SecureMessageOutcome SendOnThread(const SecureMessageRequest& request, std::vector<std::string>* statuses = nullptr)
{
    SecureMessageOutcome outcome;
    outcome.message = "the send never ended";
    RunOnThread([&] {
        SecureMessengerHooks hooks;
        hooks.status = [statuses](const std::string& text) {
            if (statuses)
                statuses->push_back(text);
        };
        hooks.yield = [] { LThread::Yield(); };
        hooks.waitReadable = SecureWaitOnThread;
        outcome = SendSecureMessageData(request, hooks);
    });
    return outcome;
}

// Every test uses the per-run CA unless it says otherwise.
class SecureRoadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LMainContext::Get();
        ASSERT_TRUE(TestCertificates::Shared().IsValid());
        mSavedCAFile = SecureCAFile();
        SetSecureCAFile(TestCertificates::Shared().CAFile());
    }
    void TearDown() override { SetSecureCAFile(mSavedCAFile); }

    std::string mSavedCAFile;
};
