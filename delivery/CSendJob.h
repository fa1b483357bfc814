// CSendJob: one message or one batch handed from the send engine to the SMTP side, with the
// slots where the result of a single message is written back. Kind 0 holds one Message, kind
// 1 a list (a batch; each message gets its own delivery record instead of these slots).
// The job carries the server record, read from the window once when the job is made; nothing
// on the road reads the window's server settings again.
// The engine fills it, StartSendJob runs it on the calling send thread, and the engine reads
// the result afterwards. One thread at a time.
#pragma once

#include "CList.h"
#include "CString256.h"
#include "MacTypes.h"
#include "Message.h"
#include "SecureMessenger.h"

class CDeliveryWindow;

class CSendJob {
public:
    enum : UInt8 { kSingle = 0, kList = 1 };

    CSendJob(const Message& single, CDeliveryWindow& owner);
    CSendJob(const CList<Message>& list, CDeliveryWindow& owner);

    Message message;
    CList<Message> messages;
    UInt8 kind;
    CDeliveryWindow& window;
    SecureServer server;
    UInt8 success = 1;
    SInt32 errorCode = 0;
    CString256 errorText;
    SInt16 retryCount = 0;
};

// Runs the job's send thread body at once on the calling thread; returns when the job is done.
// Defined with the send thread.
void StartSendJob(CSendJob& job);
