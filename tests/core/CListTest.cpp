#include "CList.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <strings.h>
#include <vector>

namespace {

// A list that shows its ends and cursor, so tests can check how the chain is linked.
template <class T>
struct ListProbe : CList<T> {
    const T* Head() const { return ValueAt(this->head); }
    const T* Tail() const { return ValueAt(this->tail); }
    const T* Cursor() const { return ValueAt(this->cursor); }

    static const T* ValueAt(const CListNode* node)
    {
        return node ? &static_cast<const elem<T>*>(node)->value : nullptr;
    }
};

template <class T>
std::vector<T> Values(const CList<T>& list)
{
    std::vector<T> values;
    list.Rewind();
    while (const T* value = list.Next())
        values.push_back(*value);
    return values;
}

template <class T>
void Fill(CList<T>& list, const std::vector<T>& values)
{
    for (const T& value : values)
        list.Append(value);
}

std::optional<int> ValueOrNone(const int* value)
{
    return value ? std::optional<int>(*value) : std::nullopt;
}

// An element whose copy throws when asked to, like a text whose buffer cannot be allocated.
struct Fragile {
    int id = 0;
    bool failsToCopy = false;

    Fragile(int i, bool fails = false)
        : id(i)
        , failsToCopy(fails)
    {
    }
    Fragile(const Fragile& other)
        : id(other.id)
        , failsToCopy(other.failsToCopy)
    {
        if (failsToCopy)
            throw std::runtime_error("copy failed");
    }
    Fragile& operator=(const Fragile&) = default;
    bool operator==(const Fragile& other) const { return id == other.id; }
};

// A delivery-result-like record: a last name, and its place before sorting.
struct Delivered {
    std::string lastName;
    int order = 0;
    bool operator==(const Delivered& other) const = default;
};

int CompareLastNamesNoCase(const Delivered& a, const Delivered& b)
{
    const int result = strcasecmp(a.lastName.c_str(), b.lastName.c_str());
    return result < 0 ? -1 : result > 0 ? 1 : 0;
}

// The sort written out over an array of records, to check the list ends in the same order,
// ties included.
void ReferenceShellSort(std::vector<Delivered>& a)
{
    const std::size_t n = a.size();
    std::size_t h = 1;
    while (3 * h + 1 <= n / 2)
        h = 3 * h + 1;
    for (;; h /= 3) {
        for (std::size_t i = h; i < n; ++i) {
            Delivered tmp = a[i];
            std::size_t j = i;
            while (j >= h && CompareLastNamesNoCase(tmp, a[j - h]) > 0) {
                a[j] = a[j - h];
                j -= h;
            }
            a[j] = tmp;
        }
        if (h == 1)
            return;
    }
}

} // namespace

TEST(CList, AppendToEmptyListSetsBothEndsAndCount)
{
    ListProbe<int> list;
    EXPECT_EQ(list.Head(), nullptr);
    EXPECT_EQ(list.Tail(), nullptr);
    list.Append(7);
    ASSERT_NE(list.Head(), nullptr);
    EXPECT_EQ(list.Head(), list.Tail());
    EXPECT_EQ(*list.Head(), 7);
    EXPECT_EQ(list.Count(), 1);
}

TEST(CList, RemoveUnlinksFirstEqualElementAndLeavesCursorOnItsSuccessor)
{
    struct Case {
        std::vector<int> start;
        int removed;
        std::vector<int> left;
        std::optional<int> cursor;
    };
    const Case cases[] = {
        {{5}, 5, {}, std::nullopt},
        {{1, 2, 3}, 3, {1, 2}, std::nullopt},
        {{1, 2, 3}, 1, {2, 3}, 2},
        {{1, 2, 3}, 2, {1, 3}, 3},
        {{1, 2, 1, 3}, 1, {2, 1, 3}, 2},
        {{3, 1}, 1, {3}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.start) + " remove " + std::to_string(c.removed));
        ListProbe<int> list;
        Fill(list, c.start);
        EXPECT_TRUE(list.Remove(c.removed));
        EXPECT_EQ(ValueOrNone(list.Cursor()), c.cursor);
        EXPECT_EQ(Values(list), c.left);
        EXPECT_EQ(list.Count(), SInt32(c.left.size()));
        EXPECT_EQ(ValueOrNone(list.Head()), c.left.empty() ? std::nullopt : std::optional<int>(c.left.front()));
        EXPECT_EQ(ValueOrNone(list.Tail()), c.left.empty() ? std::nullopt : std::optional<int>(c.left.back()));
    }
}

TEST(CList, RemoveOfAbsentElementChangesNothing)
{
    ListProbe<int> list;
    EXPECT_FALSE(list.Remove(1));
    Fill(list, {1, 2});
    EXPECT_FALSE(list.Remove(3));
    EXPECT_EQ(Values(list), (std::vector<int>{1, 2}));
    EXPECT_EQ(*list.Tail(), 2);
}

TEST(CList, ContainsAndAppendUnique)
{
    ListProbe<int> list;
    EXPECT_FALSE(list.Contains(1));
    EXPECT_TRUE(list.AppendUnique(1));
    EXPECT_TRUE(list.AppendUnique(2));
    EXPECT_FALSE(list.AppendUnique(1));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_TRUE(list.Contains(1));
    EXPECT_EQ(*list.Cursor(), 2); // left on the node after the match
    EXPECT_FALSE(list.Contains(9));
    EXPECT_EQ(list.Cursor(), nullptr);
}

TEST(CList, AppendLeavesCursorOnOldTailAndCallersRewind)
{
    ListProbe<int> list;
    list.Append(1);
    EXPECT_EQ(list.Cursor(), nullptr);
    list.Append(2);
    EXPECT_EQ(*list.Cursor(), 1);
    list.Rewind();
    EXPECT_EQ(*list.Next(), 1);
    EXPECT_EQ(*list.Next(), 2);
    EXPECT_EQ(list.Next(), nullptr);
    EXPECT_EQ(list.Next(), nullptr);
}

TEST(CList, CopiesAreIndependentAndInOrder)
{
    CList<std::string> source;
    Fill<std::string>(source, {"a", "b", "a"});
    CList<std::string> copy(source);
    source.Remove("a");
    EXPECT_EQ(Values(copy), (std::vector<std::string>{"a", "b", "a"}));

    CList<std::string> assigned;
    Fill<std::string>(assigned, {"old"});
    assigned = copy;
    copy.RemoveAll();
    EXPECT_EQ(Values(assigned), (std::vector<std::string>{"a", "b", "a"}));

    CList<std::string> empty;
    assigned = empty;
    EXPECT_EQ(assigned.Count(), 0);
    EXPECT_EQ(assigned.Next(), nullptr);
}

TEST(CList, AppendAllAndAssignmentWithItselfChangeNothing)
{
    ListProbe<int> list;
    Fill(list, {1, 2, 3});
    list.AppendAll(list);
    EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3}));
    CList<int>& same = list;
    static_cast<CList<int>&>(list) = same;
    EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(*list.Tail(), 3);

    CList<int> more;
    Fill(more, {4, 5});
    list.AppendAll(more);
    EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Values(more), (std::vector<int>{4, 5}));
}

TEST(CList, EqualityComparesCountsThenElementsInOrder)
{
    struct Case {
        std::vector<int> a, b;
        bool equal;
    };
    const Case cases[] = {
        {{}, {}, true},
        {{1, 2}, {1, 2}, true},
        {{1, 2}, {2, 1}, false},
        {{1, 2}, {1, 2, 3}, false},
        {{1, 1}, {1, 2}, false},
    };
    for (const Case& c : cases) {
        CList<int> a, b;
        Fill(a, c.a);
        Fill(b, c.b);
        EXPECT_EQ(a == b, c.equal) << testing::PrintToString(c.a) << " vs " << testing::PrintToString(c.b);
    }
    CList<int> self;
    Fill(self, {1, 2, 3});
    EXPECT_TRUE(self == self);
}

TEST(CList, ThrowingCopyLeavesListAndPoolUnchanged)
{
    ListProbe<Fragile> list;
    list.Append(Fragile(1));
    const int spare = CList<Fragile>::Pool().SpareCount();
    EXPECT_THROW(list.Append(Fragile(2, true)), std::runtime_error);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Tail()->id, 1);
    EXPECT_EQ(CList<Fragile>::Pool().SpareCount(), spare);

    CList<Fragile> source;
    source.Append(Fragile(5));
    source.Append(Fragile(6));
    source.Rewind();
    source.Next();
    source.Next()->failsToCopy = true;
    const int spareWithSource = CList<Fragile>::Pool().SpareCount();

    CList<Fragile>& target = list;
    EXPECT_THROW(target = source, std::runtime_error);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Head()->id, 1);
    EXPECT_THROW(CList<Fragile> copy(source), std::runtime_error);
    EXPECT_EQ(CList<Fragile>::Pool().SpareCount(), spareWithSource);
}

TEST(CList, SortPutsGreaterFirstSoLastNamesRunZToA)
{
    struct Case {
        std::vector<std::string> names;
        std::vector<std::string> sorted;
    };
    const Case cases[] = {
        {{}, {}},
        {{"x"}, {"x"}},
        {{"b", "A", "c"}, {"c", "b", "A"}},
        {{"a", "B"}, {"B", "a"}},
        {{"Zoe", "adams", "Miller", "zed", "Brown"}, {"Zoe", "zed", "Miller", "Brown", "adams"}},
    };
    for (const Case& c : cases) {
        CList<Delivered> list;
        for (const std::string& name : c.names)
            list.Append({name, 0});
        list.Sort(CompareLastNamesNoCase);
        std::vector<std::string> names;
        for (const Delivered& d : Values(list))
            names.push_back(d.lastName);
        EXPECT_EQ(names, c.sorted) << testing::PrintToString(c.names);
    }
}

TEST(CList, SortLeavesTiesWhereTheShellSortPutsThem)
{
    std::mt19937 random(103);
    for (int n : {2, 3, 9, 10, 41, 1000}) {
        std::vector<Delivered> records;
        CList<Delivered> list;
        for (int i = 0; i < n; ++i) {
            const std::string name(1, "aAbBcd"[random() % 6]);
            records.push_back({name, i});
            list.Append(records.back());
        }
        list.Sort(CompareLastNamesNoCase);
        ReferenceShellSort(records);
        EXPECT_EQ(Values(list), records) << n << " records";
        EXPECT_EQ(list.Count(), n);
        list.Append({"end", -1});
        EXPECT_EQ(Values(list).back().order, -1); // the tail is the last sorted node
    }
}

TEST(CList, SortWhoseComparisonThrowsLeavesListUnchanged)
{
    CList<int> list;
    Fill(list, {3, 1, 2});
    int calls = 0;
    EXPECT_THROW(list.Sort([&](int a, int b) {
        if (++calls == 2)
            throw std::runtime_error("compare failed");
        return a - b;
    }),
                 std::runtime_error);
    EXPECT_EQ(Values(list), (std::vector<int>{3, 1, 2}));
}
