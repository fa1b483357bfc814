// Clock: the program's one "now", for everything that paces or dates a mailing: throttle
// delays, the last send time, rates, elapsed time, schedules and their repeats, unique mailing
// names and report names. By default it is the system's clock. Tests set it to a moment, move
// it forward, freeze it or make it run faster; waits measured on it (DeadlineAfter) shrink with
// the speed, and a frozen clock's waits end only when the test moves it past them.
// GUI thread and cooperative threads; a test changes it only between waits.
#pragma once

#include "Events.h"
#include "MacTypes.h"

#include <QDateTime>

class Clock {
public:
    // Local seconds since 1904-01-01 00:00 (the program's date numbers).
    static SInt64 Now();
    // UTC seconds since 1970, with fractions.
    static double NowUTC();
    // The local date and time, for texts.
    static QDateTime NowDateTime();

    // The real-time deadline at which this clock will have moved inSeconds from now: shorter
    // when it runs fast, never for a frozen clock.
    static LDeadline DeadlineAfter(double inSeconds);

    // Tests: from now on the clock reads inStart and moves inSpeed seconds per real second
    // (0 freezes it).
    static void SetForTests(const QDateTime& inStart, double inSpeed = 0);
    // Tests: moves the clock forward (or back) by that many seconds.
    static void AdvanceForTests(double inSeconds);
    // Back to the system's clock.
    static void UseSystemClock();
};
