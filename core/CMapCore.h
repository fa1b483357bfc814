// The key-independent half of CMap<K, V>: the AVL tree's shape (root, subtrees, balances), the
// entry count, insertion with rebalancing and the two rotations. CMap<K, V> supplies the key
// order and owns the entries.
// Invariants between operations: every node's balance is the height of its right subtree minus
// that of its left, and is -1, 0 or +1; keys in a left subtree order before the node's key,
// keys in a right subtree after it.
// One thread at a time per map.
#pragma once

#include "MacTypes.h"

struct CMapNode {
    CMapNode* left = nullptr;
    CMapNode* right = nullptr;
    SInt32 balance = 0;
};

class CMapCore {
public:
    SInt32 Count() const { return count; }

protected:
    CMapCore() = default;
    CMapCore(const CMapCore&) = delete;
    CMapCore& operator=(const CMapCore&) = delete;
    ~CMapCore() = default;

    // order(a, b) < 0, 0 or > 0 as a's key orders before, equal to or after b's.
    using KeyOrder = int (*)(const CMapNode* a, const CMapNode* b);

    // Puts node into the tree under slot and rebalances; answers true when the subtree grew in
    // height. A node whose key is already present is not inserted.
    static bool InsertNode(CMapNode** slot, CMapNode* node, KeyOrder order) noexcept;
    static void RotateLeft(CMapNode** slot) noexcept;
    static void RotateRight(CMapNode** slot) noexcept;

    void Reset() noexcept
    {
        root = nullptr;
        count = 0;
    }

    CMapNode* root = nullptr;
    SInt32 count = 0;

private:
    static bool InsertRight(CMapNode** slot, CMapNode* node, KeyOrder order) noexcept;
    static bool InsertLeft(CMapNode** slot, CMapNode* node, KeyOrder order) noexcept;
};
