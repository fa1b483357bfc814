// A send job (see CSendJob.h).
#include "CSendJob.h"

#include "SendSecureMessage.h"

CSendJob::CSendJob(const Message& single, CDeliveryWindow& owner)
    : message(single)
    , kind(kSingle)
    , window(owner)
    , server(ReadSendServerRecord(owner))
{
}

CSendJob::CSendJob(const CList<Message>& list, CDeliveryWindow& owner)
    : messages(list)
    , kind(kList)
    , window(owner)
    , server(ReadSendServerRecord(owner))
{
}
