// CMailMessage: the outgoing mail message of one Message — the framework's mail message with
// what the delivery record, the log and the progress need of the Message it was built from
// (not a whole copy: the bodies and parts are in the mail message already), and the build's
// failure (error code and a text naming the cause, such as the attachment file that could not
// be read). A message whose build failed must not be sent: its error is the delivery result,
// without retries. One thread at a time.
#pragma once

#include "CText.h"
#include "LMailMessage.h"
#include "MacTypes.h"
#include "Message.h"

// The Message's own fields that the send reads after the build.
struct MessageSummary {
    MessageSummary() = default;
    explicit MessageSummary(const Message& message)
        : messageNumber(message.messageNumber)
        , recipientIndex(message.recipientIndex)
        , carriedIndexes(message.carriedIndexes)
        , subjectString(message.subjectString)
        , bcc(message.bcc)
        , cc(message.cc)
    {
    }

    SInt32 messageNumber = -1;
    SInt32 recipientIndex = -1;
    std::vector<SInt32> carriedIndexes;  // the other recipients a merged batch message carries
    QString subjectString;
    CText bcc;  // as typed, for the log line
    CText cc;
};

class CMailMessage : public LMailMessage {
public:
    bool BuildFailed() const { return buildError != 0; }

    MessageSummary message;
    SInt32 buildError = 0;
    CText buildErrorText;
};
