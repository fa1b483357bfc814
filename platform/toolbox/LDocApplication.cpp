#include "LDocApplication.h"

#include "LExceptionReporter.h"
#include "ToolboxCommands.h"

#include <QApplication>
#include <QWidget>

#include <map>
#include <utility>

namespace {

struct InstalledHandler {
    LDocApplication::EventHandler handler;
    void* refCon = nullptr;
};

std::map<std::pair<OSType, OSType>, InstalledHandler>& Handlers()
{
    static std::map<std::pair<OSType, OSType>, InstalledHandler> sHandlers;
    return sHandlers;
}

struct EventNumber {
    OSType eventClass;
    OSType eventID;
    SInt32 number;
};

constexpr EventNumber kEventTable[] = {
    {kCoreEventClass, kAEOpenApplication, ae_OpenApp},
    {kCoreEventClass, kAEReopenApplication, ae_ReopenApp},
    {kCoreEventClass, kAEOpenDocuments, ae_OpenDoc},
    {kCoreEventClass, kAEQuitApplication, ae_Quit},
    {kInternetEventClass, kAEGetURL, ae_GetURL},
};

} // namespace

LDocApplication::LDocApplication(int* ioArgc, char** ioArgv)
    : LApplication(ioArgc, ioArgv)
{
}

LDocApplication::~LDocApplication() = default;

LDocApplication* LDocApplication::GetDocApplication()
{
    return dynamic_cast<LDocApplication*>(GetApplication());
}

SInt32 LDocApplication::EventNumberOf(const AppleEvent& inEvent)
{
    for (const EventNumber& entry : kEventTable) {
        if (inEvent.Is(entry.eventClass, entry.eventID))
            return entry.number;
    }
    return ae_Unknown;
}

OSErr LDocApplication::DispatchAppleEvent(const AppleEvent& inEvent)
{
    AppleEvent reply;
    const auto installed = Handlers().find({inEvent.eventClass, inEvent.eventID});
    if (installed != Handlers().end()) {
        const InstalledHandler handler = installed->second; // the handler may remove itself
        return handler.handler(inEvent, reply, handler.refCon);
    }
    const SInt32 number = EventNumberOf(inEvent);
    if (number == ae_Unknown)
        return errAEEventNotHandled;
    AppleEvent result;
    HandleAppleEvent(inEvent, reply, result, number);
    return noErr;
}

void LDocApplication::HandleAppleEvent(const AppleEvent& inEvent, AppleEvent&, AppleEvent&, SInt32 inAENumber)
{
    switch (inAENumber) {
    case ae_OpenApp:
        Initialize();
        break;
    case ae_ReopenApp:
        ReopenApplication();
        break;
    case ae_OpenDoc:
        for (const QString& path : inEvent.directObject)
            LExceptionReporter::CallReporting("open document", [this, &path] { OpenDocumentFile(path); });
        break;
    case ae_Quit:
        PerformQuit(kAEAsk);
        break;
    default:
        break;
    }
}

void LDocApplication::SendAEOpenDoc(const QString& inPath) { OpenDocumentFile(inPath); }

void LDocApplication::InstallEventHandler(OSType inClass, OSType inID, EventHandler inHandler, void* inRefCon)
{
    Handlers()[{inClass, inID}] = InstalledHandler{std::move(inHandler), inRefCon};
}

void LDocApplication::RemoveEventHandler(OSType inClass, OSType inID) { Handlers().erase({inClass, inID}); }

void LDocApplication::StartUp()
{
    std::vector<AppleEvent> events = std::move(mLaunchEvents);
    mLaunchEvents.clear();
    if (events.empty())
        events.push_back(AppleEvent::Make(kCoreEventClass, kAEOpenApplication));
    for (const AppleEvent& event : events)
        LExceptionReporter::CallReporting("launch event", [this, &event] { DispatchAppleEvent(event); });
}

void LDocApplication::ReopenApplication()
{
    QWidget* front = QApplication::activeWindow();
    if (!front) {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible()) {
                front = window;
                break;
            }
        }
    }
    if (!front)
        return;
    front->raise();
    front->activateWindow();
}
