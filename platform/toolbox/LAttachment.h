// LAttachment: a behaviour added to a host (LAttachable) and run when the host executes its
// attachments for a message. It answers whether the host should still do its own handling
// (the execute-host flag). An attachment removes itself from its host when destroyed.
// GUI thread only.
#pragma once

#include "MacTypes.h"

class LAttachable;

// Messages hosts send to their attachments.
constexpr MessageT msg_AnyMessage = 0;
constexpr MessageT msg_Event = 810; // a pass of the application's loop; parameter: EventRecord*

class LAttachment {
public:
    explicit LAttachment(MessageT inMessage = msg_AnyMessage, Boolean inExecuteHost = true);
    virtual ~LAttachment();
    LAttachment(const LAttachment&) = delete;
    LAttachment& operator=(const LAttachment&) = delete;

    // Runs DoExecute when inMessage is the attachment's message (or it takes any message);
    // returns whether the host should execute.
    Boolean Execute(MessageT inMessage, void* ioParam);

    MessageT GetMessage() const { return mMessage; }
    Boolean GetExecuteHost() const { return mExecuteHost; }
    void SetExecuteHost(Boolean inExecuteHost) { mExecuteHost = inExecuteHost; }
    LAttachable* GetOwnerHost() const { return mOwnerHost; }

protected:
    virtual void DoExecute(MessageT inMessage, void* ioParam) = 0;

private:
    friend class LAttachable;
    MessageT mMessage;
    Boolean mExecuteHost;
    LAttachable* mOwnerHost = nullptr;
};
