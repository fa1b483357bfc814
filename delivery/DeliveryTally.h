// DeliveryTally: the failures of one run: how many, whether the last address failed, and the
// run of consecutive failures that aborts the mailing when it reaches the limit ("Consecutive
// Errors"; 0 never aborts). A success ends the run of failures. One send thread.
#pragma once

#include "MacTypes.h"

class DeliveryTally {
public:
    explicit DeliveryTally(SInt32 inConsecutiveLimit) : mLimit(inConsecutiveLimit) {}

    // Counts one address's result; true when this failure reaches the limit (abort now).
    bool Record(bool inSent);

    SInt32 ErrorCount() const { return mErrors; }
    bool ErrorsOccurred() const { return mErrors > 0; }
    bool LastFailed() const { return mLastFailed; }

private:
    SInt32 mLimit;
    SInt32 mErrors = 0;
    SInt32 mConsecutive = 0;
    bool mLastFailed = false;
};
