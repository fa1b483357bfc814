// Persistent file lists: most recent first, capacity, duplicates, the stored value, deleted
// files, a failed alias, and the name order with unresolvable entries.
#include "CFileItems.h"

#include "CFPreferenceDomain.h"
#include "EnvironmentTestSupport.h"
#include "FileManager.h"
#include "MemoryBlocks.h"

#include <gtest/gtest.h>

#include <QFile>

#include <algorithm>
#include <string>
#include <vector>

namespace {

class CFileItemsTest : public EnvironmentTest {
protected:
    FSRef MakeFile(const QString& name)
    {
        const QString path = Folder() + "/" + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        FSRef ref;
        EXPECT_EQ(FSPathMakeRef(path.toStdString(), &ref), noErr);
        return ref;
    }

    static std::vector<std::string> Names(const CFileItems& items)
    {
        std::vector<std::string> names;
        for (SInt32 i = 0; i < items.Count(); ++i) {
            CString256 path("(unresolved)");
            items.GetItemPath(i, path);
            const std::string text = path.text;
            names.push_back(text.substr(text.rfind('/') + 1));
        }
        return names;
    }
};

}  // namespace

TEST_F(CFileItemsTest, MostRecentFirstWithinCapacityAndStoredByTheDestructor)
{
    std::vector<FSRef> files;
    for (int i = 0; i < 11; ++i)
        files.push_back(MakeFile(QString("f%1").arg(i)));
    {
        CFileItems items("Recent Items", 10);
        for (int i = 0; i < 10; ++i)
            items.AddItem(files[i]);
        items.AddItem(files[3]);  // listed already: keeps its place
        EXPECT_EQ(Names(items), (std::vector<std::string>{"f9", "f8", "f7", "f6", "f5", "f4", "f3", "f2", "f1", "f0"}));
        items.AddItem(files[10]);
        EXPECT_EQ(items.Count(), 10);
        EXPECT_EQ(Names(items).front(), "f10");
        EXPECT_EQ(Names(items).back(), "f1");
        EXPECT_TRUE(items.Contains(files[5]));
        EXPECT_FALSE(items.Contains(files[0]));
    }
    CFileItems again("Recent Items", 10);
    EXPECT_EQ(Names(again).front(), "f10");
    EXPECT_EQ(again.Count(), 10);
    const CFPropertyList stored = CFPreferenceDomain::Application().CopyValue("Recent Items");
    ASSERT_TRUE(stored.IsArray());
    EXPECT_TRUE(stored.At(0).IsData());
}

TEST_F(CFileItemsTest, NonArrayValueIsIgnoredAndOverwritten)
{
    ASSERT_EQ(CFPreferenceDomain::Application().SetValue("Open Items", CFPropertyList("not a list")), 0);
    const FSRef file = MakeFile("doc.bvto");
    {
        CFileItems items("Open Items", 25);
        EXPECT_EQ(items.Count(), 0);
        items.AddItem(file);
    }
    EXPECT_TRUE(CFPreferenceDomain::Application().CopyValue("Open Items").IsArray());
}

TEST_F(CFileItemsTest, DeletedFilesStayAndFailWhileAFailedAliasChangesNothing)
{
    const FSRef kept = MakeFile("kept");
    const FSRef gone = MakeFile("gone");
    CFileItems items("Recent Items", 10);
    items.AddItem(kept);
    items.AddItem(gone);
    ASSERT_EQ(FSDeleteObject(gone), noErr);
    EXPECT_EQ(items.Count(), 2);
    FSRef resolved;
    EXPECT_EQ(items.GetItemRef(0, resolved), fnfErr);
    CString256 path("unchanged");
    EXPECT_NE(items.GetItemPath(0, path), noErr);
    EXPECT_STREQ(path.text, "unchanged");
    EXPECT_EQ(items.GetItemRef(1, resolved), noErr);

    items.AddItem(gone);  // no alias can be made of a missing file
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(Names(items), (std::vector<std::string>{"(unresolved)", "kept"}));

    AliasHandle alias = items.GetItemAlias(1);
    ASSERT_NE(alias, nullptr);
    EXPECT_EQ(ResolveAliasData(alias, resolved), noErr);
    DisposeHandle(alias);
    EXPECT_EQ(items.GetItemAlias(7), nullptr);
}

TEST_F(CFileItemsTest, NameOrderPutsUnresolvableEntriesLast)
{
    CFileItems items("Recent Items", 10);
    for (const char* name : {"beta", "Alpha", "gamma"})
        items.AddItem(MakeFile(name));
    items.mItems.append(QByteArray("garbage record"));
    items.mItems.append(QByteArray());
    items.mItems.prepend(QByteArray("another bad one"));
    QList<QByteArray> sorted = items.mItems;
    std::sort(sorted.begin(), sorted.end(),
              [](const QByteArray& a, const QByteArray& b) { return CFileItems::CompareByName(a, b) < 0; });
    items.mItems = sorted;
    const auto names = Names(items);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 3),
              (std::vector<std::string>{"Alpha", "beta", "gamma"}));
    EXPECT_EQ(CFileItems::CompareByName(sorted[3], sorted[4]), 0);
    EXPECT_EQ(CFileItems::CompareByName(sorted[0], sorted[5]), -1);
    EXPECT_EQ(CFileItems::CompareByName(sorted[5], sorted[0]), 1);
}
