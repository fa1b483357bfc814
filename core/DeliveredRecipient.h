// DeliveredRecipient: the result of sending to one recipient — which delivery of the mailing it
// was, which recipient, whether it succeeded, the error code and text, the retries it took, and
// the recipient's first name, last name and e-mail address.
//
// A plain value: every copy owns its own three strings (a copy never shares text with its
// source). A mailing window keeps one current record, resets and fills it per recipient and
// appends copies to its CList<DeliveredRecipient>; the report sorts a copy of that list by last
// name, Z to A. One thread at a time per record; nothing fails.
#pragma once

#include "CList.h"
#include "CString256.h"
#include "MacTypes.h"

#include <QString>

struct DeliveredRecipient {
    DeliveredRecipient();

    // Back to the defaults in place; the three strings are emptied, retries becomes 0.
    void Reset();

    // < 0, 0, > 0 as a's last name orders before, with or after b's, ignoring case.
    static int CompareLastNames(const DeliveredRecipient& a, const DeliveredRecipient& b);

    SInt32 sequence = -1;        // 0-based number of this delivery in the mailing; -1 until set
    SInt32 recipientIndex = -1;  // 0-based index in the mailing's recipient list; -1 until set
    UInt16 retries = 0;
    SInt32 errorCode = 0;
    CString256 errorText;        // "None" until set and on success
    UInt8 succeeded = 1;
    QString firstName;
    QString lastName;
    QString emailAddress;
};

// Orders the records by last name, Z to A, ignoring case (not stable).
void SortByLastNameDescending(CList<DeliveredRecipient>& list);
