// LListener: receives the messages of the broadcasters it listens to. Destroying a listener
// takes it off every broadcaster (also in the middle of a broadcast). GUI thread only.
#pragma once

#include "MacTypes.h"

#include <vector>

class LBroadcaster;

class LListener {
public:
    LListener();
    virtual ~LListener();
    LListener(const LListener&) = delete;
    LListener& operator=(const LListener&) = delete;

    virtual void ListenToMessage(MessageT inMessage, void* ioParam) = 0;

    Boolean HasBroadcaster(const LBroadcaster* inBroadcaster) const;

private:
    friend class LBroadcaster;
    std::vector<LBroadcaster*> mBroadcasters;
};
