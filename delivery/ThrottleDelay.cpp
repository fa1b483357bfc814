#include "ThrottleDelay.h"

#include "CText.h"
#include "Clock.h"
#include "DatesAndTimes.h"
#include "LThread.h"

#include <algorithm>
#include <cmath>

SInt32 WaitThrottleDelay(SInt32 inSeconds, const UInt8& inAbort, const std::function<void(const QString&)>& inCaption)
{
    if (inSeconds <= 0)
        return 0;
    const double start = Clock::NowUTC();
    double elapsed = 0;
    while (!inAbort && elapsed < inSeconds) {
        CText left("Delaying ");
        FormatDuration(UInt32(std::ceil(inSeconds - elapsed)), left);
        inCaption(QString::fromUtf8(left.buffer, left.length));
        // Up to the next whole second of the delay, or an abort, whichever comes first.
        const double step = std::min<double>(inSeconds - elapsed, std::floor(elapsed) + 1 - elapsed);
        const double until = start + elapsed + step;
        LThread::WaitUntil([&] { return inAbort != 0 || Clock::NowUTC() >= until; }, Clock::DeadlineAfter(step));
        elapsed = Clock::NowUTC() - start;
    }
    inCaption(QString());
    return SInt32(std::min<double>(elapsed, inSeconds));
}
