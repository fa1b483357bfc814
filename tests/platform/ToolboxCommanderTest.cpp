// Commanders (the command chain and the quit), broadcasters and listeners.
#include "ToolboxTestSupport.h"

#include "LApplication.h"
#include "LBroadcaster.h"
#include "LEventLoopTimer.h"
#include "LListener.h"
#include "ToolboxCommands.h"

#include <gtest/gtest.h>

namespace {
class TestApp : public LApplication {
public:
    int confirmations = 0;
    bool confirm = true;
    Boolean ObeyCommand(CommandT inCommand, void* ioParam) override
    {
        if (inCommand == cmd_New) {
            handledBy = "app";
            return true;
        }
        return LApplication::ObeyCommand(inCommand, ioParam);
    }
    void FindCommandStatus(CommandT inCommand, Boolean& outEnabled, Boolean& outUsesMark, UInt16& outMark,
                           QString& outName) override
    {
        if (inCommand == cmd_New) {
            outEnabled = true;
            return;
        }
        LApplication::FindCommandStatus(inCommand, outEnabled, outUsesMark, outMark, outName);
    }
    Boolean ConfirmQuitSelf(SInt32) override
    {
        ++confirmations;
        return confirm;
    }
    std::string handledBy;
};

class Window : public LCommander {
public:
    Window(LCommander* inSuper, std::string inName)
        : LCommander(inSuper)
        , mName(std::move(inName))
    {
    }
    bool refuseQuit = false;
    Boolean ObeyCommand(CommandT inCommand, void* ioParam) override
    {
        if (inCommand == 'CLSE') {
            static_cast<TestApp*>(LApplication::GetApplication())->handledBy = mName;
            return true;
        }
        return LCommander::ObeyCommand(inCommand, ioParam);
    }
    void FindCommandStatus(CommandT inCommand, Boolean& outEnabled, Boolean& outUsesMark, UInt16& outMark,
                           QString& outName) override
    {
        if (inCommand == 'CLSE') {
            outEnabled = true;
            outUsesMark = true;
            outMark = 0x12;
            return;
        }
        LCommander::FindCommandStatus(inCommand, outEnabled, outUsesMark, outMark, outName);
    }
    Boolean AttemptQuitSelf(SInt32) override { return !refuseQuit; }

private:
    std::string mName;
};
} // namespace

TEST(CommanderTest, CommandsStartAtTheTargetAndTravelUp)
{
    TestApp app;
    Window window(&app, "window");
    Window field(&window, "field");
    LCommander::SetTarget(&field);

    struct Case {
        CommandT command;
        bool handled;
        std::string by;
        bool enabled;
    };
    const Case cases[] = {
        {'CLSE', true, "field", true}, // the target handles it first
        {cmd_New, true, "app", true},  // passed up to the application
        {'none', false, "", false},    // the root answers false / disabled
    };
    for (const Case& c : cases) {
        app.handledBy.clear();
        EXPECT_EQ(LCommander::ProcessCommand(c.command), c.handled) << FourCharText(c.command).text;
        EXPECT_EQ(app.handledBy, c.by);
        Boolean enabled = !c.enabled, usesMark = true;
        UInt16 mark = 0;
        QString name;
        LCommander::ProcessCommandStatus(c.command, enabled, usesMark, mark, name);
        EXPECT_EQ(enabled, c.enabled) << FourCharText(c.command).text;
    }
    LCommander::SetTarget(nullptr);
    EXPECT_TRUE(LCommander::ProcessCommand(cmd_New)) << "without a target the application starts";
}

TEST(CommanderTest, DestroyedTargetPassesTargetToItsSuper)
{
    TestApp app;
    auto* window = new Window(&app, "w");
    LCommander::SetTarget(window);
    delete window;
    EXPECT_EQ(LCommander::GetTarget(), &app);
    EXPECT_TRUE(app.GetSubCommanders().empty());
    LCommander::SetTarget(nullptr);
}

namespace {
void QuitNow(EventLoopTimerRef, void*) { LApplication::GetApplication()->DoQuit(kAEAsk); }
void AllowQuitAndQuit(EventLoopTimerRef, void* inWindow)
{
    static_cast<Window*>(inWindow)->refuseQuit = false;
    LApplication::GetApplication()->DoQuit(kAEAsk);
}
} // namespace

TEST(CommanderTest, OneRefusingSubCommanderKeepsRunGoing)
{
    TestApp app;
    Window agreeing(&app, "a");
    Window refusing(&app, "b");
    refusing.refuseQuit = true;
    EventLoopTimerRef first = nullptr, second = nullptr;
    InstallEventLoopTimer(0.01, 0, QuitNow, nullptr, &first);
    InstallEventLoopTimer(0.15, 0, AllowQuitAndQuit, &refusing, &second);

    const auto start = std::chrono::steady_clock::now();
    app.Run();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
    EXPECT_EQ(app.confirmations, 1) << "ConfirmQuitSelf is asked only when every window agreed";
    EXPECT_EQ(app.GetState(), LApplication::EProgramState::quitting);
    RemoveEventLoopTimer(first);
    RemoveEventLoopTimer(second);
}

TEST(CommanderTest, QuitAskedOnAThreadWaitsForTheNextPass)
{
    TestApp app;
    bool stateOnThread = true;
    StartThread([&] {
        app.DoQuit(kAENo);
        stateOnThread = app.GetState() == LApplication::EProgramState::quitting;
    });
    LThread::Yield();
    EXPECT_FALSE(stateOnThread);
    EXPECT_EQ(app.confirmations, 0);
    app.ProcessNextEvent();
    EXPECT_EQ(app.confirmations, 1);
    EXPECT_EQ(app.GetState(), LApplication::EProgramState::quitting);
}

namespace {
std::vector<std::string> gHeard;

class Listener : public LListener {
public:
    explicit Listener(std::string inName)
        : mName(std::move(inName))
    {
    }
    std::function<void()> onMessage;
    void ListenToMessage(MessageT inMessage, void*) override
    {
        gHeard.push_back(mName + ":" + std::to_string(inMessage));
        if (onMessage)
            onMessage();
    }

private:
    std::string mName;
};
} // namespace

TEST(BroadcasterTest, ListenersInOrderAndThoseLeavingMidBroadcastAreSkipped)
{
    gHeard.clear();
    LBroadcaster broadcaster;
    Listener first("first"), removed("removed"), last("last"), added("added");
    auto* destroyed = new Listener("destroyed");
    broadcaster.AddListener(&first);
    broadcaster.AddListener(&removed);
    broadcaster.AddListener(destroyed);
    broadcaster.AddListener(&last);
    broadcaster.AddListener(&first); // a second add does nothing
    first.onMessage = [&] {
        broadcaster.RemoveListener(&removed);
        delete destroyed;
        broadcaster.AddListener(&added);
        first.onMessage = nullptr;
    };

    broadcaster.BroadcastMessage(606);
    EXPECT_EQ(gHeard, (std::vector<std::string>{"first:606", "last:606"}));
    gHeard.clear();
    broadcaster.BroadcastMessage(607);
    EXPECT_EQ(gHeard, (std::vector<std::string>{"first:607", "last:607", "added:607"}));
    EXPECT_FALSE(removed.HasBroadcaster(&broadcaster));
}

TEST(BroadcasterTest, EitherSideDyingUnlinks)
{
    gHeard.clear();
    Listener survivor("survivor");
    {
        LBroadcaster broadcaster;
        broadcaster.AddListener(&survivor);
        EXPECT_TRUE(survivor.HasBroadcaster(&broadcaster));
    }
    EXPECT_FALSE(survivor.HasBroadcaster(nullptr));

    auto* doomed = new LBroadcaster;
    Listener killer("killer"), after("after");
    doomed->AddListener(&killer);
    doomed->AddListener(&after);
    killer.onMessage = [&] { delete doomed; };
    doomed->BroadcastMessage(612);
    EXPECT_EQ(gHeard, std::vector<std::string>{"killer:612"}) << "a destroyed broadcaster ends its broadcast";
    EXPECT_FALSE(after.HasBroadcaster(doomed));
}
