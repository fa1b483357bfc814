#include "MonitorHitQueue.h"

MonitorHitQueue::MonitorHitQueue(std::size_t capacityBytes) : mCapacity(capacityBytes) {}

std::size_t MonitorHitQueue::CostOf(const QueuedMonitorHit& hit)
{
    return sizeof hit + hit.hit.name.size() + hit.hit.subject.size() + hit.hit.mailerID.size();
}

bool MonitorHitQueue::Push(QueuedMonitorHit hit)
{
    const std::size_t cost = CostOf(hit);
    std::lock_guard lock(mMutex);
    if (mBytes + cost > mCapacity) {
        ++mDropped;
        return false;
    }
    const bool wasEmpty = mHits.empty();
    mBytes += cost;
    mHits.push_back(std::move(hit));
    return wasEmpty;
}

std::vector<QueuedMonitorHit> MonitorHitQueue::TakeAll()
{
    std::lock_guard lock(mMutex);
    mBytes = 0;
    return std::exchange(mHits, {});
}

std::uint64_t MonitorHitQueue::Dropped() const
{
    std::lock_guard lock(mMutex);
    return mDropped;
}
