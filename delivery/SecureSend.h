// SecureSend: one built CMailMessage handed to the secure road — its source bytes as written,
// its envelope (From's address; To, Cc and Bcc, Bcc included) — with the send job's server
// record. The send thread and the batch sender share it. True when the server took it;
// otherwise errorText holds the last status. Every status text is logged as
// "Secure messenger: " + text. The send thread (a cooperative thread, 1 MiB stack or more).
#pragma once

#include "CMailMessage.h"
#include "CText.h"
#include "SecureMessenger.h"

bool SendMailSecurely(CMailMessage& mail, const SecureServer& server, CText& errorText);

// The secure road's wait for the server's bytes on a cooperative thread (or the GUI thread):
// other threads and the window run meanwhile.
void SecureWaitOnThread(int descriptor, int milliseconds);
