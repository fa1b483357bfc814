// A pool of spare container nodes of one size. Nodes come from blocks of 256 taken from the
// global array allocator in a single request; a node given back goes to the front of the spare
// chain and is the first one handed out again. Blocks are never released, not when lists empty
// and not at exit, so nodes stay valid for static containers destroyed late in the exit.
// Any thread may call Take and Give: each pool has its own lock, held only while the spare
// chain changes (the Message Monitor's OS threads and the GUI thread fill lists of one element
// type at the same time). Take throws std::bad_alloc when a new block cannot be had; the pool is
// then unchanged.
#pragma once

#include <cstddef>
#include <mutex>

class NodePool {
public:
    static constexpr int kBlockNodes = 256;

    NodePool(std::size_t nodeSize, std::size_t nodeAlignment);
    NodePool(const NodePool&) = delete;
    NodePool& operator=(const NodePool&) = delete;

    void* Take();
    void Give(void* node) noexcept;

    int BlockCount() const;
    int SpareCount() const;

private:
    // A spare node's own storage holds the chain: its value is gone while it is spare.
    struct Spare {
        Spare* link;
    };

    Spare* NewBlock() const;

    mutable std::mutex mutex;
    Spare* spares = nullptr;
    const std::size_t nodeSize;
    const std::size_t nodeAlignment;
    int blocks = 0;
    int spareCount = 0;
};

// The one pool of a node type. It is made on first use and never destroyed: static lists give
// their nodes back while the program exits, after function-local statics may already be gone.
template <class Node>
NodePool& NodePoolFor()
{
    static_assert(sizeof(Node) >= sizeof(void*), "a spare node holds the chain in its storage");
    static NodePool* const pool = new NodePool(sizeof(Node), alignof(Node));
    return *pool;
}
