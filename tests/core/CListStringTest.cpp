#include "CList.h"
#include "CMap.h"
#include "CString256.h"
#include "CText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> Texts(const CList<CString256>& list)
{
    std::vector<std::string> texts;
    list.Rewind();
    while (const CString256* s = list.Next())
        texts.push_back(s->text);
    return texts;
}

std::string Repeat(const std::string& piece, int times)
{
    std::string text;
    for (int i = 0; i < times; ++i)
        text += piece;
    return text;
}

} // namespace

TEST(CListOfStrings, TakesCStringsAndComparesTheirBytes)
{
    CList<CString256> list;
    EXPECT_TRUE(list.AppendUnique("/Volumes/Disk/a.txt"));
    EXPECT_TRUE(list.AppendUnique("/Volumes/Disk/A.txt"));
    EXPECT_FALSE(list.AppendUnique("/Volumes/Disk/a.txt"));
    EXPECT_EQ(list.Count(), 2);
    list.Append("/Volumes/Disk/a.txt");
    list.Append(CString256("x"));
    EXPECT_TRUE(list.Remove("/Volumes/Disk/a.txt"));
    EXPECT_EQ(Texts(list), (std::vector<std::string>{"/Volumes/Disk/A.txt", "/Volumes/Disk/a.txt", "x"}));
    EXPECT_FALSE(list.Contains("/volumes/disk/a.txt"));
    EXPECT_TRUE(list.Contains(CString256("x")));

    CList<CString256> same(list);
    EXPECT_TRUE(same == list);
    same.Remove("x");
    same.Append("X");
    EXPECT_FALSE(same == list);
}

TEST(CListOfStrings, LongStringsAreCutOnACharacterBoundaryAndFoundAgain)
{
    const std::string accents = Repeat("é", 150); // 300 bytes of 2-byte characters
    CList<CString256> list;
    EXPECT_TRUE(list.AppendUnique(accents.c_str()));
    EXPECT_FALSE(list.AppendUnique(accents.c_str()));
    EXPECT_TRUE(list.Contains(accents.c_str()));
    EXPECT_EQ(Texts(list), std::vector<std::string>{Repeat("é", 127)});
    EXPECT_TRUE(list.Remove(accents.c_str()));
    EXPECT_EQ(list.Count(), 0);
}

TEST(CListOfStrings, GetLeafNameAtGivesTheTextAfterTheLastSlash)
{
    CList<CString256> paths;
    for (const char* path : {"/Volumes/Disk/file.txt", "no-slash.txt", "/folder/", "/Users/zoë/Résumé.pdf"})
        paths.Append(path);
    struct Case {
        SInt32 n;
        const char* leaf; // "(unchanged)" when nothing is written
    };
    const Case cases[] = {
        {1, "file.txt"},
        {2, "(unchanged)"},
        {3, ""},
        {4, "Résumé.pdf"},
        {5, "(unchanged)"},
        {0, "(unchanged)"},
        {-1, "(unchanged)"},
    };
    for (const Case& c : cases) {
        CString256 leaf("(unchanged)");
        GetLeafNameAt(paths, c.n, leaf);
        EXPECT_STREQ(leaf.text, c.leaf) << "item " << c.n;
    }
}

TEST(CListOfTexts, AppendUniqueKeepsEachTextOnce)
{
    CList<CText> texts;
    EXPECT_TRUE(texts.AppendUnique("alpha"));
    EXPECT_TRUE(texts.AppendUnique(CText("Alpha")));
    EXPECT_FALSE(texts.AppendUnique("alpha"));
    EXPECT_EQ(texts.Count(), 2);

    const char* bytes = "x";
    const CText bufferless(bytes + 1, bytes); // no buffer: reads as empty
    EXPECT_TRUE(texts.AppendUnique(""));
    EXPECT_FALSE(texts.AppendUnique(bufferless));
    EXPECT_TRUE(texts.Remove(bufferless));
    EXPECT_EQ(texts.Count(), 2);
}

TEST(CMapOfStrings, KeysOrderByBytesAndLongKeysFindTheirEntry)
{
    CMap<CString256, CString256> fields;
    fields.FindOrInsert("b", CString256("2"));
    fields.FindOrInsert("B", CString256("1"));
    fields.FindOrInsert("a", CString256("3"));
    const std::string longKey = Repeat("€", 90); // 270 bytes of 3-byte characters
    auto* entry = fields.FindOrInsert(longKey.c_str(), fields.defaultValue);
    EXPECT_EQ(std::string(entry->key.text), Repeat("€", 85));
    EXPECT_STREQ(entry->value.text, "");
    EXPECT_EQ(fields.FindOrInsert(longKey.c_str(), CString256("other")), entry);
    EXPECT_EQ(fields.Find(longKey.c_str()), entry);
    EXPECT_EQ(fields.Count(), 4);

    ASSERT_NE(fields.Find("B"), nullptr);
    EXPECT_STREQ(fields.Find("B")->value.text, "1");
    EXPECT_EQ(fields.Find("A"), nullptr);
    EXPECT_LT(CMapCompareKeys(CString256("B"), CString256("a")), 0);
    EXPECT_LT(CMapCompareKeys(CString256("z"), CString256("é")), 0); // bytes compare unsigned
}

// The Message Monitor's OS threads fill string lists while the GUI thread fills its own: every
// list must keep exactly what was put in it, and every node must come back to the pool.
TEST(CListOfStrings, FourThreadsAndTheMainThreadChurnListsWithoutCorruption)
{
    NodePool& pool = CList<CString256>::Pool();
    const int inUseBefore = pool.BlockCount() * NodePool::kBlockNodes - pool.SpareCount();
    std::atomic<int> faults{0};

    auto churn = [&faults](int worker) {
        char name[64];
        auto nameOf = [&](int round, int i) {
            std::snprintf(name, sizeof name, "worker %d round %d item %d", worker, round, i);
            return name;
        };
        for (int round = 0; round < 150; ++round) {
            CList<CString256> list;
            for (int i = 0; i < 300; ++i)
                list.Append(nameOf(round, i));
            for (int i = 0; i < 300; i += 2)
                faults += list.Remove(nameOf(round, i)) ? 0 : 1;
            CList<CString256> copy(list);
            list.RemoveAll();
            int i = 1;
            copy.Rewind();
            while (const CString256* s = copy.Next()) {
                faults += std::strcmp(s->text, nameOf(round, i)) == 0 ? 0 : 1;
                i += 2;
            }
            faults += (i == 301 && copy.Count() == 150) ? 0 : 1;
        }
    };

    // A corrupted spare chain tends to loop rather than crash: fail plainly instead of hanging.
    std::atomic<bool> finished{false};
    std::thread watchdog([&finished] {
        for (int tenths = 0; tenths < 600 && !finished; ++tenths)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (finished)
            return;
        std::fprintf(stderr, "string lists never finished churning: the node pool is corrupted\n");
        std::_Exit(1);
    });
    std::vector<std::thread> workers;
    for (int worker = 1; worker <= 4; ++worker)
        workers.emplace_back(churn, worker);
    churn(0);
    for (std::thread& worker : workers)
        worker.join();
    finished = true;
    watchdog.join();

    EXPECT_EQ(faults.load(), 0);
    EXPECT_EQ(pool.BlockCount() * NodePool::kBlockNodes - pool.SpareCount(), inUseBefore);
}
