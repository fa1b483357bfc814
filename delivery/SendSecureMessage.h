// The mailing window's side of the secure road.
//
// ReadServerRecord reads the server record from the window's Server Settings once: server,
// port (and the TLS mode its number means), user, password, the secure mechanism popup and the
// "accept any certificate" choice, with the time-out given.
//
// CheckSecureServer runs the server check (the SSMTP class) against the window's settings and
// writes its results into the window: check-done, check-succeeded, the detected mechanisms,
// the chosen mechanism and the status text.
//
// The GUI thread or a cooperative thread (1 MiB stack or more). Nothing throws.
#pragma once

#include "CDeliveryWindow.h"
#include "SecureMessenger.h"

#include <QString>

#include <functional>

// The secure popup's value: 2 PLAIN, 3 LOGIN, 4 CRAM-MD5; 1 (Automatic) and others automatic.
ESecureMechanism SecureMechanismForMenuValue(SInt16 value);

// The window's server record; the time-out is the caller's ("Network Timeout" for a send).
SecureServer ReadServerRecord(const CDeliveryWindow& window, int timeoutSeconds);
// The record of a send job: the time-out from "Network Timeout".
SecureServer ReadSendServerRecord(const CDeliveryWindow& window);

// The server check. `address` empty: the window's "My Email". `beep` is the platform beep.
// `limitMilliseconds` (0: none) ends the check however active the server stays, so a caller
// that stops waiting for it also gets its thread back.
void CheckSecureServer(CDeliveryWindow& window, const QString& address, const QString& subject,
                       const QString& body, bool asHTML, bool reallySend,
                       const std::function<void()>& beep = {}, int limitMilliseconds = 0);
