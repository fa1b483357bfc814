// Pacing and counting of a run: the throttle delay on the program's clock, the consecutive
// failures that abort, and the rate caption.
#include "Clock.h"
#include "DeliveryTally.h"
#include "LMainContext.h"
#include "SendRates.h"
#include "ThrottleDelay.h"

#include <gtest/gtest.h>

#include <QStringList>

class ThrottleDelayTest : public ::testing::Test {
protected:
    void SetUp() override { LMainContext::Get(); }
    void TearDown() override { Clock::UseSystemClock(); }
};

TEST_F(ThrottleDelayTest, WaitsTheDelayOnTheClockCountingDownEachSecond)
{
    Clock::SetForTests(QDateTime::currentDateTimeUtc(), 200); // 5 virtual seconds in 25 ms
    QStringList captions;
    const UInt8 abort = 0;
    const double start = Clock::NowUTC();
    EXPECT_EQ(WaitThrottleDelay(5, abort, [&](const QString& inText) { captions << inText; }), 5);
    EXPECT_GE(Clock::NowUTC() - start, 5.0);
    ASSERT_FALSE(captions.isEmpty());
    EXPECT_EQ(captions.first(), "Delaying 5 secs ");
    EXPECT_TRUE(captions.contains("Delaying 1 sec "));
    EXPECT_EQ(captions.last(), "");
    EXPECT_EQ(WaitThrottleDelay(0, abort, [&](const QString&) { ADD_FAILURE() << "no caption without delay"; }), 0);
}

TEST_F(ThrottleDelayTest, AnAbortEndsTheDelayAtOnce)
{
    Clock::SetForTests(QDateTime::currentDateTimeUtc(), 0); // a frozen clock never ends it alone
    UInt8 abort = 0;
    EXPECT_EQ(WaitThrottleDelay(3600, abort, [&](const QString&) { abort = 1; }), 0);
}

TEST(DeliveryTally, ConsecutiveFailuresAbortAtTheLimitAndASuccessStartsAgain)
{
    const struct {
        SInt32 limit;
        const char* results; // s sent, f failed
        int abortAt;         // 1-based result that aborts; 0 none
        SInt32 errors;
    } cases[] = {
        {3, "fff", 3, 3},
        {3, "ffsff", 0, 4},
        {3, "ffsfff", 6, 5},
        {0, "ffffffff", 0, 8},
        {1, "sf", 2, 1},
    };
    for (const auto& one : cases) {
        DeliveryTally tally(one.limit);
        int abortAt = 0;
        for (int i = 0; one.results[i]; ++i) {
            if (tally.Record(one.results[i] == 's') && abortAt == 0)
                abortAt = i + 1;
        }
        EXPECT_EQ(abortAt, one.abortAt) << one.results;
        EXPECT_EQ(tally.ErrorCount(), one.errors) << one.results;
    }
}

TEST(SendRates, MeanRecentAndRemainingInFloatingPoint)
{
    SendRates rates;
    EXPECT_EQ(rates.Text(), "");
    rates.AddMessage(2, 1, 3, 0);
    rates.AddMessage(3, 2, 3, 10);
    // sum 5 over 2 of 3: 3 / 2 x 5 - 5 = 2.5 seconds of sending and one 10-s delay left.
    EXPECT_DOUBLE_EQ(rates.MeanSeconds(), 2.5);
    EXPECT_DOUBLE_EQ(rates.RemainingSeconds(), 12.5);
    EXPECT_EQ(rates.Text(), "2.5 secs/msg (12 secs remaining)");

    SendRates recent;
    for (int i = 1; i <= 12; ++i)
        recent.AddMessage(i, i, 12, 0);
    EXPECT_DOUBLE_EQ(recent.RecentSeconds(), 7.5); // 3..12
    EXPECT_EQ(recent.Text(), "7.5 secs/msg");

    SendRates batch;
    batch.AddBatchMessage(4, 1, 51, 60, 25);
    EXPECT_DOUBLE_EQ(batch.RemainingSeconds(), 4 * 50 + 60 * 2);
}
