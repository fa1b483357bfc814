// The built message on the secure road (see SecureSend.h).
#include "SecureSend.h"

#include "CEnvironment.h"
#include "LThread.h"

namespace {

constexpr char kSecureLogPrefix[] = "Secure messenger: ";

void LogSecureStatus(const std::string& text)
{
    if (gEnvironment == nullptr)
        return;
    gEnvironment->LogLine((kSecureLogPrefix + text).c_str());
}

SecureMessengerHooks ThreadHooks()
{
    SecureMessengerHooks hooks;
    hooks.status = LogSecureStatus;
    hooks.yield = [] { LThread::Yield(); };
    hooks.waitReadable = SecureWaitOnThread;
    return hooks;
}

} // namespace

void SecureWaitOnThread(int descriptor, int milliseconds)
{
    LThread::WaitForDescriptor(descriptor, LThread::EDescriptorEvent::readable,
                               DeadlineAfter(std::chrono::milliseconds(milliseconds)));
}

SecureMailSession::SecureMailSession(const SecureServer& server)
    : mHooks(ThreadHooks())
    , mSession(server, mHooks)
{
}

bool SecureMailSession::Send(CMailMessage& mail, CText& errorText)
{
    SecureEnvelope envelope;
    std::string unfit;
    if (!MakeSecureEnvelope(mail.GetFrom(), mail.GetTo(), mail.GetCc(), mail.GetBcc(), envelope, unfit)) {
        const std::string text = "Invalid address: " + unfit;
        LogSecureStatus(text);
        errorText.Assign(text.c_str());
        return false;
    }
    const SecureMessageOutcome outcome = mSession.Send(mail.WriteSource(), envelope);
    if (!outcome.succeeded && !outcome.message.empty())
        errorText.Assign(outcome.message.c_str());
    return outcome.succeeded;
}

bool SendMailSecurely(CMailMessage& mail, const SecureServer& server, CText& errorText)
{
    SecureMailSession session(server);
    return session.Send(mail, errorText);
}
