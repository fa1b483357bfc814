// LDocApplication: the application that opens documents. Events from outside (AppleEvent) are
// dispatched here on the GUI thread: a handler installed for the event's class and ID answers
// first (the import request is one); the framework's own events go through its table to the
// numbered HandleAppleEvent - open-application → Initialize, reopen (a bare second launch) →
// ReopenApplication, open-document → OpenDocumentFile for each absolute path, quit →
// PerformQuit('ask '); a subclass adds its own numbers (get-URL is 6000). At Run's start the
// events the program was launched with are dispatched in order instead of a bare Initialize; a
// launch with no event is one open-application event. What a handler throws is reported and the
// next path or event still runs. GUI thread, main context only.
#pragma once

#include "AppleEvent.h"
#include "LApplication.h"

#include <functional>
#include <vector>

class LDocApplication : public LApplication {
public:
    // An installed handler; its result is the event's result (noErr when handled).
    using EventHandler = std::function<OSErr(const AppleEvent& inEvent, AppleEvent& outReply, void* inRefCon)>;

    explicit LDocApplication(int* ioArgc = nullptr, char** ioArgv = nullptr);
    ~LDocApplication() override;

    static LDocApplication* GetDocApplication();

    void SetLaunchEvents(std::vector<AppleEvent> inEvents) { mLaunchEvents = std::move(inEvents); }

    // noErr when someone handled the event; errAEEventNotHandled for an event nobody knows.
    OSErr DispatchAppleEvent(const AppleEvent& inEvent);

    // The framework's numbered events (see above); unknown numbers do nothing.
    virtual void HandleAppleEvent(const AppleEvent& inEvent, AppleEvent& outReply, AppleEvent& outResult,
                                  SInt32 inAENumber);

    // Opens the file as if an open-document event had arrived for it.
    void SendAEOpenDoc(const QString& inPath);

    // The number of a framework event, ae_Unknown for any other.
    static SInt32 EventNumberOf(const AppleEvent& inEvent);

    static void InstallEventHandler(OSType inClass, OSType inID, EventHandler inHandler, void* inRefCon);
    static void RemoveEventHandler(OSType inClass, OSType inID);

protected:
    void StartUp() override;
    // A launch while the program runs already: bring its front window forward.
    virtual void ReopenApplication();

private:
    std::vector<AppleEvent> mLaunchEvents;
};

enum : OSErr { errAEEventNotHandled = -1708 };
