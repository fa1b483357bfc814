#include "CSendJob.h"

CSendJob::CSendJob(const Message& single, CDeliveryWindow& owner)
    : message(single)
    , kind(kSingle)
    , window(owner)
{
}

CSendJob::CSendJob(const CList<Message>& list, CDeliveryWindow& owner)
    : messages(list)
    , kind(kList)
    , window(owner)
{
}
