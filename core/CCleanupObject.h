// CCleanupObject: deferred deletion. An object (a window, typically from inside its own event
// handler) calls Cleanup and is deleted at the next pass of the application's loop, by
// CCleanupAttachment, when no handler of its own is running any more; nothing may use it after
// Cleanup. Objects die in the order they asked (oldest first).
// Cleanup is idempotent: a second call before the pass changes nothing. DeleteAll detaches the
// list before it deletes anything, so a Cleanup asked from one of those destructors waits for
// the next pass. An object deleted by its owner while it waits is taken off the list.
// GUI thread only (cooperative threads included).
#pragma once

#include "CList.h"
#include "MacTypes.h"

class CCleanupObject {
public:
    CCleanupObject();
    virtual ~CCleanupObject();
    CCleanupObject(const CCleanupObject&) = delete;
    CCleanupObject& operator=(const CCleanupObject&) = delete;

    virtual void Cleanup();
    Boolean IsCleanupRequested() const { return mCleanupRequested; }

    // Deletes every object listed before this call, oldest first.
    static void DeleteAll();

private:
    bool mCleanupRequested = false;
};

// The objects waiting for deletion, oldest first.
extern CList<CCleanupObject*> gCleanupList;
