// The window side of the secure road (see SendSecureMessage.h).
#include "SendSecureMessage.h"

#include "CEnvironment.h"
#include "LThread.h"
#include "SecureSend.h"

#include <cstdio>

namespace {

constexpr int kCheckTimeoutSeconds = 30;

} // namespace

ESecureMechanism SecureMechanismForMenuValue(SInt16 value)
{
    switch (value) {
    case 2: return ESecureMechanism::plain;
    case 3: return ESecureMechanism::login;
    case 4: return ESecureMechanism::cramMD5;
    default: return ESecureMechanism::automatic;
    }
}

SecureServer ReadServerRecord(const CDeliveryWindow& window, int timeoutSeconds)
{
    SecureServer server;
    server.host = window.GetServerName().trimmed().toStdString();
    server.port = window.GetServerPort();
    server.tlsMode = TLSModeForPort(server.port);
    server.acceptAnyCertificate = window.GetAcceptAnyCertificate();
    server.timeoutSeconds = timeoutSeconds;
    server.username = window.GetUserName().toStdString();
    server.password = window.GetPassword().toStdString();
    server.mechanism = SecureMechanismForMenuValue(window.GetSecureMechanismValue());
    return server;
}

SecureServer ReadSendServerRecord(const CDeliveryWindow& window)
{
    return ReadServerRecord(window, SecureTimeoutSeconds(gEnvironment ? gEnvironment->networkTimeout : 0));
}

void CheckSecureServer(CDeliveryWindow& window, const QString& address, const QString& subject,
                       const QString& body, bool asHTML, bool reallySend, const std::function<void()>& beep,
                       int limitMilliseconds)
{
    window.detectedMechanisms.Clear();
    window.checkDone = 0;
    window.checkSucceeded = 0;

    SecureCheckRequest request;
    request.server = ReadServerRecord(window, kCheckTimeoutSeconds);
    request.server.limitMilliseconds = limitMilliseconds;
    request.reallySend = reallySend;
    request.address = (address.isEmpty() ? window.GetMyEmail() : address).toStdString();
    request.subject = subject.toStdString();
    request.body = body.toStdString();
    request.asHTML = asHTML;

    SecureCheckHooks hooks;
    hooks.log = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    hooks.mechanismsDetected = [&window](const std::string& text) { window.detectedMechanisms.Assign(text.c_str()); };
    hooks.checkSucceeded = [&window] { window.checkSucceeded = 1; };
    hooks.mechanismChosen = [&window](int item, const std::string& status) {
        window.SetSecureMechanismValue(SInt16(item));
        window.SetStatusText(QString::fromStdString(status));
    };
    hooks.beep = beep;
    hooks.yield = [] { LThread::Yield(); };
    hooks.waitReadable = SecureWaitOnThread;
    const SecureCheckOutcome outcome = RunSecureServerCheck(request, hooks);
    if (outcome.succeeded)
        window.checkSucceeded = 1;
    window.checkDone = 1;
}
