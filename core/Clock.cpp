#include "Clock.h"

#include "MacDates.h"

#include <chrono>
#include <cmath>

namespace {

struct TestClock {
    bool active = false;
    double startUTC = 0;  // the clock's reading at realStart
    std::chrono::steady_clock::time_point realStart;
    double speed = 0;
};

TestClock gTestClock;

double RealSecondsSince(std::chrono::steady_clock::time_point inStart)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - inStart).count();
}

} // namespace

double Clock::NowUTC()
{
    if (!gTestClock.active)
        return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
    return gTestClock.startUTC + RealSecondsSince(gTestClock.realStart) * gTestClock.speed;
}

QDateTime Clock::NowDateTime()
{
    return QDateTime::fromMSecsSinceEpoch(qint64(std::floor(NowUTC() * 1000.0))).toLocalTime();
}

SInt64 Clock::Now()
{
    const QDateTime now = NowDateTime();
    return UnixToMacSeconds(now.toSecsSinceEpoch() + now.offsetFromUtc());
}

LDeadline Clock::DeadlineAfter(double inSeconds)
{
    if (inSeconds <= 0)
        return std::chrono::steady_clock::now();
    if (gTestClock.active && gTestClock.speed <= 0)
        return kNoDeadline;
    const double speed = gTestClock.active ? gTestClock.speed : 1.0;
    return ::DeadlineAfter(std::chrono::duration<double>(inSeconds / speed));
}

void Clock::SetForTests(const QDateTime& inStart, double inSpeed)
{
    gTestClock = {true, double(inStart.toMSecsSinceEpoch()) / 1000.0, std::chrono::steady_clock::now(), inSpeed};
}

void Clock::AdvanceForTests(double inSeconds)
{
    if (!gTestClock.active)
        SetForTests(NowDateTime(), 1.0);
    gTestClock.startUTC += inSeconds;
}

void Clock::UseSystemClock() { gTestClock = {}; }
