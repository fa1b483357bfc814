#include "LListener.h"

#include "LBroadcaster.h"

#include <algorithm>

LListener::LListener() = default;

LListener::~LListener()
{
    std::vector<LBroadcaster*> broadcasters;
    broadcasters.swap(mBroadcasters);
    for (LBroadcaster* broadcaster : broadcasters)
        broadcaster->Unlink(this);
}

Boolean LListener::HasBroadcaster(const LBroadcaster* inBroadcaster) const
{
    return std::find(mBroadcasters.begin(), mBroadcasters.end(), inBroadcaster) != mBroadcasters.end();
}
