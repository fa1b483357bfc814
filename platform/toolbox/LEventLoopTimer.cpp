#include "LEventLoopTimer.h"

#include "LExceptionReporter.h"
#include "LMainContext.h"
#include "ToolboxAssert.h"

#include <algorithm>

std::vector<LEventLoopTimer*> LEventLoopTimer::sTimers;

namespace {
// Beyond this a fire time is "never" (and the arithmetic stays far from overflowing).
constexpr EventTimerInterval kLongestWait = 100.0 * 365 * 24 * 3600;

std::chrono::steady_clock::duration Seconds(EventTimerInterval inSeconds)
{
    return std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(std::clamp(inSeconds, 0.0, kLongestWait)));
}

LDeadline FireTimeAfter(EventTimerInterval inDelay)
{
    if (inDelay < 0 || inDelay > kLongestWait)
        return kNoDeadline;
    return DeadlineAfter(Seconds(inDelay));
}
} // namespace

LEventLoopTimer::LEventLoopTimer(EventTimerInterval inInterval, EventLoopTimerProcPtr inProc, void* inUserData)
    : mInterval(Seconds(inInterval))
    , mProc(inProc)
    , mUserData(inUserData)
{
}

bool LEventLoopTimer::IsInstalled(const LEventLoopTimer* inTimer)
{
    return std::find(sTimers.begin(), sTimers.end(), inTimer) != sTimers.end();
}

OSStatus InstallEventLoopTimer(EventTimerInterval inFireDelay, EventTimerInterval inInterval,
                               EventLoopTimerProcPtr inProc, void* inUserData, EventLoopTimerRef* outTimer)
{
    Assert_(LMainContext::OnGuiThread());
    if (!inProc || !outTimer)
        return paramErr;
    auto* timer = new LEventLoopTimer(inInterval, inProc, inUserData);
    timer->mNextFire = FireTimeAfter(inFireDelay);
    LEventLoopTimer::sTimers.push_back(timer);
    *outTimer = timer;
    LMainContext::Get().ArmDriver(timer->mNextFire);
    return noErr;
}

OSStatus RemoveEventLoopTimer(EventLoopTimerRef inTimer)
{
    Assert_(LMainContext::OnGuiThread());
    auto found = std::find(LEventLoopTimer::sTimers.begin(), LEventLoopTimer::sTimers.end(), inTimer);
    if (found == LEventLoopTimer::sTimers.end())
        return paramErr;
    LEventLoopTimer::sTimers.erase(found);
    delete inTimer;
    return noErr;
}

OSStatus SetEventLoopTimerNextFireTime(EventLoopTimerRef inTimer, EventTimerInterval inNextFire)
{
    Assert_(LMainContext::OnGuiThread());
    if (!LEventLoopTimer::IsInstalled(inTimer))
        return paramErr;
    inTimer->mNextFire = FireTimeAfter(inNextFire);
    LMainContext::Get().ArmDriver(inTimer->mNextFire);
    return noErr;
}

void LEventLoopTimer::FireDue()
{
    const LDeadline now = std::chrono::steady_clock::now();
    std::vector<LEventLoopTimer*> due;
    for (LEventLoopTimer* timer : sTimers) {
        if (timer->mNextFire <= now)
            due.push_back(timer);
    }
    std::stable_sort(due.begin(), due.end(),
                     [](const LEventLoopTimer* a, const LEventLoopTimer* b) { return a->mNextFire < b->mNextFire; });
    for (LEventLoopTimer* timer : due) {
        if (!IsInstalled(timer) || timer->mNextFire > now)
            continue; // removed or rescheduled by an earlier one
        if (timer->mInterval.count() == 0)
            timer->mNextFire = kNoDeadline;
        else if (timer->mNextFire + timer->mInterval > now)
            timer->mNextFire += timer->mInterval;
        else
            timer->mNextFire = now + timer->mInterval;
        LExceptionReporter::CallReporting("timer", [timer] { timer->mProc(timer, timer->mUserData); });
    }
}

LDeadline LEventLoopTimer::NextDue()
{
    LDeadline next = kNoDeadline;
    for (const LEventLoopTimer* timer : sTimers)
        next = std::min(next, timer->mNextFire);
    return next;
}
