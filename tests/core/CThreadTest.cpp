// Worker threads: the stop request taking effect in the stop check that is yielding, the
// thread list, and the quit wait.
#include "CThread.h"

#include "LMainContext.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {
class Worker : public CThread {
public:
    explicit Worker(std::function<void(Worker&)> inBody)
        : mBody(std::move(inBody))
    {
        ++sLive;
    }
    ~Worker() override { --sLive; }
    void* Run() override
    {
        mBody(*this);
        return nullptr;
    }
    static inline int sLive = 0;

private:
    std::function<void(Worker&)> mBody;
};

Worker* StartWorker(std::function<void(Worker&)> inBody)
{
    auto* worker = new Worker(std::move(inBody));
    worker->Resume();
    return worker;
}

class CThreadTest : public ::testing::Test {
protected:
    void SetUp() override { LMainContext::Get(); }
    void TearDown() override
    {
        CThread::StopAllAndWait();
        EXPECT_EQ(Worker::sLive, 0);
    }
};
} // namespace

TEST_F(CThreadTest, AStopRequestedDuringTheStopChecksYieldMakesThatCallThrow)
{
    int checksPassed = 0;
    SInt32 code = 0;
    std::string message;
    std::string outerSeen;
    Worker* worker = StartWorker([&](Worker& self) {
        try {
            throw std::runtime_error("outer");
        } catch (...) {
            try {
                for (;;) {
                    self.CheckStop();
                    ++checksPassed;
                }
            } catch (const CThread::CStopException& stop) {
                code = stop.GetErrorCode();
                message = stop.GetErrorMessage();
            }
            try {
                throw;
            } catch (const std::exception& e) {
                outerSeen = e.what();
            }
        }
    });
    LThread::Yield(); // the worker now waits inside CheckStop's yield
    EXPECT_EQ(checksPassed, 0);
    EXPECT_EQ(gThreadList.Count(), 1);
    worker->RequestStop();
    EXPECT_TRUE(worker->IsStopRequested());
    LThread::Yield();
    EXPECT_EQ(checksPassed, 0) << "the call that was yielding threw";
    EXPECT_EQ(code, -1);
    EXPECT_EQ(message, "CStopException");
    EXPECT_EQ(outerSeen, "outer") << "the handler around the check still sees its own exception";
    EXPECT_EQ(gThreadList.Count(), 0) << "the ended thread was deleted and unlisted";
}

TEST_F(CThreadTest, QuitWaitReturnsAtOnceWithoutThreadsAndAfterTheLastOneOtherwise)
{
    // A cooperative thread that is not a worker: the wait must not run a round for it.
    struct Plain : LThread {
        bool ran = false;
        void* Run() override
        {
            ran = true;
            return nullptr;
        }
    };
    auto* plain = new Plain;
    plain->Resume();
    CThread::StopAllAndWait();
    EXPECT_FALSE(plain->ran) << "no round was run";
    delete plain; // never ran: its owner may delete it

    std::vector<std::string> ended;
    for (int tidyUpYields : {0, 3}) {
        StartWorker([&ended, tidyUpYields](Worker& self) {
            try {
                for (;;)
                    self.CheckStop();
            } catch (const CThread::CStopException&) {
                for (int i = 0; i < tidyUpYields; ++i)
                    LThread::Yield();
            }
            ended.push_back("tidied " + std::to_string(tidyUpYields));
        });
    }
    LThread::Yield();
    CThread::StopAllAndWait();
    EXPECT_EQ(ended, (std::vector<std::string>{"tidied 0", "tidied 3"}));
    EXPECT_EQ(gThreadList.Count(), 0);
    EXPECT_EQ(Worker::sLive, 0);
}
