// CSparePool<T>: the pool of spare objects behind a class's own operator new and delete. Objects
// come in blocks of 256 taken from the system in one request; a freed object goes back to the head
// of the pool; nothing is ever returned to the system, so the pool only grows.
//
// T has a member `T* link` that chains the spares. After a block is taken the first object is
// handed out and the other 255 are chained so that the head is the last object of the block, each
// object's link points to the one before it, and the second object ends the chain.
//
// One lock per pool: the GUI thread and OS threads may allocate and free at once.
#pragma once

#include <cstddef>
#include <mutex>
#include <new>

template <class T>
class CSparePool {
public:
    static constexpr size_t kBlockObjects = 256;

    void* Take()
    {
        std::lock_guard<std::mutex> guard(mLock);
        if (mHead == nullptr)
            return TakeFromNewBlock();
        T* object = mHead;
        mHead = object->link;
        return object;
    }

    void Give(void* storage) noexcept
    {
        if (storage == nullptr)
            return;
        T* object = static_cast<T*>(storage);
        std::lock_guard<std::mutex> guard(mLock);
        object->link = mHead;
        mHead = object;
    }

    size_t BlocksTaken() const
    {
        std::lock_guard<std::mutex> guard(mLock);
        return mBlocks;
    }

private:
    // Called with the lock held.
    void* TakeFromNewBlock()
    {
        char* block = static_cast<char*>(::operator new(sizeof(T) * kBlockObjects));
        ++mBlocks;
        T* previous = nullptr;
        for (size_t i = 1; i < kBlockObjects; ++i) {
            T* object = reinterpret_cast<T*>(block + i * sizeof(T));
            object->link = previous;
            previous = object;
        }
        mHead = previous;
        return block;
    }

    mutable std::mutex mLock;
    T* mHead = nullptr;
    size_t mBlocks = 0;
};
