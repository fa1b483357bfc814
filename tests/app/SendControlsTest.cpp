// The mailing window's side of a running mailing: the pause wait and the throttle settings.
#include "MailingWindowFixture.h"

#include "ControlValues.h"
#include "LMainContext.h"
#include "LThread.h"
#include "PreferenceGetters.h"

#include <chrono>

TEST_F(MailingWindowTest, APausedSendThreadWaitsShowingPausedUntilResumed)
{
    LMainContext::Get();
    auto* window = new CBrevantoWindow();
    class Waiter : public LThread {
    public:
        Waiter(CBrevantoWindow& inWindow, bool& outDone) : mWindow(inWindow), mDone(outDone) {}
        void* Run() override
        {
            mWindow.WaitWhilePaused();
            mDone = true;
            return nullptr;
        }

    private:
        CBrevantoWindow& mWindow;
        bool& mDone;
    };
    bool done = false;
    window->pauseSend = 1;
    (new Waiter(*window, done))->Resume();
    LThread::WaitUntil([&] { return done; }, DeadlineAfter(std::chrono::milliseconds(200)));
    EXPECT_FALSE(done);
    EXPECT_EQ(CopyControlTitleAsCFString(window->Control(ControlRole::StatusCaption)), "Status: Paused");

    window->pauseSend = 0;
    EXPECT_TRUE(LThread::WaitUntil([&] { return done; }, DeadlineAfter(std::chrono::seconds(5))));
    EXPECT_EQ(CopyControlTitleAsCFString(window->Control(ControlRole::StatusCaption)), "Status: ");
}

TEST_F(MailingWindowTest, ThrottleSettingsAreReadAgainOnRequest)
{
    auto* window = new CBrevantoWindow();
    SetPreference("3", CString256(kThrottleTypeKey));
    SetPreference("3", CString256(kThrottleBatchTypeKey));
    window->ReadThrottleSettings();
    EXPECT_TRUE(window->mThrottle.batchMode);
    EXPECT_EQ(window->batchType, 3);
    SetPreference(nullptr, CString256(kThrottleTypeKey));
    SetPreference(nullptr, CString256(kThrottleBatchTypeKey));
}
