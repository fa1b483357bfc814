#include "CTimeThread.h"

#include "Clock.h"
#include "ControlValues.h"
#include "DatesAndTimes.h"

void* CTimeThread::Run()
{
    const SInt64 start = Clock::Now();
    SInt64 shown = -1;
    try {
        for (;;) {
            const SInt64 now = Clock::Now();
            if (now != shown) {
                shown = now;
                CText text;
                FormatDuration(UInt32(std::max<SInt64>(0, now - start)), text);
                SetControlTitleWithCFString(mCaption, QString::fromUtf8(text.buffer ? text.buffer : "", text.length));
            }
            // Until the clock's next second, or a stop.
            const double untilNext = 1.0 - (Clock::NowUTC() - std::floor(Clock::NowUTC()));
            LThread::WaitUntil([this, now] { return IsStopRequested() || Clock::Now() != now; },
                               Clock::DeadlineAfter(std::max(0.01, untilNext)));
            CheckStop();
        }
    } catch (const CStopException&) {
    }
    return nullptr;
}
