#include "CListCore.h"

#include <utility>
#include <vector>

namespace {

// Largest gap of 1, 4, 13, 40, ... (each 3h + 1) that is at most n / 2.
std::size_t FirstGap(std::size_t n)
{
    std::size_t gap = 1;
    while (3 * gap + 1 <= n / 2)
        gap = 3 * gap + 1;
    return gap;
}

// Shell sort that moves an element ahead only while it orders strictly before the one it
// passes; equal elements end wherever this exact procedure leaves them (not stable).
void ShellSort(std::vector<CListNode*>& nodes, int (*order)(const CListNode*, const CListNode*, void*), void* context)
{
    const std::size_t n = nodes.size();
    for (std::size_t gap = FirstGap(n);; gap /= 3) {
        for (std::size_t i = gap; i < n; ++i) {
            CListNode* moving = nodes[i];
            std::size_t j = i;
            while (j >= gap && order(moving, nodes[j - gap], context) > 0) {
                nodes[j] = nodes[j - gap];
                j -= gap;
            }
            nodes[j] = moving;
        }
        if (gap == 1)
            return;
    }
}

} // namespace

void CListCore::LinkAtEnd(CListNode* node) noexcept
{
    node->next = nullptr;
    cursor = tail;
    if (tail != nullptr)
        tail->next = node;
    else
        head = node;
    tail = node;
    ++count;
}

void CListCore::Unlink(CListNode* previous, CListNode* node) noexcept
{
    if (previous != nullptr)
        previous->next = node->next;
    else
        head = node->next;
    if (tail == node)
        tail = previous;
    node->next = nullptr;
    --count;
}

CListNode* CListCore::DetachAll() noexcept
{
    CListNode* chain = head;
    head = nullptr;
    tail = nullptr;
    cursor = nullptr;
    count = 0;
    return chain;
}

CListNode* CListCore::NextNode() const noexcept
{
    CListNode* node = cursor;
    if (node != nullptr)
        cursor = node->next;
    return node;
}

void CListCore::SwapNodes(CListCore& other) noexcept
{
    std::swap(head, other.head);
    std::swap(tail, other.tail);
    std::swap(cursor, other.cursor);
    std::swap(count, other.count);
}

// Sorts the nodes themselves and relinks them: no value is copied, and nothing changes until
// the order is known. The cursor ends where appending the sorted values one by one leaves it.
void CListCore::SortNodes(NodeOrder order, void* context)
{
    if (count < 2)
        return;
    std::vector<CListNode*> nodes;
    nodes.reserve(std::size_t(count));
    for (CListNode* node = head; node != nullptr; node = node->next)
        nodes.push_back(node);
    ShellSort(nodes, order, context);

    for (std::size_t i = 0; i + 1 < nodes.size(); ++i)
        nodes[i]->next = nodes[i + 1];
    nodes.back()->next = nullptr;
    head = nodes.front();
    tail = nodes.back();
    cursor = nodes[nodes.size() - 2];
}
