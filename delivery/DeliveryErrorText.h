// The text of a failed delivery for its record and the log: the job's own text, or for an empty
// one the text of its code — 0x10000066 and 0x10000067 "Server disconnected.", 0x10000065
// "Connection was aborted.", 0x10000064 "Connection timed out.", any other "No available error
// message." — always followed by " (Error code = <code>)" (a long text is cut, on a character
// boundary, to keep it). Control characters become blanks. Stateless; any thread.
#pragma once

#include "CString256.h"
#include "MacTypes.h"

// The text for a code alone, without the code suffix.
const char* ErrorMessageForCode(SInt32 code);
// Completes a record's error text as above.
void CompleteDeliveryErrorText(SInt32 code, CString256& text);
