#include "NodePool.h"

#include <new>

namespace {

bool NeedsAlignedAllocation(std::size_t alignment)
{
    return alignment > __STDCPP_DEFAULT_NEW_ALIGNMENT__;
}

} // namespace

NodePool::NodePool(std::size_t size, std::size_t alignment)
    : nodeSize(size)
    , nodeAlignment(alignment)
{
}

void* NodePool::Take()
{
    std::lock_guard<std::mutex> lock(mutex);
    if (spares == nullptr) {
        spares = NewBlock();
        spareCount += kBlockNodes;
        ++blocks;
    }
    Spare* node = spares;
    spares = node->link;
    --spareCount;
    return node;
}

void NodePool::Give(void* node) noexcept
{
    if (node == nullptr)
        return;
    Spare* spare = static_cast<Spare*>(node);
    std::lock_guard<std::mutex> lock(mutex);
    spare->link = spares;
    spares = spare;
    ++spareCount;
}

int NodePool::BlockCount() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return blocks;
}

int NodePool::SpareCount() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return spareCount;
}

// Chains a new block's nodes in address order, so a fresh block is handed out front to back.
NodePool::Spare* NodePool::NewBlock() const
{
    const std::size_t bytes = nodeSize * kBlockNodes;
    char* block = static_cast<char*>(NeedsAlignedAllocation(nodeAlignment)
            ? ::operator new[](bytes, std::align_val_t(nodeAlignment))
            : ::operator new[](bytes));
    for (int i = 0; i < kBlockNodes; ++i) {
        Spare* node = reinterpret_cast<Spare*>(block + i * nodeSize);
        node->link = i + 1 < kBlockNodes ? reinterpret_cast<Spare*>(block + (i + 1) * nodeSize) : nullptr;
    }
    return reinterpret_cast<Spare*>(block);
}
