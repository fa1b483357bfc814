#include "DeliveryTally.h"

bool DeliveryTally::Record(bool inSent)
{
    if (inSent) {
        mLastFailed = false;
        return false;
    }
    ++mErrors;
    mConsecutive = mLastFailed ? mConsecutive + 1 : 1;
    mLastFailed = true;
    return mLimit >= 1 && mConsecutive == mLimit;
}
