// The program's clock: a test sets, moves, freezes and speeds it, and waits follow it.
#include "Clock.h"
#include "MacDates.h"

#include <gtest/gtest.h>

#include <QTimeZone>

#include <chrono>

class ClockTest : public ::testing::Test {
protected:
    void TearDown() override { Clock::UseSystemClock(); }
};

TEST_F(ClockTest, ReadsTheMomentATestSetsInEveryForm)
{
    const QDateTime start(QDate(2041, 3, 5), QTime(10, 20, 30), Qt::UTC);
    Clock::SetForTests(start);
    EXPECT_DOUBLE_EQ(Clock::NowUTC(), double(start.toSecsSinceEpoch()));
    EXPECT_EQ(Clock::NowDateTime(), start);
    // 64-bit local seconds since 1904: past 2040, where 32 bits end.
    const QDateTime local = start.toLocalTime();
    EXPECT_EQ(Clock::Now(), UnixToMacSeconds(start.toSecsSinceEpoch() + local.offsetFromUtc()));
    EXPECT_GT(Clock::Now(), SInt64(UINT32_MAX));

    Clock::AdvanceForTests(90);
    EXPECT_EQ(Clock::NowDateTime(), start.addSecs(90));
}

TEST_F(ClockTest, WaitsShrinkWithTheSpeedAndAFrozenClockNeverEndsThem)
{
    const auto real = std::chrono::steady_clock::now();
    Clock::UseSystemClock();
    EXPECT_GE(Clock::DeadlineAfter(10) - real, std::chrono::seconds(10));

    Clock::SetForTests(QDateTime::currentDateTimeUtc(), 100);
    const auto fast = Clock::DeadlineAfter(10) - std::chrono::steady_clock::now();
    EXPECT_LE(fast, std::chrono::milliseconds(110));
    EXPECT_GE(fast, std::chrono::milliseconds(90));

    Clock::SetForTests(QDateTime::currentDateTimeUtc(), 0);
    EXPECT_EQ(Clock::DeadlineAfter(10), kNoDeadline);
    const auto atOnce = Clock::DeadlineAfter(0);
    EXPECT_LE(atOnce, std::chrono::steady_clock::now());
}
