#include "LBroadcaster.h"

#include "LListener.h"

#include <algorithm>

LBroadcaster::LBroadcaster() = default;

LBroadcaster::~LBroadcaster()
{
    if (mDestroyedFlag)
        *mDestroyedFlag = true;
    for (LListener* listener : mListeners) {
        if (listener)
            std::erase(listener->mBroadcasters, this);
    }
}

void LBroadcaster::AddListener(LListener* inListener)
{
    if (!inListener || HasListener(inListener))
        return;
    mListeners.push_back(inListener);
    inListener->mBroadcasters.push_back(this);
}

void LBroadcaster::RemoveListener(LListener* inListener)
{
    if (!inListener || !HasListener(inListener))
        return;
    std::erase(inListener->mBroadcasters, this);
    Unlink(inListener);
}

Boolean LBroadcaster::HasListener(const LListener* inListener) const
{
    return inListener && std::find(mListeners.begin(), mListeners.end(), inListener) != mListeners.end();
}

void LBroadcaster::BroadcastMessage(MessageT inMessage, void* ioParam)
{
    bool destroyed = false;
    bool* outerFlag = mDestroyedFlag;
    mDestroyedFlag = &destroyed;
    ++mBroadcastDepth;
    struct Restore {
        LBroadcaster* self;
        bool& destroyed;
        bool* outerFlag;
        ~Restore()
        {
            if (destroyed) {
                if (outerFlag)
                    *outerFlag = true;
                return;
            }
            self->mDestroyedFlag = outerFlag;
            if (--self->mBroadcastDepth == 0)
                std::erase(self->mListeners, nullptr);
        }
    } restore{this, destroyed, outerFlag};

    const size_t count = mListeners.size();
    for (size_t i = 0; i < count && !destroyed; ++i) {
        if (LListener* listener = mListeners[i])
            listener->ListenToMessage(inMessage, ioParam);
    }
}

void LBroadcaster::Unlink(LListener* inListener)
{
    auto found = std::find(mListeners.begin(), mListeners.end(), inListener);
    if (found == mListeners.end())
        return;
    if (mBroadcastDepth > 0)
        *found = nullptr;
    else
        mListeners.erase(found);
}
