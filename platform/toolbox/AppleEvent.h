// AppleEvent: a request that reaches the program from outside its windows - the launch itself
// (open the application, open documents, open a URL), a second invocation of the program handed
// over by the instance channel, or the session asking it to quit. Only what the program reads is
// kept: the event's class and ID and its direct parameter ('----'), which holds absolute file
// paths (open-document), or one text (the URL of a get-URL event, the file path of an import
// request). A plain value; any thread may hold one, but events are dispatched on the GUI thread.
#pragma once

#include "MacTypes.h"

#include <QString>
#include <QStringList>

enum : OSType {
    kCoreEventClass = 'aevt',
    kAEOpenApplication = 'oapp',
    kAEReopenApplication = 'rapp',
    kAEOpenDocuments = 'odoc',
    kAEQuitApplication = 'quit',
    kInternetEventClass = 'GURL',
    kAEGetURL = 'GURL',
};

// The framework's numbers for the events it dispatches (the application's event table).
enum : SInt32 {
    ae_Unknown = 0,
    ae_OpenApp = 1001,
    ae_OpenDoc = 1002,
    ae_Quit = 1004,
    ae_ReopenApp = 1005,
    ae_GetURL = 6000,
};

struct AppleEvent {
    OSType eventClass = 0;
    OSType eventID = 0;
    QStringList directObject;

    // The direct parameter as one text; empty when the event has none.
    QString DirectString() const { return directObject.isEmpty() ? QString() : directObject.front(); }
    bool Is(OSType inClass, OSType inID) const { return eventClass == inClass && eventID == inID; }

    static AppleEvent Make(OSType inClass, OSType inID, QStringList inDirect = {})
    {
        return AppleEvent{inClass, inID, std::move(inDirect)};
    }
};
