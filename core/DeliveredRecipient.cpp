#include "DeliveredRecipient.h"

namespace {
constexpr char kNoError[] = "None";
}

DeliveredRecipient::DeliveredRecipient()
    : errorText(kNoError)
{
}

void DeliveredRecipient::Reset()
{
    sequence = -1;
    recipientIndex = -1;
    retries = 0;
    errorCode = 0;
    errorText.Assign(kNoError);
    succeeded = 1;
    firstName.clear();
    lastName.clear();
    emailAddress.clear();
}

int DeliveredRecipient::CompareLastNames(const DeliveredRecipient& a, const DeliveredRecipient& b)
{
    return QString::compare(a.lastName, b.lastName, Qt::CaseInsensitive);
}

void SortByLastNameDescending(CList<DeliveredRecipient>& list)
{
    list.Sort(&DeliveredRecipient::CompareLastNames);
}
