// Power: sleeping and waking the computer where the system lets this user do it. Sleep is
// offered when logind (org.freedesktop.login1 on the system bus) answers CanSuspend "yes",
// and done with Suspend(false). A wake-up is scheduled by writing the RTC's wakealarm
// (<sysfs>/class/rtc/rtc0/wakealarm) when this user may write it. Without the system bus or
// the alarm the answer is false with the reason "not available".
// The sysfs root and the bus address are replaceable (tests never touch the real RTC).
// GUI thread or cooperative threads (bus calls wait up to 5 s).
#pragma once

#include <QString>

#include <cstdint>

class Power {
public:
    static bool CanSleep(QString* reason = nullptr);
    static bool SleepNow(QString* reason = nullptr);
    // Schedules a wake-up at `utcSeconds` (since 1970); false when it cannot.
    static bool ScheduleWake(int64_t utcSeconds, QString* reason = nullptr);

    // "/sys" by default.
    static void SetSysfsRoot(const QString& root);
    // A D-Bus address to use as the system bus; empty: the system bus.
    static void SetSystemBusAddress(const QString& address);
};
