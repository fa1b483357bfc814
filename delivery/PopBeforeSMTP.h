// PopBeforeSMTP: the POP log-in some servers want before they relay (the window's
// authentication type 4, POP USER/PASS, or 5, APOP). It logs in to the mail-server host with
// the send's user name and password at most once per "Mail Server Pop Period" minutes for each
// server and user, on the port of the resource "PopPort" (the field before ":"; 110 when
// absent). Log lines "POP authenticating...", "POP authentication okay." and "An error
// occurred during POP authentication. Please check your settings." ("APOP" for APOP).
// Failures are logged and ignored: the send goes on. USER/PASS sends the password in clear.
// The send thread only (the POP client yields).
#pragma once

#include "MacTypes.h"

#include <QString>

class CDeliveryWindow;

inline constexpr SInt16 kPopAuthentication = 4;
inline constexpr SInt16 kAPopAuthentication = 5;

// Runs the log-in when the window asks for it and the period has passed; true when it logged in.
bool RunPopBeforeSMTP(CDeliveryWindow& window);

// The POP port: the "PopPort" resource's first field, else 110; tests may set their own
// (0 returns to the resource).
UInt16 PopBeforeSMTPPort();
void SetPopBeforeSMTPPort(UInt16 port);
// Forgets when each server was last logged in to (tests).
void ForgetPopBeforeSMTPLogins();
