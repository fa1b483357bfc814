// LBroadcaster: sends messages to its listeners in the order they were added. A listener
// removed or destroyed during a broadcast is skipped; one added during it hears the next
// message. Destroying either side unlinks it from the other; a broadcaster destroyed by one of
// its own listeners ends its broadcast there. Exceptions from listeners propagate to the
// caller. GUI thread only.
#pragma once

#include "MacTypes.h"

#include <vector>

class LListener;

class LBroadcaster {
public:
    LBroadcaster();
    virtual ~LBroadcaster();
    LBroadcaster(const LBroadcaster&) = delete;
    LBroadcaster& operator=(const LBroadcaster&) = delete;

    void AddListener(LListener* inListener);    // once; a second add does nothing
    void RemoveListener(LListener* inListener);
    Boolean HasListener(const LListener* inListener) const;

    void BroadcastMessage(MessageT inMessage, void* ioParam = nullptr);

private:
    friend class LListener;
    void Unlink(LListener* inListener);

    std::vector<LListener*> mListeners; // removed entries are null while broadcasting
    int mBroadcastDepth = 0;
    bool* mDestroyedFlag = nullptr;     // set by the destructor during a broadcast
};
