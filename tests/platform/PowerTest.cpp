// Power with a fake sysfs tree and a missing system bus: never the real RTC or logind.
#include "Power.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

TEST(Power, WakeAlarmGetsTheTimeWhenWritable)
{
    QTemporaryDir sysfs;
    QDir(sysfs.path()).mkpath("class/rtc/rtc0");
    const QString alarm = sysfs.path() + "/class/rtc/rtc0/wakealarm";
    QFile(alarm).open(QIODevice::WriteOnly);
    Power::SetSysfsRoot(sysfs.path());
    QString reason = "unset";
    EXPECT_TRUE(Power::ScheduleWake(1767225600, &reason));
    EXPECT_TRUE(reason.isEmpty());
    QFile file(alarm);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "1767225600");

    QFile::remove(alarm);
    EXPECT_FALSE(Power::ScheduleWake(1767225600, &reason));
    EXPECT_EQ(reason, "not available");
    Power::SetSysfsRoot({});
}

TEST(Power, NoSystemBusIsNotAvailable)
{
    Power::SetSystemBusAddress("unix:path=/nonexistent/brevanto-test-bus");
    QString reason;
    EXPECT_FALSE(Power::CanSleep(&reason));
    EXPECT_EQ(reason, "not available");
    reason.clear();
    EXPECT_FALSE(Power::SleepNow(&reason));
    EXPECT_EQ(reason, "not available");
    Power::SetSystemBusAddress({});
}
