#include "CMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A map that shows its tree, so tests can check its shape and balances.
template <class K, class V>
struct MapProbe : CMap<K, V> {
    using Entry = Link<K, V>;

    const Entry* Root() const { return static_cast<const Entry*>(this->root); }
    static const Entry* Left(const Entry* e) { return static_cast<const Entry*>(e->left); }
    static const Entry* Right(const Entry* e) { return static_cast<const Entry*>(e->right); }

    // Height of the subtree; checks every balance and the key order on the way.
    int CheckedHeight(const Entry* e, std::vector<K>& inOrder) const
    {
        if (e == nullptr)
            return 0;
        const int left = CheckedHeight(Left(e), inOrder);
        inOrder.push_back(e->key);
        const int right = CheckedHeight(Right(e), inOrder);
        EXPECT_EQ(e->balance, right - left) << "at key " << testing::PrintToString(e->key);
        EXPECT_LE(std::abs(e->balance), 1) << "at key " << testing::PrintToString(e->key);
        return 1 + std::max(left, right);
    }
};

template <class K, class V>
std::vector<K> KeysInInsertionOrder(CMap<K, V>& map)
{
    std::vector<K> keys;
    map.links.Rewind();
    while (Link<K, V>** entry = map.links.Next())
        keys.push_back((*entry)->key);
    return keys;
}

// A value whose copy throws when asked to.
struct FragileValue {
    int id = 0;
    bool failsToCopy = false;

    FragileValue() = default;
    FragileValue(int i, bool fails)
        : id(i)
        , failsToCopy(fails)
    {
    }
    FragileValue(const FragileValue& other)
        : id(other.id)
        , failsToCopy(other.failsToCopy)
    {
        if (failsToCopy)
            throw std::runtime_error("copy failed");
    }
};

} // namespace

TEST(CMap, ThreeKeysInAnyOrderGiveTheBalancedTreeOfTwo)
{
    const std::vector<long> orders[] = {{1, 2, 3}, {3, 1, 2}, {3, 2, 1}, {1, 3, 2}, {2, 1, 3}};
    for (const std::vector<long>& order : orders) {
        SCOPED_TRACE(testing::PrintToString(order));
        MapProbe<long, long> map;
        for (long key : order)
            map.FindOrInsert(key, key * 10);
        const auto* root = map.Root();
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(root->key, 2);
        ASSERT_NE(map.Left(root), nullptr);
        ASSERT_NE(map.Right(root), nullptr);
        EXPECT_EQ(map.Left(root)->key, 1);
        EXPECT_EQ(map.Right(root)->key, 3);
        EXPECT_EQ(root->balance, 0);
        EXPECT_EQ(map.Left(root)->balance, 0);
        EXPECT_EQ(map.Right(root)->balance, 0);
        EXPECT_EQ(map.Count(), 3);
        EXPECT_EQ(KeysInInsertionOrder(map), order);
    }
}

TEST(CMap, StaysBalancedOrderedAndListedAfterTenThousandRandomInserts)
{
    std::mt19937 random(1103);
    MapProbe<unsigned long, unsigned long> map;
    std::set<unsigned long> present;
    std::vector<unsigned long> firstInsertions;
    for (int i = 0; i < 10000; ++i) {
        const unsigned long key = random() % 20000;
        auto* entry = map.FindOrInsert(key, map.defaultValue);
        if (present.insert(key).second) {
            firstInsertions.push_back(key);
            entry->value = key + 1;
        }
    }
    std::vector<unsigned long> inOrder;
    const int height = map.CheckedHeight(map.Root(), inOrder);
    EXPECT_EQ(inOrder, std::vector<unsigned long>(present.begin(), present.end()));
    EXPECT_EQ(map.Count(), SInt32(present.size()));
    EXPECT_EQ(KeysInInsertionOrder(map), firstInsertions);
    EXPECT_LE(height, 1.45 * std::log2(double(present.size()) + 2));
    for (unsigned long key : present) {
        const auto* found = map.Find(key);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->value, key + 1);
    }
}

TEST(CMap, FindOrInsertOfPresentKeyKeepsTheFirstEntry)
{
    CMap<std::string, int> map;
    auto* first = map.FindOrInsert("key", 1);
    auto* again = map.FindOrInsert("key", 2);
    EXPECT_EQ(again, first);
    EXPECT_EQ(again->value, 1);
    EXPECT_EQ(map.Count(), 1);
    EXPECT_EQ(map.links.Count(), 1);
    EXPECT_EQ(map.Find("key"), first);
    EXPECT_EQ(map.Find("absent"), nullptr);
}

TEST(CMap, DefaultValueIsValueInitialised)
{
    CMap<long, std::string> text;
    EXPECT_EQ(text.FindOrInsert(5, text.defaultValue)->value, "");
    CMap<long, int*> pointers;
    EXPECT_EQ(pointers.FindOrInsert(5, pointers.defaultValue)->value, nullptr);
    CMap<long, double> numbers;
    EXPECT_EQ(numbers.FindOrInsert(5, numbers.defaultValue)->value, 0.0);
}

TEST(CMap, CharKeysOrderSigned)
{
    MapProbe<char, long> map;
    for (char key : {'\x01', '\xff', '\x7f', '\x80'})
        map.FindOrInsert(key, 0);
    std::vector<char> inOrder;
    map.CheckedHeight(map.Root(), inOrder);
    EXPECT_EQ(inOrder, (std::vector<char>{'\x80', '\xff', '\x01', '\x7f'}));
}

TEST(CMap, FailedValueCopyLeavesMapAndPoolsUnchanged)
{
    CMap<long, FragileValue> map;
    map.FindOrInsert(1, FragileValue(1, false));
    const int spareLinks = map.Pool().SpareCount();
    const int spareListNodes = map.links.Pool().SpareCount();
    EXPECT_THROW(map.FindOrInsert(2, FragileValue(2, true)), std::runtime_error);
    EXPECT_EQ(map.Count(), 1);
    EXPECT_EQ(map.links.Count(), 1);
    EXPECT_EQ(map.Find(2), nullptr);
    EXPECT_EQ(map.Pool().SpareCount(), spareLinks);
    EXPECT_EQ(map.links.Pool().SpareCount(), spareListNodes);
}

TEST(CMap, RemoveAllGivesEveryNodeBackAndTheMapStaysUsable)
{
    MapProbe<long, std::string> map;
    for (long key = 0; key < 300; ++key)
        map.FindOrInsert(key, "value");
    map.RemoveAll();
    EXPECT_EQ(map.Count(), 0);
    EXPECT_EQ(map.Root(), nullptr);
    EXPECT_EQ(map.links.Count(), 0);
    EXPECT_EQ(map.Find(5), nullptr);
    EXPECT_EQ(map.Pool().SpareCount(), map.Pool().BlockCount() * NodePool::kBlockNodes);
    EXPECT_EQ(map.links.Pool().SpareCount(), map.links.Pool().BlockCount() * NodePool::kBlockNodes);

    map.FindOrInsert(7, "again");
    EXPECT_EQ(map.Find(7)->value, "again");
    EXPECT_EQ(KeysInInsertionOrder(map), std::vector<long>{7});
}
