// The cooperative threads' contract: rounds and their order, life and deletion, inline runs,
// exception state per thread, nested event loops, PumpEvents, Delay, descriptor and condition
// waits, and OS threads kept out.
#include "ToolboxTestSupport.h"

#include "LApplication.h"
#include "LEventLoopTimer.h"
#include "LException.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace {
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class ThreadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LMainContext::Get();
        mStacksBefore = LThread::CountLiveStacks();
    }
    void TearDown() override
    {
        EXPECT_TRUE(AllThreadsEnded());
        EXPECT_EQ(LThread::CountLiveStacks(), mStacksBefore);
    }
    size_t mStacksBefore = 0;
};

std::string CurrentExceptionText()
{
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    }
}
} // namespace

TEST_F(ThreadTest, EachMainContextYieldRunsOneRoundInTheOrderThreadsBecameReady)
{
    std::string log;
    for (char name : {'A', 'B', 'C'}) {
        StartThread([&log, name] {
            for (int i = 0; i < 3; ++i) {
                log += name;
                LThread::Yield();
            }
        });
    }
    EXPECT_EQ(log, "") << "Resume never runs a thread at once";
    std::vector<std::string> afterEachRound;
    for (int round = 0; round < 3; ++round) {
        LThread::Yield();
        afterEachRound.push_back(log);
    }
    EXPECT_EQ(afterEachRound, (std::vector<std::string>{"ABC", "ABCABC", "ABCABCABC"}));
}

TEST_F(ThreadTest, AThreadResumedFromAThreadRunsInTheNextRound)
{
    int round = 0;
    std::vector<std::string> log;
    auto* later = new LambdaThread([&] { log.push_back("B@" + std::to_string(round)); });
    StartThread([&] {
        log.push_back("A@" + std::to_string(round));
        later->Resume();
        LThread::Yield();
        log.push_back("A@" + std::to_string(round));
    });
    for (round = 1; round <= 3; ++round)
        LThread::Yield();
    // B became ready (during round 1) before A yielded: B goes first in round 2.
    EXPECT_EQ(log, (std::vector<std::string>{"A@1", "B@2", "A@2"}));
}

TEST_F(ThreadTest, EndingByReturnOrExceptionDeletesOnTheMainContextAndFreesTheStack)
{
    CollectedReports reports;
    std::vector<bool> deletedOnMain;
    auto onDelete = [&] { deletedOnMain.push_back(LThread::InMainContext()); };
    StartThread([] {}, onDelete);
    StartThread([] { LThread::Yield(); throw std::runtime_error("broken thread"); }, onDelete);
    StartThread([] { throw LException(-1, "stopped"); }, onDelete);
    LThread::Yield();
    EXPECT_GT(LThread::CountLiveStacks(), mStacksBefore);
    ASSERT_TRUE(AllThreadsEnded());
    EXPECT_EQ(deletedOnMain, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(LThread::CountLiveStacks(), mStacksBefore);
    ASSERT_EQ(reports.Reports().size(), 1u) << "an LException ends a thread quietly";
    EXPECT_NE(reports.Reports()[0].find("broken thread"), std::string::npos);
}

TEST_F(ThreadTest, NeverRunThreadMayBeDeletedOrRunInlineOnAnotherThreadsStack)
{
    bool ran = false;
    auto* readyButDeleted = new LambdaThread([&] { ran = true; });
    readyButDeleted->Resume();
    delete readyButDeleted;
    LThread::Yield();
    EXPECT_FALSE(ran);

    std::string log;
    StartThread([&] {
        log += "o1 ";
        LambdaThread inner([&] {
            log += "i ";
            LThread::Yield();
            log += "i ";
            LThread::Yield();
        });
        inner.Run(); // its yields suspend this thread
        log += "o2 ";
    });
    StartThread([&] {
        for (int i = 0; i < 3; ++i) {
            log += "x ";
            LThread::Yield();
        }
    });
    ASSERT_TRUE(AllThreadsEnded());
    EXPECT_EQ(log, "o1 i x i x o2 x ");
}

TEST_F(ThreadTest, YieldingInsideCatchHandlersEachSeesItsOwnException)
{
    std::vector<std::string> seen;
    StartThread([&] {
        try {
            throw std::runtime_error("A");
        } catch (...) {
            LThread::Yield();
            LThread::Yield();
            seen.push_back("A sees " + CurrentExceptionText());
        }
    });
    StartThread([&] {
        try {
            throw std::logic_error("B");
        } catch (...) {
            LThread::Yield();
            try {
                throw std::runtime_error("B2"); // as a stop check throwing inside a handler
            } catch (...) {
                LThread::Yield();
                seen.push_back("B sees " + CurrentExceptionText());
            }
            seen.push_back("B sees " + CurrentExceptionText());
        }
    });
    StartThread([&] {
        struct YieldWhileUnwinding {
            std::vector<std::string>& seen;
            ~YieldWhileUnwinding()
            {
                LThread::Yield();
                seen.push_back("C unwinding " + std::to_string(std::uncaught_exceptions()));
            }
        };
        try {
            YieldWhileUnwinding guard{seen};
            throw std::runtime_error("C");
        } catch (...) {
        }
        seen.push_back("C after " + std::to_string(std::uncaught_exceptions()));
    });
    try {
        throw std::runtime_error("main");
    } catch (...) {
        ASSERT_TRUE(AllThreadsEnded());
        EXPECT_EQ(CurrentExceptionText(), "main");
        EXPECT_EQ(std::uncaught_exceptions(), 0);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"C unwinding 1", "C after 0", "A sees A", "B sees B2", "B sees B"}));
}

TEST_F(ThreadTest, AThreadInANestedEventLoopStopsAllOthersAndItsYieldsReturnAtOnce)
{
    int counter = 0;
    bool stop = false;
    StartThread([&] {
        while (!stop) {
            ++counter;
            LThread::Yield();
        }
    });
    int counterDuringLoop = -1;
    int counterAfterLoop = -1;
    bool handlerYieldReturned = false;
    StartThread([&] {
        QEventLoop loop;
        const int before = counter;
        QTimer::singleShot(0, &loop, [&] {
            LThread::Yield(); // a handler the nested loop dispatches
            handlerYieldReturned = true;
        });
        QTimer::singleShot(60, &loop, [&] {
            LThread::Yield();
            counterDuringLoop = counter - before;
            loop.quit();
        });
        loop.exec();
        LThread::Yield(); // the loop has ended: the others run again
        counterAfterLoop = counter - before;
        stop = true;
    });
    ASSERT_TRUE(AllThreadsEnded());
    EXPECT_TRUE(handlerYieldReturned);
    EXPECT_EQ(counterDuringLoop, 0);
    EXPECT_GE(counterAfterLoop, 1);
}

TEST_F(ThreadTest, UnderAModalLoopOfTheMainContextThreadsAdvance)
{
    QEventLoop modal;
    int counter = 0;
    StartThread([&] {
        while (++counter < 5)
            LThread::Yield();
        modal.quit();
    });
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, &modal, [&] { modal.exit(1); });
    safety.start(2000);
    EXPECT_EQ(modal.exec(), 0) << "the thread ended the loop";
    EXPECT_EQ(counter, 5);
}

namespace {
class EventRecorder : public QObject {
public:
    std::vector<QEvent::Type> received;
    bool event(QEvent* inEvent) override
    {
        received.push_back(inEvent->type());
        return true;
    }
};
void CountFire(EventLoopTimerRef, void* inCount) { ++*static_cast<int*>(inCount); }
} // namespace

TEST_F(ThreadTest, PumpEventsDeliversPostedEventsButLeavesInputAndTimersForTheMainPass)
{
    LApplication app;
    EventRecorder recorder;
    int fired = 0;
    EventLoopTimerRef timer = nullptr;
    InstallEventLoopTimer(0, 0, CountFire, &fired, &timer);
    QCoreApplication::postEvent(&recorder, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a"));
    QCoreApplication::postEvent(&recorder, new QEvent(QEvent::User));
    std::vector<QEvent::Type> afterPump;
    StartThread([&] {
        LThread::PumpEvents();
        afterPump = recorder.received;
    });
    LThread::Yield();
    EXPECT_EQ(afterPump, std::vector<QEvent::Type>{QEvent::User});
    EXPECT_EQ(fired, 0);

    app.ProcessNextEvent();
    EXPECT_EQ(recorder.received, (std::vector<QEvent::Type>{QEvent::User, QEvent::KeyPress}));
    EXPECT_EQ(fired, 1);
    RemoveEventLoopTimer(timer);
}

TEST_F(ThreadTest, DelayResumesOnceAfterItsDeadline)
{
    int wakes = 0;
    Clock::duration slept{};
    int othersRounds = 0;
    bool done = false;
    StartThread([&] {
        const auto start = Clock::now();
        LThread::Delay(6);
        slept = Clock::now() - start;
        ++wakes;
        done = true;
    });
    StartThread([&] {
        while (!done) {
            ++othersRounds;
            LThread::Yield();
        }
    });
    ASSERT_TRUE(AllThreadsEnded());
    EXPECT_EQ(wakes, 1);
    EXPECT_GE(slept, 100ms);
    EXPECT_GT(othersRounds, 1) << "rounds went on while it slept";

    int counter = 0;
    StartThread([&] {
        for (int i = 0; i < 3; ++i) {
            ++counter;
            LThread::Yield();
        }
    });
    LThread::Delay(3); // on the main context: runs rounds until the deadline
    EXPECT_EQ(counter, 3);
}

TEST_F(ThreadTest, DescriptorWaitOnAPipeWakesOnDataAndTimesOutWithout)
{
    int fed[2], silent[2];
    ASSERT_EQ(::pipe(fed), 0);
    ASSERT_EQ(::pipe(silent), 0);
    LThread::EWaitResult fedResult{}, silentResult{}, writableResult{};
    Clock::duration silentWaited{};
    StartThread([&] { fedResult = LThread::WaitForDescriptor(fed[0], LThread::EDescriptorEvent::readable, DeadlineAfter(2s)); });
    StartThread([&] {
        const auto start = Clock::now();
        silentResult = LThread::WaitForDescriptor(silent[0], LThread::EDescriptorEvent::readable, DeadlineAfter(100ms));
        silentWaited = Clock::now() - start;
        writableResult = LThread::WaitForDescriptor(silent[1], LThread::EDescriptorEvent::writable, DeadlineAfter(100ms));
    });
    std::thread writer([&] {
        std::this_thread::sleep_for(30ms);
        [[maybe_unused]] auto written = ::write(fed[1], "x", 1);
    });
    ASSERT_TRUE(AllThreadsEnded());
    writer.join();
    EXPECT_EQ(fedResult, LThread::EWaitResult::ready);
    EXPECT_EQ(silentResult, LThread::EWaitResult::timedOut);
    EXPECT_GE(silentWaited, 100ms);
    EXPECT_EQ(writableResult, LThread::EWaitResult::ready);

    EXPECT_EQ(LThread::WaitForDescriptor(fed[0], LThread::EDescriptorEvent::readable, DeadlineAfter(10ms)),
              LThread::EWaitResult::ready) << "on the main context too";
    for (int fd : {fed[0], fed[1], silent[0], silent[1]})
        ::close(fd);
}

TEST_F(ThreadTest, WaitUntilPollsUntilTheConditionOrReportsTheTimeOut)
{
    bool jobDone = false;
    bool sawDone = false, sawTimeout = true;
    StartThread([&] {
        sawDone = LThread::WaitUntil([&] { return jobDone; }, DeadlineAfter(2s));
        sawTimeout = LThread::WaitUntil([] { return false; }, DeadlineAfter(50ms));
    });
    StartThread([&] {
        LThread::Delay(2);
        jobDone = true;
    });
    ASSERT_TRUE(AllThreadsEnded());
    EXPECT_TRUE(sawDone);
    EXPECT_FALSE(sawTimeout);
}

TEST(ThreadDeathTest, AnOSThreadThatYieldsFailsAnAssertion)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            LMainContext::Get();
            std::thread([] { LThread::Yield(); }).join();
        },
        "Toolbox assertion failed");
}

namespace {
// One frame larger than a whole stack and its guard. Only its lowest byte is written: without
// page probes the write lands past the guard, in the stack made after this one, and nothing
// notices.
__attribute__((noinline)) int TouchAFrameLargerThanTheStack()
{
    volatile char frame[LThread::kStackBytes + LThread::kGuardBytes + 64 * 1024];
    frame[0] = 1;
    return frame[0];
}
} // namespace

TEST(ThreadDeathTest, AFrameLargerThanItsStackCrashesAtTheGuard)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            LMainContext::Get();
            StartThread([] {
                LThread::Yield();  // the next thread's stack is made below this one meanwhile
                TouchAFrameLargerThanTheStack();
            });
            StartThread([] { LThread::Yield(); });
            AllThreadsEnded();
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGSEGV), "");
}
