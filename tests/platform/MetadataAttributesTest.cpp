// File metadata in user attributes: the Mac byte layout, comments, forks and creation dates.
// Skipped where the file system takes no user attributes.
#include "FileManager.h"
#include "FileMetadata.h"
#include "FileTestFolder.h"
#include "MacDates.h"

#include <gtest/gtest.h>

#include <sys/xattr.h>

class MetadataAttributes : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!SupportsUserAttributes(folder.Path()))
            GTEST_SKIP() << "no user attributes on this file system";
        folder.Put("item", "data");
        ASSERT_EQ(FSPathMakeRef(folder.PathOf("item"), &ref), noErr);
    }
    QByteArray Raw(const char* name) const
    {
        char buffer[256];
        const ssize_t size = getxattr(ref.CPath(), name, buffer, sizeof buffer);
        return size < 0 ? QByteArray() : QByteArray(buffer, qsizetype(size));
    }
    FileTestFolder folder;
    FSRef ref;
};

TEST_F(MetadataAttributes, TypeAndCreatorUseTheMacFinderInfoLayout)
{
    OSType type = 1, creator = 1;
    EXPECT_EQ(FSGetTypeCreator(ref, &type, &creator), noErr);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(creator, 0u);

    const OSType text = 'TEXT', kwrd = 'KWRD';
    ASSERT_EQ(FSSetTypeCreator(ref, &text, &kwrd), noErr);
    QByteArray expected(32, '\0');
    expected.replace(0, 8, "TEXTKWRD");
    EXPECT_EQ(Raw("user.com.apple.FinderInfo"), expected);

    // Changing one code keeps the other and the flags.
    FinderInfo info;
    ASSERT_EQ(FSGetFinderInfo(ref, &info), noErr);
    info.SetFinderFlags(0x4000);
    ASSERT_EQ(FSSetFinderInfo(ref, info), noErr);
    const OSType pdf = 'PDF ';
    ASSERT_EQ(FSSetTypeCreator(ref, &pdf, nullptr), noErr);
    ASSERT_EQ(FSGetFinderInfo(ref, &info), noErr);
    EXPECT_EQ(info.FileType(), OSType('PDF '));
    EXPECT_EQ(info.FileCreator(), OSType('KWRD'));
    EXPECT_EQ(info.FinderFlags(), 0x4000);
    EXPECT_EQ(Raw("user.com.apple.FinderInfo").mid(8, 2), QByteArray("\x40\x00", 2));
}

TEST_F(MetadataAttributes, CommentRoundTripsAndEmptyRemovesIt)
{
    std::string comment = "stale";
    EXPECT_EQ(FSGetComment(ref, &comment), noErr);
    EXPECT_EQ(comment, "");
    ASSERT_EQ(FSSetComment(ref, "https://example.org/page — Zoë"), noErr);
    EXPECT_EQ(Raw("user.xdg.comment"), QByteArray("https://example.org/page — Zoë"));
    EXPECT_EQ(FSGetComment(ref, &comment), noErr);
    EXPECT_EQ(comment, "https://example.org/page — Zoë");
    ASSERT_EQ(FSSetComment(ref, ""), noErr);
    EXPECT_EQ(FSGetComment(ref, &comment), noErr);
    EXPECT_EQ(comment, "");
}

TEST_F(MetadataAttributes, ResourceForkCountsInTheItemSize)
{
    const QByteArray fork("\0\0\1\0url resource", 16);
    ASSERT_EQ(FSSetResourceFork(ref, fork), noErr);
    QByteArray back;
    EXPECT_EQ(FSGetResourceFork(ref, &back), noErr);
    EXPECT_EQ(back, fork);
    FSItemInfo info;
    ASSERT_EQ(FSGetItemInfo(ref, &info), noErr);
    EXPECT_EQ(info.dataLogicalSize + info.rsrcLogicalSize, 4u + 16u);
}

TEST_F(MetadataAttributes, CreationDateRoundTrips)
{
    const int64_t created = UnixToMacSeconds(946684800); // 2000-01-01 UTC
    ASSERT_EQ(FSSetCreationDate(ref, created), noErr);
    FSItemInfo info;
    ASSERT_EQ(FSGetItemInfo(ref, &info), noErr);
    EXPECT_EQ(info.creationDate, created);
}

TEST(Metadata, MissingItemAnswersNotFound)
{
    FSRef gone {"/nonexistent/brevanto/item"};
    OSType type = 7, creator = 7;
    EXPECT_EQ(FSGetTypeCreator(gone, &type, &creator), fnfErr);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(creator, 0u);
    EXPECT_EQ(FSSetComment(gone, "x"), fnfErr);
}

// /proc takes no user attributes: a file system without them.
TEST(Metadata, WithoutAttributeSupportReadsAreEmptyAndWritesFail)
{
    FSRef ref;
    ASSERT_EQ(FSPathMakeRef("/proc/self/status", &ref), noErr);
    if (SupportsUserAttributes(ref.path))
        GTEST_SKIP() << "this /proc takes user attributes";
    OSType type = 7, creator = 7;
    std::string comment = "stale";
    QByteArray fork("stale");
    EXPECT_EQ(FSGetTypeCreator(ref, &type, &creator), noErr);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(creator, 0u);
    EXPECT_EQ(FSGetComment(ref, &comment), noErr);
    EXPECT_EQ(comment, "");
    EXPECT_EQ(FSGetResourceFork(ref, &fork), noErr);
    EXPECT_TRUE(fork.isEmpty());
    EXPECT_EQ(FSSetComment(ref, "x"), ioErr);
    const OSType text = 'TEXT';
    EXPECT_EQ(FSSetTypeCreator(ref, &text, nullptr), ioErr);
}
