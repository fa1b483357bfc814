// CMap<K, V>: an AVL tree mapping each key to one value, which also keeps a pointer to every
// entry (Link<K, V>) in `links`, in the order the entries were inserted; emptying the map walks
// that list, and callers walk it to visit the entries in insertion order. A key is held at most
// once: the first insertion wins and later ones change nothing. There is no removal of a single
// key. Keys order through CMapCompareKeys: operator< by default, signed for char, strcmp (byte
// order, case-sensitive) for CString256. Maps keyed by fixed strings also take C strings, cut
// as the key would hold them (on a character boundary) before they are looked up or stored, so
// a key over 255 bytes finds the entry it made.
// `defaultValue` holds V's value-initialised value; callers pass it to FindOrInsert to read a
// value by key and add the key when it is missing. `defaultKey` is never read.
// One thread at a time per map; the entry and list node pools are shared and locked.
// Failures: a node block that cannot be allocated, or a key or value copy that throws, leaves
// the map unchanged and the nodes back in their pools.
#pragma once

#include "CList.h"
#include "CMapCore.h"
#include "NodePool.h"

#include <cstddef>

class CString256;

template <class K, class V>
struct Link : CMapNode {
    K key;
    V value;

    Link(const K& k, const V& v)
        : key(k)
        , value(v)
    {
    }

    static void* operator new(std::size_t) { return Pool().Take(); }
    static void operator delete(void* node) noexcept { Pool().Give(node); }
    static NodePool& Pool() { return NodePoolFor<Link>(); }
};

// < 0, 0 or > 0 as a orders before, equal to or after b. Key types overload it where their
// order is not operator<.
template <class K>
int CMapCompareKeys(const K& a, const K& b)
{
    if (a < b)
        return -1;
    return b < a ? 1 : 0;
}

inline int CMapCompareKeys(char a, char b)
{
    return int(static_cast<signed char>(a)) - int(static_cast<signed char>(b));
}

int CMapCompareKeys(const CString256& a, const CString256& b);

template <class K, class V>
class CMap : public CMapCore {
public:
    using Entry = Link<K, V>;

    CMap() = default;
    CMap(const CMap&) = delete;
    CMap& operator=(const CMap&) = delete;
    ~CMap() { RemoveAll(); }

    Entry* Find(const K& key) { return static_cast<Entry*>(FindNode(key)); }
    const Entry* Find(const K& key) const { return static_cast<const Entry*>(FindNode(key)); }
    Entry* Find(const char* key)
        requires CListCStringElement<K>
    {
        return Find(K(key));
    }
    const Entry* Find(const char* key) const
        requires CListCStringElement<K>
    {
        return Find(K(key));
    }

    // The entry of key; when there is none, a new entry holding copies of key and value.
    Entry* FindOrInsert(const K& key, const V& value)
    {
        if (Entry* found = Find(key))
            return found;
        Entry* entry = new Entry(key, value);
        try {
            links.Append(entry);
        } catch (...) {
            delete entry;
            throw;
        }
        ++count;
        InsertNode(&root, entry, &OrderOfKeys);
        return entry;
    }
    Entry* FindOrInsert(const char* key, const V& value)
        requires CListCStringElement<K>
    {
        return FindOrInsert(K(key), value);
    }

    void RemoveAll() noexcept
    {
        links.Rewind();
        while (Entry** entry = links.Next())
            delete *entry;
        Reset();
    }

    void Reset() noexcept
    {
        CMapCore::Reset();
        links.RemoveAll();
    }

    V defaultValue{};
    K defaultKey{};
    CList<Entry*> links;

    static NodePool& Pool() { return Entry::Pool(); }

private:
    static const K& KeyOf(const CMapNode* node) { return static_cast<const Entry*>(node)->key; }

    static int OrderOfKeys(const CMapNode* a, const CMapNode* b) { return CMapCompareKeys(KeyOf(a), KeyOf(b)); }

    CMapNode* FindNode(const K& key) const
    {
        CMapNode* node = root;
        while (node != nullptr) {
            const int side = CMapCompareKeys(key, KeyOf(node));
            if (side == 0)
                return node;
            node = side < 0 ? node->left : node->right;
        }
        return nullptr;
    }
};
