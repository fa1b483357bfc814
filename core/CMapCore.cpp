#include "CMapCore.h"

#include <algorithm>

bool CMapCore::InsertNode(CMapNode** slot, CMapNode* node, KeyOrder order) noexcept
{
    CMapNode* here = *slot;
    if (here == nullptr) {
        *slot = node;
        return true;
    }
    const int side = order(node, here);
    if (side > 0)
        return InsertRight(slot, node, order);
    if (side < 0)
        return InsertLeft(slot, node, order);
    return false;
}

bool CMapCore::InsertRight(CMapNode** slot, CMapNode* node, KeyOrder order) noexcept
{
    CMapNode* here = *slot;
    if (!InsertNode(&here->right, node, order))
        return false;
    const SInt32 old = here->balance++;
    if (old == 0)
        return true;
    if (here->balance == 2) {
        if (here->right != nullptr && here->right->balance == -1)
            RotateRight(&here->right);
        RotateLeft(slot);
    }
    return false;
}

bool CMapCore::InsertLeft(CMapNode** slot, CMapNode* node, KeyOrder order) noexcept
{
    CMapNode* here = *slot;
    if (!InsertNode(&here->left, node, order))
        return false;
    const SInt32 old = here->balance--;
    if (old == 0)
        return true;
    if (here->balance == -2) {
        if (here->left != nullptr && here->left->balance == 1)
            RotateLeft(&here->left);
        RotateRight(slot);
    }
    return false;
}

void CMapCore::RotateRight(CMapNode** slot) noexcept
{
    CMapNode* n = *slot;
    CMapNode* l = n->left;
    *slot = l;
    n->left = l->right;
    l->right = n;
    n->balance = n->balance + 1 - std::min(l->balance, 0);
    l->balance = l->balance + 1 + std::max(n->balance, 0);
}

void CMapCore::RotateLeft(CMapNode** slot) noexcept
{
    CMapNode* n = *slot;
    CMapNode* r = n->right;
    *slot = r;
    n->right = r->left;
    r->left = n;
    n->balance = n->balance - 1 - std::max(r->balance, 0);
    r->balance = r->balance - 1 + std::min(n->balance, 0);
}
