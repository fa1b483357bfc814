#include "CTimeThread.h"

#include "Clock.h"
#include "ControlValues.h"
#include "DatesAndTimes.h"

#include <algorithm>
#include <cmath>

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
            // Until the clock's next second, or a stop. The wait asks its condition at every tick,
            // so the condition reads the clock in UTC: the local time costs a time-zone lookup (a
            // file status call) each time, a fifth of the work of a mailing waiting in its throttle.
            const double second = std::floor(Clock::NowUTC());
            LThread::WaitUntil([this, second] { return IsStopRequested() || std::floor(Clock::NowUTC()) != second; },
                               Clock::DeadlineAfter(std::max(0.01, second + 1 - Clock::NowUTC())));
            CheckStop();
        }
    } catch (const CStopException&) {
    }
    return nullptr;
}
