// The event record handed to attachments with message 810, the tick clock (1/60 s since the
// process started, monotonic) and deadlines on the same clock. Any thread may read the clock.
#pragma once

#include "MacTypes.h"

#include <chrono>

// What a pass of the application's loop was about.
enum : UInt16 {
    nullEvent = 0, // the pass delivered no event: idle time
    osEvt = 15,    // the pass delivered one or more events (which were already dispatched)
};

struct EventRecord {
    UInt16 what = nullEvent;
    UInt32 when = 0; // TickCount() at the end of the pass's event delivery
};

// Ticks (1/60 s) since the process started; monotonic, wraps after about 2.2 years.
UInt32 TickCount();

// Deadlines of timers and waits: points of the monotonic clock.
using LDeadline = std::chrono::steady_clock::time_point;
using LTicks = std::chrono::duration<int64_t, std::ratio<1, 60>>;

constexpr LDeadline kNoDeadline = LDeadline::max();

template <class Rep, class Period>
LDeadline DeadlineAfter(std::chrono::duration<Rep, Period> inDelay)
{
    return std::chrono::steady_clock::now() + std::chrono::ceil<std::chrono::steady_clock::duration>(inDelay);
}
