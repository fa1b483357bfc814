// SecureSend: built CMailMessages handed to the secure road — each one's source bytes as
// written, its envelope (From's address; To, Cc and Bcc, Bcc included) — with the send job's
// server record. True when the server took the message; otherwise errorText holds the last
// status. Every status text is logged as "Secure messenger: " + text. The send thread (a
// cooperative thread, 1 MiB stack or more).
#pragma once

#include "CMailMessage.h"
#include "CText.h"
#include "SecureMessenger.h"

// A batch job's road: its messages over one conversation while it lives (SecureMessageSession
// says when a new one opens). The connection closes with the object.
class SecureMailSession {
public:
    explicit SecureMailSession(const SecureServer& server);
    bool Send(CMailMessage& mail, CText& errorText);
    int ConversationsOpened() const { return mSession.ConversationsOpened(); }

private:
    SecureMessengerHooks mHooks;
    SecureMessageSession mSession;
};

// A single job's road: one message over a conversation of its own.
bool SendMailSecurely(CMailMessage& mail, const SecureServer& server, CText& errorText);

// The secure road's wait for the server's bytes on a cooperative thread (or the GUI thread):
// other threads and the window run meanwhile.
void SecureWaitOnThread(int descriptor, int milliseconds);
