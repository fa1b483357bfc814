// Event-loop timers: a procedure called on the main context after a first delay and then every
// interval (0: once). They fire at the passes of the application's loop (and under a modal loop
// of the main context), never inside PumpEvents, a wait or a cooperative thread; a timer whose
// time has passed several intervals fires once and is rescheduled from now. A timer may remove
// itself or others while firing. What the procedure throws is reported. GUI thread only.
// A fire time of kEventDurationForever (any negative value), or one further away than a
// century, is "never": the timer stays installed and idle until given another time.
#pragma once

#include "Events.h"
#include "MacTypes.h"

#include <vector>

class LEventLoopTimer;
using EventLoopTimerRef = LEventLoopTimer*;
using EventTimerInterval = double; // seconds
using EventLoopTimerProcPtr = void (*)(EventLoopTimerRef inTimer, void* inUserData);

constexpr EventTimerInterval kEventDurationForever = -1.0;

OSStatus InstallEventLoopTimer(EventTimerInterval inFireDelay, EventTimerInterval inInterval,
                               EventLoopTimerProcPtr inProc, void* inUserData, EventLoopTimerRef* outTimer);
OSStatus RemoveEventLoopTimer(EventLoopTimerRef inTimer);  // paramErr for an unknown timer
OSStatus SetEventLoopTimerNextFireTime(EventLoopTimerRef inTimer, EventTimerInterval inNextFire);

class LEventLoopTimer {
public:
    // Called by the loop: fires every timer that is due.
    static void FireDue();
    static LDeadline NextDue();

private:
    friend OSStatus InstallEventLoopTimer(EventTimerInterval, EventTimerInterval, EventLoopTimerProcPtr,
                                          void*, EventLoopTimerRef*);
    friend OSStatus RemoveEventLoopTimer(EventLoopTimerRef);
    friend OSStatus SetEventLoopTimerNextFireTime(EventLoopTimerRef, EventTimerInterval);

    LEventLoopTimer(EventTimerInterval inInterval, EventLoopTimerProcPtr inProc, void* inUserData);
    static bool IsInstalled(const LEventLoopTimer* inTimer);

    std::chrono::steady_clock::duration mInterval;
    EventLoopTimerProcPtr mProc;
    void* mUserData;
    LDeadline mNextFire = kNoDeadline;

    static std::vector<LEventLoopTimer*> sTimers;
};
