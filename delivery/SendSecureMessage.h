// SendSecureMessage: hands one built message to the secure road (the SMTP class) with the
// mailing window's server settings and waits, yielding, until the server took it or the
// conversation failed. The window gives server, user, password, port, mechanism popup and the
// "accept any certificate" choice; the envelope comes from the built message, the timeout
// from "Network Timeout". Every status text is logged as "Secure messenger: " + text.
//
// CheckSecureServer runs the server check (the SSMTP class) against the window's settings and
// writes its results into the window: check-done, check-succeeded, the detected mechanisms,
// the chosen mechanism and the status text.
//
// The GUI thread or a cooperative thread (1 MiB stack or more). Nothing throws.
#pragma once

#include "CDeliveryWindow.h"
#include "CText.h"
#include "SecureMessenger.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// Envelope of a built message: sender and To/Cc/Bcc as header forms or bare addresses.
struct SecureEnvelopeLists {
    QString sender;
    QStringList to, cc, bcc;
};

// The addr-spec of "Name <a@b>" or "a@b"; empty when there is none fit for the envelope.
QString EnvelopeAddress(const QString& headerForm);

// The mechanism the send uses for the secure popup's value: 2 PLAIN, 3 LOGIN, 4 CRAM-MD5,
// 1 (Automatic) "NONE", others "".
std::string SecureMechanismForMenuValue(SInt16 value);

// True when the server accepted the message; otherwise errorText holds the last status.
bool SendSecureMessage(const QByteArray& source, const SecureEnvelopeLists& envelope,
                       CDeliveryWindow& window, CText& errorText);

// The server check. `address` empty: the window's "My Email". `beep` is the platform beep.
void CheckSecureServer(CDeliveryWindow& window, const QString& address, const QString& subject,
                       const QString& body, bool asHTML, bool reallySend,
                       const std::function<void()>& beep = {});
