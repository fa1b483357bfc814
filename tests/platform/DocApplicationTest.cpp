// The document application's dispatch: installed handlers first, then the framework's numbered
// events; the launch events replace a bare Initialize; the quit event asks every window, then
// the application, and only then ends Run.
#include "ToolboxTestSupport.h"

#include "LDocApplication.h"
#include "LException.h"
#include "ToolboxCommands.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

class RecordingApp : public LDocApplication {
public:
    QStringList calls;
    bool mayQuit = true;

    void Initialize() override { calls << "Initialize"; }
    void OpenDocumentFile(const QString& inPath) override
    {
        calls << "open " + inPath;
        if (inPath.endsWith("broken"))
            throw LException(-39);
    }
    void HandleAppleEvent(const AppleEvent& inEvent, AppleEvent& outReply, AppleEvent& outResult,
                          SInt32 inAENumber) override
    {
        if (inAENumber == ae_GetURL) {
            calls << "url " + inEvent.DirectString();
            return;
        }
        LDocApplication::HandleAppleEvent(inEvent, outReply, outResult, inAENumber);
    }
    Boolean ConfirmQuitSelf(SInt32 inSaveOption) override
    {
        calls << QStringLiteral("confirm %1").arg(inSaveOption == kAEAsk ? "ask" : "other");
        return mayQuit;
    }
    void ReopenApplication() override { calls << "reopen"; }
};

class Window : public LCommander {
public:
    Window(LCommander* inSuper, QStringList& ioCalls, QString inName)
        : LCommander(inSuper)
        , mCalls(ioCalls)
        , mName(std::move(inName))
    {
    }
    bool allow = true;
    Boolean AttemptQuitSelf(SInt32) override
    {
        mCalls << "ask " + mName;
        return allow;
    }

private:
    QStringList& mCalls;
    QString mName;
};

TEST(DocApplication, EventsGoToTheirHandlersAndInstalledHandlersComeFirst)
{
    CollectedReports reports;
    RecordingApp app;
    EXPECT_EQ(app.DispatchAppleEvent(AppleEvent::Make('aevt', 'odoc', {"/a.bvto", "/broken", "/b.bvto"})), noErr);
    EXPECT_EQ(app.DispatchAppleEvent(AppleEvent::Make('GURL', 'GURL', {"http://h/"})), noErr);
    EXPECT_EQ(app.DispatchAppleEvent(AppleEvent::Make('aevt', 'rapp')), noErr);
    EXPECT_EQ(app.DispatchAppleEvent(AppleEvent::Make('e3ML', 'imDL', {"/p.plist"})), errAEEventNotHandled);
    EXPECT_EQ(app.calls, QStringList({"open /a.bvto", "open /broken", "open /b.bvto", "url http://h/", "reopen"}));
    ASSERT_EQ(reports.Reports().size(), 1u); // the broken document, and the others still opened

    int seen = 0;
    void* refCon = nullptr;
    LDocApplication::InstallEventHandler('e3ML', 'imDL', [&](const AppleEvent& inEvent, AppleEvent&, void* inRefCon) {
        seen += inEvent.DirectString() == "/p.plist" ? 1 : 100;
        refCon = inRefCon;
        return noErr;
    }, &app);
    EXPECT_EQ(app.DispatchAppleEvent(AppleEvent::Make('e3ML', 'imDL', {"/p.plist"})), noErr);
    LDocApplication::RemoveEventHandler('e3ML', 'imDL');
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(refCon, &app);
}

TEST(DocApplication, LaunchEventsReplaceInitializeAndTheQuitPathEndsRun)
{
    {
        RecordingApp app;
        app.SetLaunchEvents({AppleEvent::Make('aevt', 'odoc', {"/a.bvto"}), AppleEvent::Make('aevt', 'quit')});
        app.Run();
        EXPECT_EQ(app.calls, QStringList({"open /a.bvto", "confirm ask"}));
    }
    {
        RecordingApp app;
        app.SetLaunchEvents({});
        app.SetLaunchEvents({AppleEvent::Make('aevt', 'oapp'), AppleEvent::Make('aevt', 'quit')});
        app.Run();
        EXPECT_EQ(app.calls, QStringList({"Initialize", "confirm ask"}));
    }
}

TEST(DocApplication, AWindowThatRefusesKeepsTheProgramRunning)
{
    RecordingApp app;
    Window first(&app, app.calls, "first");
    Window second(&app, app.calls, "second");
    second.allow = false;
    app.SendAEOpenDoc("/c.bvto");
    app.DispatchAppleEvent(AppleEvent::Make('aevt', 'quit'));
    EXPECT_NE(app.GetState(), LApplication::EProgramState::quitting);
    EXPECT_EQ(app.calls, QStringList({"open /c.bvto", "ask first", "ask second"}));

    app.calls.clear();
    second.allow = true;
    app.DispatchAppleEvent(AppleEvent::Make('aevt', 'quit'));
    EXPECT_EQ(app.GetState(), LApplication::EProgramState::quitting);
    EXPECT_EQ(app.calls, QStringList({"ask first", "ask second", "confirm ask"}));
}

} // namespace
