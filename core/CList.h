// CList<T>: a singly linked list that owns copies of its elements, in the order they were
// appended (or as Sort leaves them). Nodes (elem<T>) come from the element type's NodePool, so a
// list emptied and refilled reuses its nodes and never returns memory to the system.
// The list keeps one walk cursor: Rewind and Next are how callers iterate, and Contains, Remove,
// RemoveAll, AppendAll (on its argument), operator== (on both lists), Sort and Append all move
// it, so a caller rewinds before every walk and calls none of those on the list it is walking.
// Elements compare through CListEquals (operator== unless an element type overloads it; fixed
// strings and texts compare their bytes with strcmp). Lists of fixed strings also take C strings:
// the string is first cut as the element would hold it (on a character boundary), so Contains
// and AppendUnique see a long path the way Append stored it.
// One thread at a time per list; the node pool is shared by all lists of a type and locked.
// Failures: a node block that cannot be allocated, or an element copy that throws, leaves the
// list unchanged and the node back in its pool.
#pragma once

#include "CListCore.h"
#include "NodePool.h"

#include <cstddef>
#include <type_traits>

class CString256;
class CText;

template <class T>
struct elem : CListNode {
    T value;

    template <class Source>
    explicit elem(const Source& source)
        : value(source)
    {
    }

    static void* operator new(std::size_t) { return Pool().Take(); }
    static void operator delete(void* node) noexcept { Pool().Give(node); }
    static NodePool& Pool() { return NodePoolFor<elem>(); }
};

// Element equality used by Contains, Remove and operator==; element types overload it where
// plain operator== is not what the program means.
template <class T, class A>
bool CListEquals(const T& value, const A& argument)
{
    return value == argument;
}

bool CListEquals(const CString256& value, const CString256& other);
bool CListEquals(const CText& value, const CText& other);

// Element types made from a C string only on request (the fixed strings): their lists take C
// strings as well as elements.
template <class T>
concept CListCStringElement = std::is_constructible_v<T, const char*> && !std::is_convertible_v<const char*, T>;

template <class T>
class CList : public CListCore {
public:
    using Node = elem<T>;

    CList() = default;

    // An independent list of copies, in order; the source's cursor is not touched.
    CList(const CList& source)
        : CListCore()
    {
        try {
            for (const CListNode* node = source.head; node != nullptr; node = node->next)
                Append(ValueOf(node));
        } catch (...) {
            RemoveAll();
            throw;
        }
    }

    // Replaces the content with copies of source's values; if a copy fails the list keeps its
    // old content. Assigning a list to itself changes nothing.
    CList& operator=(const CList& source)
    {
        if (&source == this)
            return *this;
        CList copy(source);
        RemoveAll();
        SwapNodes(copy);
        return *this;
    }

    ~CList() { RemoveAll(); }

    void Append(const T& value) { LinkAtEnd(new Node(value)); }
    void Append(const char* text)
        requires CListCStringElement<T>
    {
        LinkAtEnd(new Node(text));
    }

    // Appends only when no equal element is present; true when it appended.
    bool AppendUnique(const T& value)
    {
        if (Contains(value))
            return false;
        Append(value);
        return true;
    }
    bool AppendUnique(const char* text)
        requires CListCStringElement<T>
    {
        return AppendUnique(T(text));
    }

    // Appends a copy of every element of other, in order; nothing when other is this list.
    CList& AppendAll(const CList& other)
    {
        if (&other == this)
            return *this;
        other.Rewind();
        while (const CListNode* node = other.NextNode())
            Append(ValueOf(node));
        return *this;
    }

    // Stops at the first equal element, leaving the cursor on the node after it.
    bool Contains(const T& value) const
    {
        Rewind();
        while (const CListNode* node = NextNode()) {
            if (CListEquals(ValueOf(node), value))
                return true;
        }
        return false;
    }
    bool Contains(const char* text) const
        requires CListCStringElement<T>
    {
        return Contains(T(text));
    }

    // Removes the first equal element only; the cursor stays on its successor.
    bool Remove(const T& value)
    {
        Rewind();
        CListNode* previous = nullptr;
        while (CListNode* node = NextNode()) {
            if (CListEquals(ValueOf(node), value)) {
                Unlink(previous, node);
                delete static_cast<Node*>(node);
                return true;
            }
            previous = node;
        }
        return false;
    }
    bool Remove(const char* text)
        requires CListCStringElement<T>
    {
        return Remove(T(text));
    }

    void RemoveAll() noexcept
    {
        CListNode* node = DetachAll();
        while (node != nullptr) {
            CListNode* next = node->next;
            delete static_cast<Node*>(node);
            node = next;
        }
    }

    bool operator==(const CList& other) const
    {
        if (count != other.count)
            return false;
        if (&other == this)
            return true;
        Rewind();
        other.Rewind();
        while (const CListNode* mine = NextNode()) {
            if (!CListEquals(ValueOf(mine), ValueOf(other.NextNode())))
                return false;
        }
        return true;
    }

    // The last element, or null for an empty list; the cursor is not touched.
    T* Last() { return tail != nullptr ? &static_cast<Node*>(tail)->value : nullptr; }

    // The cursor's value, moving the cursor on; null at the end of the walk.
    T* Next()
    {
        CListNode* node = NextNode();
        return node != nullptr ? &static_cast<Node*>(node)->value : nullptr;
    }
    const T* Next() const
    {
        const CListNode* node = NextNode();
        return node != nullptr ? &ValueOf(node) : nullptr;
    }

    // Shell sort over a comparison: compare(a, b) > 0 puts a ahead of b, so a "greater than"
    // comparison leaves the list in descending order (delivery results run Z to A by last name).
    // Equal elements are not kept in their order. Nodes are relinked, no value is copied; if
    // compare throws, the list is unchanged.
    template <class Compare>
    void Sort(Compare compare)
    {
        SortNodes(
            [](const CListNode* a, const CListNode* b, void* context) -> int {
                return (*static_cast<Compare*>(context))(ValueOf(a), ValueOf(b));
            },
            &compare);
    }

    static NodePool& Pool() { return Node::Pool(); }

private:
    static const T& ValueOf(const CListNode* node) { return static_cast<const Node*>(node)->value; }
};

// The n-th path's last component (n counted from 1): the text after its last "/" goes to leaf.
// Nothing is written when n is below 1 or past the end, or the path holds no "/". Walks the
// list's cursor from the head.
void GetLeafNameAt(CList<CString256>& paths, SInt32 n, CString256& leaf);
