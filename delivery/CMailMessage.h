// CMailMessage: the outgoing mail message of one Message — the framework's mail message with
// its own copy of the Message it was built from, and the build's failure (error code and a
// text naming the cause, such as the attachment file that could not be read). A message whose
// build failed must not be sent: its error is the delivery result, without retries.
// One thread at a time.
#pragma once

#include "CText.h"
#include "LMailMessage.h"
#include "MacTypes.h"
#include "Message.h"

class CMailMessage : public LMailMessage {
public:
    bool BuildFailed() const { return buildError != 0; }

    Message message;
    SInt32 buildError = 0;
    CText buildErrorText;
};
