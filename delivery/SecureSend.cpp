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

} // namespace

void SecureWaitOnThread(int descriptor, int milliseconds)
{
    LThread::WaitForDescriptor(descriptor, LThread::EDescriptorEvent::readable,
                               DeadlineAfter(std::chrono::milliseconds(milliseconds)));
}

bool SendMailSecurely(CMailMessage& mail, const SecureServer& server, CText& errorText)
{
    SecureMessageRequest request;
    request.server = server;
    std::string unfit;
    if (!MakeSecureEnvelope(mail.GetFrom(), mail.GetTo(), mail.GetCc(), mail.GetBcc(), request.envelope, unfit)) {
        const std::string text = "Invalid address: " + unfit;
        LogSecureStatus(text);
        errorText.Assign(text.c_str());
        return false;
    }
    request.source = mail.WriteSource();

    SecureMessengerHooks hooks;
    hooks.status = LogSecureStatus;
    hooks.yield = [] { LThread::Yield(); };
    hooks.waitReadable = SecureWaitOnThread;
    const SecureMessageOutcome outcome = SendSecureMessageData(request, hooks);
    if (!outcome.succeeded && !outcome.message.empty())
        errorText.Assign(outcome.message.c_str());
    return outcome.succeeded;
}
