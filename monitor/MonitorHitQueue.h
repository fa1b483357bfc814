// MonitorHitQueue: the hits the connection threads decoded, waiting for the main thread, which
// alone writes the store. Bounded at 32 MiB: what comes beyond is dropped and counted. Any
// thread; one lock.
#pragma once

#include "MonitorProtocol.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

struct QueuedMonitorHit {
    MonitorHit hit;
    double date = 0; // seconds since 1970 UTC, when the request was complete
};

class MonitorHitQueue {
public:
    static constexpr std::size_t kDefaultCapacityBytes = 32u << 20;

    explicit MonitorHitQueue(std::size_t capacityBytes = kDefaultCapacityBytes);

    // True when the queue was empty before: the caller then asks the main thread to drain it.
    bool Push(QueuedMonitorHit hit);
    std::vector<QueuedMonitorHit> TakeAll();
    std::uint64_t Dropped() const;

private:
    static std::size_t CostOf(const QueuedMonitorHit& hit);

    mutable std::mutex mMutex;
    std::vector<QueuedMonitorHit> mHits;
    std::size_t mBytes = 0;
    std::size_t mCapacity;
    std::uint64_t mDropped = 0;
};
