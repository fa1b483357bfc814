// ProgramRequests: what an invocation of the program asks for, as the events the application
// dispatches, and the checks and wire form of those events between two processes.
//   brevanto                 → open-application (a running instance gets reopen instead)
//   brevanto PATH...         → one open-document with the paths made absolute
//   brevanto URL             → get-URL (any scheme but "file"; a file URL is a path)
//   brevanto --import PATH   → the import request 'e3ML'/'imDL' with the absolute path
// Arguments keep their order: the documents go first as one event, then each URL and import.
// Events from another process are untrusted: Accept keeps only the known kinds with bounded
// texts and absolute paths. Pure functions; any thread.
#pragma once

#include "AppleEvent.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

enum : OSType {
    kImportEventClass = 'e3ML',
    kImportEventID = 'imDL',
};

class ProgramRequests {
public:
    static constexpr int kMaxEvents = 64;
    static constexpr int kMaxPathsPerEvent = 1024;
    static constexpr int kMaxTextLength = 8192;

    struct Invocation {
        std::vector<AppleEvent> events;
        QString error; // not empty when the arguments cannot be understood
    };

    // inArguments without the program name; relative paths are taken from inWorkingFolder.
    static Invocation FromArguments(const QStringList& inArguments, const QString& inWorkingFolder);

    // The events a running instance is sent: open-application becomes reopen.
    static std::vector<AppleEvent> ForRunningInstance(std::vector<AppleEvent> inEvents);

    // The event as it may be dispatched, or nullopt when it is to be ignored: unknown kinds,
    // texts out of bounds, paths that are not absolute (an open-document keeps its absolute
    // paths and is ignored when none is left). Open-application from outside becomes reopen.
    static std::optional<AppleEvent> Accept(const AppleEvent& inEvent);

    static QByteArray Encode(const std::vector<AppleEvent>& inEvents);
    // Nullopt for anything but a well-formed list of at most kMaxEvents events.
    static std::optional<std::vector<AppleEvent>> Decode(const QByteArray& inBytes);
};
