#include "CList.h"
#include "NodePool.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

// Element types of their own, so each test starts with a pool nothing else has touched.
struct BlockProbe {
    int id;
    bool operator==(const BlockProbe&) const = default;
};
struct ReuseProbe {
    long id;
    bool operator==(const ReuseProbe&) const = default;
};
struct alignas(64) WideProbe {
    char bytes[64];
};

} // namespace

TEST(NodePool, The257thNodeTakesASecondBlockAndFreedNodesComeBackFirst)
{
    NodePool& pool = CList<BlockProbe>::Pool();
    EXPECT_EQ(pool.BlockCount(), 0);

    CList<BlockProbe> list;
    for (int i = 0; i < 256; ++i)
        list.Append({i});
    EXPECT_EQ(pool.BlockCount(), 1);
    EXPECT_EQ(pool.SpareCount(), 0);
    list.Append({256});
    EXPECT_EQ(pool.BlockCount(), 2);
    EXPECT_EQ(pool.SpareCount(), 255);

    list.RemoveAll();
    EXPECT_EQ(pool.SpareCount(), 512);
    for (int i = 0; i < 512; ++i)
        list.Append({i});
    EXPECT_EQ(pool.BlockCount(), 2);
    EXPECT_EQ(pool.SpareCount(), 0);
}

TEST(NodePool, AGivenBackNodeIsTheNextOneTaken)
{
    CList<ReuseProbe> list;
    for (long i = 0; i < 10; ++i)
        list.Append({i});
    list.Rewind();
    const ReuseProbe* fifth = nullptr;
    for (int i = 0; i < 5; ++i)
        fifth = list.Next();
    ASSERT_TRUE(list.Remove({4}));
    list.Append({99});

    const ReuseProbe* last = nullptr;
    list.Rewind();
    while (const ReuseProbe* value = list.Next())
        last = value;
    EXPECT_EQ(last, fifth);
    EXPECT_EQ(last->id, 99);
    EXPECT_EQ(CList<ReuseProbe>::Pool().BlockCount(), 1);
}

TEST(NodePool, HandsOutDistinctAlignedNodesAndTakesBackLastGivenFirst)
{
    NodePool& pool = CList<WideProbe>::Pool();
    std::set<void*> nodes;
    for (int i = 0; i < 300; ++i) {
        void* node = pool.Take();
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(node) % alignof(elem<WideProbe>), 0u);
        EXPECT_TRUE(nodes.insert(node).second);
    }
    EXPECT_EQ(pool.BlockCount(), 2);
    void* a = *nodes.begin();
    void* b = *nodes.rbegin();
    pool.Give(a);
    pool.Give(b);
    EXPECT_EQ(pool.Take(), b);
    EXPECT_EQ(pool.Take(), a);
}
