// What the yield attachment needs to carry out a pending revert of a mailing window. The
// application implements CRevertHost and the mailing window CRevertWindow; tests use stand-ins.
// GUI thread only.
#pragma once

#include "FSRef.h"
#include "FSSpec.h"
#include "MacTypes.h"

class CRevertWindow {
public:
    virtual ~CRevertWindow() = default;
    // The window's document file; empty when the window was never saved.
    virtual FSRef GetDocumentFile() const = 0;
    // Asks the window to close: it refuses (with its alert) while sending or scheduled, else
    // it closes at once (its deletion is deferred, so the object outlives this call).
    virtual void AttemptClose() = 0;
};

class CRevertHost {
public:
    virtual ~CRevertHost() = default;
    // The window marked for revert, clearing the mark; null when none is marked.
    virtual CRevertWindow* TakeWindowToReopen() = 0;
    // Opens a document file as a mailing window (an open window of that file comes to the front).
    virtual void OpenDocumentFile(const FSSpec& inFile) = 0;
    // The application's command handling (the revert of a never-saved window sends cmd_New).
    virtual Boolean ObeyCommand(CommandT inCommand, void* ioParam) = 0;
};
