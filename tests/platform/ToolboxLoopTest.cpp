// The application's loop: 810 attachments on every pass, idlers on idle passes only, timers
// and queued calls on the main context, exceptions reported without ending the loop.
#include "ToolboxTestSupport.h"

#include "LApplication.h"
#include "LAttachment.h"
#include "LEventLoopTimer.h"
#include "LException.h"
#include "LPeriodical.h"
#include "RunOnMainContext.h"
#include "ToolboxCommands.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <atomic>
#include <chrono>
#include <thread>

namespace {
std::vector<std::string> gLog;

class RecordingAttachment : public LAttachment {
public:
    RecordingAttachment(std::string inName, MessageT inMessage = msg_Event, Boolean inExecuteHost = true)
        : LAttachment(inMessage, inExecuteHost)
        , mName(std::move(inName))
    {
    }
    std::function<void()> onExecute;

protected:
    void DoExecute(MessageT, void* ioParam) override
    {
        const auto* event = static_cast<const EventRecord*>(ioParam);
        gLog.push_back(mName + (event->what == nullEvent ? ":null" : ":event"));
        if (onExecute)
            onExecute();
    }

private:
    std::string mName;
};

class RecordingPeriodical : public LPeriodical {
public:
    explicit RecordingPeriodical(std::string inName)
        : mName(std::move(inName))
    {
    }
    std::function<void()> onSpendTime;
    void SpendTime(const EventRecord&) override
    {
        gLog.push_back(mName);
        if (onSpendTime)
            onSpendTime();
    }

private:
    std::string mName;
};

class LoopTest : public ::testing::Test {
protected:
    void SetUp() override { gLog.clear(); }
    LApplication mApp;
};

void PostPlainEvent(QObject* inReceiver) { QCoreApplication::postEvent(inReceiver, new QEvent(QEvent::User)); }
} // namespace

TEST_F(LoopTest, AttachmentsSeeEveryPassInOrderAndIdlePassesAsNullEvents)
{
    auto* first = new RecordingAttachment("first");
    auto* second = new RecordingAttachment("second");
    auto* other = new RecordingAttachment("other", 'othr');
    mApp.AddAttachment(first);
    mApp.AddAttachment(other);
    mApp.AddAttachment(second);
    auto* before = new RecordingAttachment("before");
    mApp.AddAttachment(before, first);

    mApp.ProcessNextEvent();
    QObject receiver;
    PostPlainEvent(&receiver);
    mApp.ProcessNextEvent();

    EXPECT_EQ(gLog, (std::vector<std::string>{"before:null", "first:null", "second:null",
                                              "before:event", "first:event", "second:event"}));
    delete other; // leaves its host
    EXPECT_EQ(mApp.CountAttachments(), 3u);
}

TEST_F(LoopTest, IdlersRunOnlyOnIdlePassesRepeatersOnEvery)
{
    RecordingPeriodical idler("idler");
    RecordingPeriodical repeater("repeater");
    idler.StartIdling();
    repeater.StartRepeating();

    QObject receiver;
    PostPlainEvent(&receiver);
    mApp.ProcessNextEvent();
    EXPECT_EQ(gLog, std::vector<std::string>{"repeater"});

    gLog.clear();
    mApp.ProcessNextEvent();
    EXPECT_EQ(gLog, (std::vector<std::string>{"repeater", "idler"}));

    gLog.clear();
    mApp.AddAttachment(new RecordingAttachment("host-off", msg_Event, false));
    mApp.ProcessNextEvent();
    EXPECT_EQ(gLog, (std::vector<std::string>{"host-off:null", "repeater"})) << "execute-host false skips idlers";
}

TEST_F(LoopTest, PeriodicalStoppedDuringItsCallIsNotCalledAgain)
{
    RecordingPeriodical a("a");
    RecordingPeriodical b("b");
    RecordingPeriodical late("late");
    a.onSpendTime = [&] {
        b.StopRepeating();
        a.StopRepeating();
        late.StartRepeating();
    };
    a.StartRepeating();
    b.StartRepeating();
    mApp.ProcessNextEvent();
    EXPECT_EQ(gLog, std::vector<std::string>{"a"});
    gLog.clear();
    mApp.ProcessNextEvent();
    EXPECT_EQ(gLog, std::vector<std::string>{"late"});
}

namespace {
void ThrowingTimer(EventLoopTimerRef, void*) { throw LException('tim!'); }
void CountingTimer(EventLoopTimerRef, void* inCount) { ++*static_cast<int*>(inCount); }
} // namespace

TEST_F(LoopTest, ExceptionsFromAttachmentTimerSlotAndPeriodicalAreReportedAndTheLoopGoesOn)
{
    CollectedReports reports;
    auto* thrower = new RecordingAttachment("thrower");
    thrower->onExecute = [] { throw LException('att!', "attachment failed"); };
    mApp.AddAttachment(thrower);
    mApp.AddAttachment(new RecordingAttachment("after"));
    RecordingPeriodical periodical("periodical");
    periodical.onSpendTime = [] { throw std::runtime_error("periodical failed"); };
    periodical.StartRepeating();
    EventLoopTimerRef timer = nullptr;
    ASSERT_EQ(InstallEventLoopTimer(0, 0, ThrowingTimer, nullptr, &timer), noErr);
    QObject receiver;
    QMetaObject::invokeMethod(&receiver, [] { throw LException('slt!'); }, Qt::QueuedConnection);

    mApp.ProcessNextEvent();
    mApp.ProcessNextEvent();

    const auto& seen = reports.Reports();
    auto reported = [&](const std::string& inText) {
        return std::any_of(seen.begin(), seen.end(), [&](const std::string& r) { return r.find(inText) != std::string::npos; });
    };
    EXPECT_TRUE(reported("'att!'")) << ::testing::PrintToString(seen);
    EXPECT_TRUE(reported("attachment failed"));
    EXPECT_TRUE(reported("timer: LException 'tim!'"));
    EXPECT_TRUE(reported("'slt!'"));
    EXPECT_TRUE(reported("periodical failed"));
    EXPECT_EQ(std::count(gLog.begin(), gLog.end(), "after:null") + std::count(gLog.begin(), gLog.end(), "after:event"), 2);
    RemoveEventLoopTimer(timer);
}

TEST_F(LoopTest, TimersFireOnTheirScheduleAndMayRemoveThemselves)
{
    int once = 0;
    int repeating = 0;
    EventLoopTimerRef oneShot = nullptr;
    EventLoopTimerRef repeat = nullptr;
    ASSERT_EQ(InstallEventLoopTimer(0, 0, CountingTimer, &once, &oneShot), noErr);
    ASSERT_EQ(InstallEventLoopTimer(0, 0.02, CountingTimer, &repeating, &repeat), noErr);
    const LDeadline end = DeadlineAfter(std::chrono::milliseconds(300));
    while (std::chrono::steady_clock::now() < end)
        mApp.ProcessNextEvent();
    EXPECT_EQ(once, 1);
    EXPECT_GE(repeating, 3);
    EXPECT_EQ(RemoveEventLoopTimer(repeat), noErr);
    EXPECT_EQ(RemoveEventLoopTimer(oneShot), noErr);
    EXPECT_EQ(RemoveEventLoopTimer(oneShot), paramErr);

    struct SelfRemoving {
        int fired = 0;
        static void Fire(EventLoopTimerRef inTimer, void* inSelf)
        {
            ++static_cast<SelfRemoving*>(inSelf)->fired;
            RemoveEventLoopTimer(inTimer);
        }
    } selfRemoving;
    EventLoopTimerRef removing = nullptr;
    InstallEventLoopTimer(0, 0.001, SelfRemoving::Fire, &selfRemoving, &removing);
    for (int i = 0; i < 5; ++i)
        mApp.ProcessNextEvent();
    EXPECT_EQ(selfRemoving.fired, 1);
}

// "Never" (negative, or too far to count) keeps a timer idle until it gets a real time.
TEST_F(LoopTest, ATimerSetToNeverWaitsUntilRearmed)
{
    for (const EventTimerInterval never : {kEventDurationForever, 1e12, 1e300}) {
        int fired = 0;
        EventLoopTimerRef idle = nullptr;
        EventLoopTimerRef timer = nullptr;
        ASSERT_EQ(InstallEventLoopTimer(never, 0, CountingTimer, &fired, &idle), noErr);
        ASSERT_EQ(InstallEventLoopTimer(0, never, CountingTimer, &fired, &timer), noErr);
        for (int i = 0; i < 5; ++i)
            mApp.ProcessNextEvent();
        EXPECT_EQ(fired, 1) << never; // the second one, once: its huge interval is never
        EXPECT_EQ(SetEventLoopTimerNextFireTime(timer, never), noErr);
        EXPECT_EQ(SetEventLoopTimerNextFireTime(timer, 0), noErr);
        for (int i = 0; i < 5; ++i)
            mApp.ProcessNextEvent();
        EXPECT_EQ(fired, 2) << never;
        RemoveEventLoopTimer(timer);
        RemoveEventLoopTimer(idle);
    }
}

TEST_F(LoopTest, RunOnMainContextFromAnOSThreadRunsAtTheNextPassOnTheGuiThread)
{
    std::thread::id ranOn;
    bool ran = false;
    std::thread worker([&] {
        RunOnMainContext([&] {
            ranOn = std::this_thread::get_id();
            ran = true;
        });
    });
    worker.join();
    EXPECT_FALSE(ran);
    mApp.ProcessNextEvent();
    EXPECT_TRUE(ran);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

// A pass waits for events; a call queued meanwhile from an OS thread runs in the first pass
// that starts after it was queued, or in the waiting one. The deadline only keeps a lost call
// from hanging the test.
TEST_F(LoopTest, QueuedCallWakesABlockedPass)
{
    bool ran = false;
    std::atomic<bool> queued = false;
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        RunOnMainContext([&] { ran = true; });
        queued = true;
    });
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int passesAfterQueued = 0;
    while (!ran && std::chrono::steady_clock::now() < giveUp) {
        const bool wasQueued = queued;
        mApp.ProcessNextEvent();
        passesAfterQueued += wasQueued ? 1 : 0;
    }
    worker.join();
    ASSERT_TRUE(ran) << "the queued call never ran";
    EXPECT_LE(passesAfterQueued, 1);
}
