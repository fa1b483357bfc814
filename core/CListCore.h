// The element-independent half of CList<T>: the chain of nodes, its ends, the walk cursor and
// the count, and the operations that only relink nodes. CList<T> adds everything that touches a
// value, so each element type compiles only the little that needs its type.
// Invariants: head, tail and count are null, null and 0 together; the last node's next is null;
// following next from head visits count nodes and ends at tail.
// One thread at a time per list (the node pools behind it are shared and locked).
#pragma once

#include "MacTypes.h"

struct CListNode {
    CListNode* next = nullptr;
};

class CListCore {
public:
    SInt32 Count() const { return count; }

    // The walk used by every caller: rewind, then Next until it answers null.
    void Rewind() const { cursor = head; }

protected:
    CListCore() = default;
    CListCore(const CListCore&) = delete;
    CListCore& operator=(const CListCore&) = delete;
    ~CListCore() = default;

    // Links a new node at the end; the cursor is left on the old tail.
    void LinkAtEnd(CListNode* node) noexcept;
    // Unlinks node, which follows previous (null when node is first). The cursor is not moved.
    void Unlink(CListNode* previous, CListNode* node) noexcept;
    // Empties the list and answers its old chain, which the caller now owns; the cursor ends null.
    CListNode* DetachAll() noexcept;
    // The cursor's node, or null; the cursor moves on to its successor.
    CListNode* NextNode() const noexcept;
    void SwapNodes(CListCore& other) noexcept;

    // order(a, b, context) > 0 means a goes before b. Throws std::bad_alloc, or what order
    // throws, with the list unchanged.
    using NodeOrder = int (*)(const CListNode* a, const CListNode* b, void* context);
    void SortNodes(NodeOrder order, void* context);

    CListNode* head = nullptr;
    CListNode* tail = nullptr;
    mutable CListNode* cursor = nullptr;
    SInt32 count = 0;
};
