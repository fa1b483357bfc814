#include "LAttachment.h"

#include "LAttachable.h"

LAttachment::LAttachment(MessageT inMessage, Boolean inExecuteHost)
    : mMessage(inMessage)
    , mExecuteHost(inExecuteHost)
{
}

LAttachment::~LAttachment()
{
    if (mOwnerHost)
        mOwnerHost->RemoveAttachment(this);
}

Boolean LAttachment::Execute(MessageT inMessage, void* ioParam)
{
    if (mMessage != msg_AnyMessage && mMessage != inMessage)
        return true;
    DoExecute(inMessage, ioParam);
    return mExecuteHost;
}
