// SendAttempts: the retry loop of one message, shared by the single-message job and the batch.
// It makes one attempt at least (a negative "Message Retries" counts as 0), waits by yielding
// between attempts ("Message Retries Interval" seconds; in simulation that many ticks before
// each simulated send), and turns the last failure into a code and a text:
//   an SMTP reply → its code and text, 550 with its log line and suffix;
//   a framework error (LException) → its code and text;
//   anything else → -1 (and the batch's "Unknown error").
// Log texts differ between the single job and the batch; the caller passes them.
// The send thread only; nothing leaves it.
#pragma once

#include "CString256.h"
#include "CText.h"
#include "MacTypes.h"

#include <functional>

struct SendAttemptTexts {
    const char* simulation;      // "Simultate: ..." line before each simulated send
    const char* giveUp;          // verbose line after the last failed attempt
    const char* relayingLog;     // log line for a 550
    const char* relayingSuffix;  // appended to the 550 text
    const char* unknownText;     // text for an error of no known kind (may be empty)
};

extern const SendAttemptTexts kSingleJobTexts;
extern const SendAttemptTexts kBatchTexts;

struct SendAttemptResult {
    bool sent = false;
    SInt32 errorCode = 0;
    CString256 errorText;
    SInt32 failedAttempts = 0;
};

// `sendOnce` sends for real: true when the server took the message; on false it fills the
// error text (the secure road's last status). Simulation (the environment's switch with
// "Simulate To Self" off) never calls it.
SendAttemptResult RunSendAttempts(const SendAttemptTexts& texts, const std::function<bool(CText&)>& sendOnce,
                                  const std::function<void(SInt32 attempt)>& beforeAttempt = {});

// The failure of a secure send as the retry loop sees it.
inline constexpr SInt32 kSecureSendFailedCode = 33;
inline constexpr char kSecureSendFailedText[] = "33 Sending secure message failed; see the log for more information";
