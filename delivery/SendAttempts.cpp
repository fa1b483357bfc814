// The retry loop of one message (see SendAttempts.h).
#include "SendAttempts.h"

#include "CEnvironment.h"
#include "LException.h"
#include "LSMTPResponse.h"
#include "LThread.h"
#include "PreferenceGetters.h"
#include "SimulateRandomError.h"

#include <algorithm>

const SendAttemptTexts kSingleJobTexts = {
    "Simultate: Send One Message", "All retries failed. Giving up on this message!",
    "Brevanto received SMTP Error code 550: Relaying denied. Check authentication settings.",
    " (Check authentication settings)", ""};

const SendAttemptTexts kBatchTexts = {
    "Simultate: Internal Send Message", "Sorry, all retries failed. Giving up on this message.",
    "Brevanto received SMTP Error code 550: Relaying denied. Are you authenticating properly?",
    " (Are you authenticating properly?)", "Unknown error"};

namespace {

void Log(const char* text)
{
    if (gEnvironment)
        gEnvironment->LogLine(text);
}

bool Verbose()
{
    return gEnvironment && gEnvironment->verboseLogging;
}

bool Simulating()
{
    return gEnvironment && gEnvironment->simulate && !GetSimulateToSelf();
}

// Waits by yielding, so the window and the other threads keep running.
void WaitTicks(SInt32 ticks)
{
    if (ticks > 0)
        LThread::Delay(UInt32(ticks));
}

void Attempt(const SendAttemptTexts& texts, const std::function<bool(CText&)>& sendOnce)
{
    if (Simulating()) {
        WaitTicks(GetMessageRetriesInterval());
        Log(texts.simulation);
        SimulateRandomError();
        return;
    }
    CText error;
    if (!sendOnce(error))
        throw LSMTPResponse(std::string(kSecureSendFailedText));
}

void RecordFailure(const SendAttemptTexts& texts, SendAttemptResult& result)
{
    try {
        throw;
    } catch (const LSMTPResponse& reply) {
        result.errorCode = reply.GetResponseCode();
        result.errorText = reply.GetResponseText().c_str();
        if (result.errorCode == 550) {
            Log(texts.relayingLog);
            result.errorText.Append(texts.relayingSuffix);
        }
    } catch (const LException& error) {
        result.errorCode = error.GetErrorCode();
        result.errorText = error.GetErrorMessage().c_str();
    } catch (...) {
        result.errorCode = -1;
        result.errorText = texts.unknownText;
    }
}

} // namespace

SendAttemptResult RunSendAttempts(const SendAttemptTexts& texts, const std::function<bool(CText&)>& sendOnce,
                                  const std::function<void(SInt32 attempt)>& beforeAttempt)
{
    SendAttemptResult result;
    const SInt32 retries = std::max<SInt32>(0, GetMessageRetries());
    for (SInt32 attempt = 0; attempt <= retries; ++attempt) {
        if (beforeAttempt)
            beforeAttempt(attempt);
        try {
            Attempt(texts, sendOnce);
            result.sent = true;
            result.errorCode = 0;
            result.errorText = "None";
            return result;
        } catch (...) {
            ++result.failedAttempts;
            if (attempt < retries) {
                if (Verbose())
                    Log("Send failed. Retrying...");
                WaitTicks(GetMessageRetriesInterval() * 60);
                continue;
            }
            if (Verbose())
                Log(texts.giveUp);
            RecordFailure(texts, result);
        }
    }
    return result;
}
