// The window side of the secure road (see SendSecureMessage.h).
#include "SendSecureMessage.h"

#include "CEnvironment.h"
#include "LThread.h"

#include <cstdio>

namespace {

constexpr char kSecureLogPrefix[] = "Secure messenger: ";
constexpr int kCheckTimeoutSeconds = 30;

void LogSecureStatus(const std::string& text)
{
    if (gEnvironment == nullptr)
        return;
    gEnvironment->LogLine((kSecureLogPrefix + text).c_str());
}

int NetworkTimeout()
{
    return SecureTimeoutSeconds(gEnvironment ? gEnvironment->networkTimeout : 0);
}

SecureServer ServerOf(const CDeliveryWindow& window, int timeoutSeconds)
{
    SecureServer server;
    server.host = window.GetServerName().trimmed().toStdString();
    server.port = window.GetServerPort();
    server.tlsMode = TLSModeForPort(server.port);
    server.acceptAnyCertificate = window.GetAcceptAnyCertificate();
    server.timeoutSeconds = timeoutSeconds;
    server.username = window.GetUserName().toStdString();
    server.password = window.GetPassword().toStdString();
    return server;
}

// Addr-specs of a list; false when one is unfit.
bool AppendAddresses(const QStringList& forms, std::vector<std::string>& out, QString& bad)
{
    for (const QString& form : forms) {
        if (form.trimmed().isEmpty())
            continue;
        const QString address = EnvelopeAddress(form);
        if (address.isEmpty()) {
            bad = form;
            return false;
        }
        out.push_back(address.toStdString());
    }
    return true;
}

void Yield()
{
    LThread::Yield();
}

} // namespace

QString EnvelopeAddress(const QString& headerForm)
{
    QString address = headerForm.trimmed();
    const qsizetype open = address.lastIndexOf('<');
    if (open >= 0) {
        const qsizetype close = address.indexOf('>', open);
        if (close < 0)
            return {};
        address = address.mid(open + 1, close - open - 1).trimmed();
    }
    if (address.count('@') < 1 || address.startsWith('@') || address.endsWith('@'))
        return {};
    for (const QChar c : address) {
        const char16_t u = c.unicode();
        if (u <= ' ' || u == 0x7f || u == '<' || u == '>' || u == '"' || u == ',')
            return {};
    }
    return address;
}

std::string SecureMechanismForMenuValue(SInt16 value)
{
    switch (value) {
    case 1: return "NONE";
    case 2: return "PLAIN";
    case 3: return "LOGIN";
    case 4: return "CRAM-MD5";
    default: return {};
    }
}

bool SendSecureMessage(const QByteArray& source, const SecureEnvelopeLists& envelope,
                       CDeliveryWindow& window, CText& errorText)
{
    SecureMessageRequest request;
    request.server = ServerOf(window, NetworkTimeout());
    request.mechanism = SecureMechanismForMenuValue(window.GetSecureMechanismValue());
    request.source = source.toStdString();
    request.sender = EnvelopeAddress(envelope.sender).toStdString();

    QString bad;
    if (request.sender.empty())
        bad = envelope.sender;
    const bool listsFit = bad.isEmpty() && AppendAddresses(envelope.to, request.to, bad)
        && AppendAddresses(envelope.cc, request.cc, bad) && AppendAddresses(envelope.bcc, request.bcc, bad);
    if (!listsFit) {
        const std::string text = "Invalid address: " + bad.toStdString();
        LogSecureStatus(text);
        errorText.Assign(text.c_str());
        return false;
    }

    SecureMessengerHooks hooks;
    hooks.status = LogSecureStatus;
    hooks.yield = Yield;
    const SecureMessageOutcome outcome = SendSecureMessageData(request, hooks);
    if (!outcome.succeeded && !outcome.message.empty())
        errorText.Assign(outcome.message.c_str());
    return outcome.succeeded;
}

void CheckSecureServer(CDeliveryWindow& window, const QString& address, const QString& subject,
                       const QString& body, bool asHTML, bool reallySend, const std::function<void()>& beep)
{
    window.detectedMechanisms.Clear();
    window.checkDone = 0;
    window.checkSucceeded = 0;

    static const char* const kMechanisms[] = {"Automatic", "PLAIN", "LOGIN", "CRAM-MD5"};
    const SInt16 menu = window.GetSecureMechanismValue();

    SecureCheckRequest request;
    request.server = ServerOf(window, kCheckTimeoutSeconds);
    request.mechanism = kMechanisms[(menu >= 1 && menu <= 4) ? menu - 1 : 0];
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
    hooks.yield = Yield;
    const SecureCheckOutcome outcome = RunSecureServerCheck(request, hooks);
    if (outcome.succeeded)
        window.checkSucceeded = 1;
    window.checkDone = 1;
}
