// Alias records follow a rename in place and a replacement under the same name, and nothing else.
#include "AliasRecord.h"
#include "FileManager.h"
#include "FileTestFolder.h"
#include "MemoryBlocks.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(AliasRecord, ResolvesWhileTheItemStaysAndFollowsARenameInPlace)
{
    FileTestFolder folder;
    folder.Put("report.txt", "r");
    FSRef ref;
    ASSERT_EQ(FSPathMakeRef(folder.PathOf("report.txt"), &ref), noErr);
    const QByteArray record = NewAliasRecordData(ref);
    ASSERT_FALSE(record.isEmpty());

    FSRef found;
    bool changed = true;
    EXPECT_EQ(ResolveAliasRecordData(record, &found, &changed), noErr);
    EXPECT_EQ(found, ref);
    EXPECT_FALSE(changed);

    ASSERT_EQ(FSRenameUnicode(ref, "renamed.txt", nullptr), noErr);
    EXPECT_EQ(ResolveAliasRecordData(record, &found, &changed), noErr);
    EXPECT_EQ(found.path, folder.PathOf("renamed.txt"));
    EXPECT_TRUE(changed);
}

TEST(AliasRecord, ANewFileUnderTheOldNameIsNotTheRecordedItem)
{
    FileTestFolder folder;
    folder.Put("a", "first");
    FSRef ref, found;
    FSPathMakeRef(folder.PathOf("a"), &ref);
    const QByteArray record = NewAliasRecordData(ref);
    ASSERT_EQ(std::rename(folder.PathOf("a").c_str(), folder.PathOf("b").c_str()), 0);
    folder.Put("a", "impostor");
    EXPECT_EQ(ResolveAliasRecordData(record, &found), noErr);
    EXPECT_EQ(found.path, folder.PathOf("b"));
}

TEST(AliasRecord, AFileReplacedByASaveIsStillFoundAtItsPath)
{
    FileTestFolder folder;
    folder.Put("doc", "old");
    FSRef ref, found;
    FSPathMakeRef(folder.PathOf("doc"), &ref);
    const QByteArray record = NewAliasRecordData(ref);
    folder.Put("doc.new", "new");  // an atomic save: a new file renamed over the old one
    ASSERT_EQ(std::rename(folder.PathOf("doc.new").c_str(), folder.PathOf("doc").c_str()), 0);
    bool changed = false;
    EXPECT_EQ(ResolveAliasRecordData(record, &found, &changed), noErr);
    EXPECT_EQ(found.path, folder.PathOf("doc"));
    EXPECT_TRUE(changed);  // the record should be made again for the new file
}

TEST(AliasRecord, AMoveElsewhereOrADeletionIsNotFollowed)
{
    FileTestFolder folder;
    QDir().mkpath(QString::fromStdString(folder.PathOf("other")));
    folder.Put("moving", "m");
    FSRef ref, found;
    FSPathMakeRef(folder.PathOf("moving"), &ref);
    const QByteArray record = NewAliasRecordData(ref);
    ASSERT_EQ(std::rename(folder.PathOf("moving").c_str(), folder.PathOf("other/moving").c_str()), 0);
    EXPECT_EQ(ResolveAliasRecordData(record, &found), fnfErr);
    std::remove(folder.PathOf("other/moving").c_str());
    EXPECT_EQ(ResolveAliasRecordData(record, &found), fnfErr);
}

TEST(AliasRecord, ForeignOrDamagedRecordsAnswerNotFound)
{
    FileTestFolder folder;
    folder.Put("x", "");
    FSRef ref, found;
    FSPathMakeRef(folder.PathOf("x"), &ref);
    const QByteArray good = NewAliasRecordData(ref);
    const QByteArray cases[] = {
        QByteArray(),
        QByteArray("\0\0\0\0\1\2\0\0", 8),                 // another system's record
        QByteArray::fromHex("00000000016e0002"),
        good.left(good.size() - 1),                        // cut short
        good + "!",                                        // trailing bytes
        QByteArray(good).replace(4, 2, QByteArray("\0\7", 2)), // unknown version
    };
    for (const QByteArray& record : cases)
        EXPECT_EQ(ResolveAliasRecordData(record, &found), fnfErr) << record.toHex().toStdString();
}

TEST(AliasRecord, HandleFormsCarryTheSameRecord)
{
    FileTestFolder folder;
    folder.Put("h", "");
    FSRef ref, found;
    FSPathMakeRef(folder.PathOf("h"), &ref);
    AliasHandle alias = nullptr;
    ASSERT_EQ(FSNewAlias(ref, &alias), noErr);
    EXPECT_EQ(AliasHandleData(alias), NewAliasRecordData(ref));
    EXPECT_EQ(FSResolveAlias(alias, &found), noErr);
    EXPECT_EQ(found, ref);
    DisposeHandle(alias);
    FSRef missing {folder.PathOf("none")};
    EXPECT_EQ(FSNewAlias(missing, &alias), fnfErr);
    EXPECT_EQ(alias, nullptr);
}
