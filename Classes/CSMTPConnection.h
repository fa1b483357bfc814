// CSMTPConnection: the send thread's connection object. It carries the window and the send
// job's server record, and sends a batch: SendMessages walks the built messages in order,
// each through the secure road to that server with retries, all over one conversation while
// it lives (a failure that ends it opens a new one for what follows), and records
// one delivery result per message (and RecordRecipientResult for every recipient the message
// carries), keeping the window's progress, rate, auto-save and pause going. It broadcasts 612
// (ioParam: the subject, a const QString*) before each message and 606/607 after it.
// The framework's own conversation (LSMTPConnection) is not run here.
// The send thread only; failures end up in the delivery records, never thrown.
#pragma once

#include "CMailMessage.h"
#include "LSMTPConnection.h"
#include "SecureMessenger.h"

#include <vector>

class CDeliveryWindow;
class SecureMailSession;

class CSMTPConnection : public LSMTPConnection {
public:
    CSMTPConnection(CDeliveryWindow& window, const SecureServer& server);

    // A null list raises LException(paramErr).
    void SendMessages(const std::vector<CMailMessage*>* list);

private:
    void SendOne(CMailMessage& mail, SecureMailSession& session);

    CDeliveryWindow& mWindow;
    const SecureServer& mServer;
};
