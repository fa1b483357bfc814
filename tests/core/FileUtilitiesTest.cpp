// The file utilities on real files: existence and creation rules, paths, names, codes, dates,
// comments and whole-file reads and writes.
#include "../platform/FileTestFolder.h"
#include "CFile.h"
#include "DirectoryIDs.h"
#include "FileManager.h"
#include "FileMetadata.h"
#include "FileUtilities.h"
#include "MacDates.h"
#include "MemoryBlocks.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

FSRef RefOf(const std::string& path)
{
    FSRef ref;
    EXPECT_EQ(FSPathMakeRef(path, &ref), noErr) << path;
    return ref;
}

} // namespace

TEST(FileUtilities, OnlyNotFoundCountsAsAbsent)
{
    FileTestFolder folder;
    folder.Put("present", "");
    const FSRef parent = RefOf(folder.Path());
    const FSRef file = RefOf(folder.PathOf("present"));
    FSRef item;
    EXPECT_TRUE(FolderItemExists(parent, "present", item));
    EXPECT_EQ(item, file);
    EXPECT_FALSE(FolderItemExists(parent, "absent", item));
    EXPECT_TRUE(FolderItemExists(file, "below-a-file", item));  // -120: present, as pinned
    EXPECT_TRUE(ItemExistsNamed(parent, QStringLiteral("a/b"), item)); // -37: present
}

TEST(FileUtilities, CreatingAnExistingNameAnswersTheSameItemRestamped)
{
    FileTestFolder folder;
    const FSRef parent = RefOf(folder.Path());
    FSRef first, second;
    ASSERT_EQ(CreateFileNamedWithTypeCreator(parent, "doc", 'KWRD', 'TEXT', first), noErr);
    folder.Put("doc", "content");
    ASSERT_EQ(CreateFileWithTypeCreator(parent, QStringLiteral("doc"), 'ttxt', 'PDF ', second), noErr);
    EXPECT_TRUE(FSRefsNameSameItem(first, second));
    EXPECT_EQ(folder.Read("doc"), "content");
    if (!SupportsUserAttributes(folder.Path()))
        GTEST_SKIP() << "no user attributes: codes not checked";
    OSType type = 0, creator = 0;
    EXPECT_EQ(GetFileType(second, type), noErr);
    EXPECT_EQ(GetFileCreator(second, creator), noErr);
    EXPECT_EQ(type, OSType('PDF '));
    EXPECT_EQ(creator, OSType('ttxt'));
}

TEST(FileUtilities, CreateFunctionsReturnALookupFailureOtherThanNotFound)
{
    FileTestFolder folder;
    folder.Put("file", "");
    const FSRef notAFolder = RefOf(folder.PathOf("file"));
    FSRef untouched {"unchanged"};
    EXPECT_EQ(CreateFileNamed(notAFolder, "x", untouched), dirNFErr);
    EXPECT_EQ(CreateFolderCF(notAFolder, QStringLiteral("x"), untouched), dirNFErr);
    EXPECT_EQ(CreateFileCF(RefOf(folder.Path()), QStringLiteral(".."), untouched), bdNamErr);
    EXPECT_EQ(untouched.path, "unchanged");

    FSRef made, again;
    EXPECT_EQ(CreateFolderNamed(RefOf(folder.Path()), "sub", made), noErr);
    EXPECT_EQ(CreateFolderNamed(RefOf(folder.Path()), "sub", again), noErr);
    EXPECT_EQ(made, again);
    EXPECT_FALSE(IsFile(made));
}

TEST(FileUtilities, CreateFileForPathTakesFullPathsAndMakesNoFolders)
{
    FileTestFolder folder;
    FSRef created;
    EXPECT_EQ(CreateFileForPath(folder.PathOf("missing/new.txt").c_str(), created), fnfErr);
    EXPECT_FALSE(folder.Exists("missing"));

    // A path well over 255 bytes, each name within limits.
    std::string deep = folder.Path();
    for (int i = 0; i < 4; ++i)
        deep += "/" + std::string(80, char('a' + i));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(deep)));
    const std::string longPath = deep + "/file.txt";
    ASSERT_GT(longPath.size(), 255u);
    EXPECT_EQ(CreateFileForPath(longPath.c_str(), created), noErr);
    EXPECT_EQ(created.path, longPath);
    FSRef existing;
    EXPECT_EQ(CreateFileForPath(longPath.c_str(), existing), noErr);
    EXPECT_EQ(existing, created);

    EXPECT_EQ(CreateFileForPath((deep + "/" + std::string(256, 'n')).c_str(), created), bdNamErr);
}

TEST(FileUtilities, WholeFileWriteTruncatesAndReadReturnsTheSize)
{
    FileTestFolder folder;
    FSRef ref;
    ASSERT_EQ(WriteWholeFileAtPath(folder.PathOf("w").c_str(), "0123456789", 10), noErr);
    ASSERT_EQ(FSPathMakeRef(folder.PathOf("w"), &ref), noErr);
    ASSERT_EQ(WriteWholeFile(ref, "abc", 3), noErr);
    size_t size = 99;
    std::unique_ptr<char[]> bytes = ReadWholeFile(ref, size);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(bytes.get(), size), "abc");

    EXPECT_EQ(WriteWholeFile(FSRef {folder.PathOf("gone")}, "x", 1), fnfErr);
    EXPECT_FALSE(folder.Exists("gone"));
    EXPECT_FALSE(ReadWholeFileAtPath(folder.PathOf("gone").c_str(), size));
    EXPECT_EQ(size, 0u);
    EXPECT_FALSE(ReadWholeFileAtPath(folder.Path().c_str(), size)); // a folder has no data fork
    folder.Put("empty", "");
    const unsigned char empty[] = "\x05" "empty";
    bytes = ReadWholeFileFromSpec(DirectoryIDs::kVolumeRefNum, DirectoryIDs::IDForPath(folder.Path()), empty, size);
    EXPECT_TRUE(bytes);
    EXPECT_EQ(size, 0u);
}

TEST(FileUtilities, NamesAndPaths)
{
    FileTestFolder folder;
    std::string longName(253, 'x');
    longName += "é"; // 255 bytes
    folder.Put(longName, "");
    const FSRef ref = RefOf(folder.PathOf(longName));
    CString256 name;
    EXPECT_EQ(GetFileName(ref, name), noErr);
    EXPECT_STREQ(name.text, longName.c_str());
    QString cfName = QStringLiteral("old");
    EXPECT_EQ(CopyFileNameCFString(FSRef {folder.PathOf("none")}, cfName), fnfErr);
    EXPECT_TRUE(cfName.isNull());

    Str255 path = {3, 'o', 'l', 'd'};
    EXPECT_EQ(FSRefToPath(ref, path), bdNamErr); // longer than a Pascal string holds
    EXPECT_EQ(path[0], 3);
    const FSRef shortRef = RefOf(folder.Path());
    EXPECT_EQ(FSRefToPath(shortRef, path), noErr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(path + 1), path[0]), folder.Path());

    const char16_t chars[] = u"Zoë.txt";
    char* converted = nullptr;
    ASSERT_EQ(ConvertUnicodeName(converted, reinterpret_cast<const UniChar*>(chars), 7), noErr);
    EXPECT_STREQ(converted, "Zoë.txt");
    DisposePtr(converted);
}

TEST(FileUtilities, RenameRefusesATakenNameAndFollowsTheItem)
{
    FileTestFolder folder;
    folder.Put("a", "A");
    folder.Put("b", "B");
    FSRef ref = RefOf(folder.PathOf("a"));
    EXPECT_EQ(RenameItem(ref, "b"), dupFNErr);
    EXPECT_EQ(folder.Read("b"), "B");
    EXPECT_EQ(RenameItem(ref, "c"), noErr);
    EXPECT_EQ(ref.path, folder.PathOf("c"));
    FSRef parent;
    EXPECT_TRUE(FSRefGetParent(ref, parent));
    EXPECT_EQ(parent.path, folder.Path());
    EXPECT_FALSE(FSRefGetParent(RefOf("/"), parent));
}

TEST(FileUtilities, DatesKeepTheHighBitsAndUnreadableItemsAreLeftAlone)
{
    FileTestFolder folder;
    folder.Put("dated", "");
    const FSRef ref = RefOf(folder.PathOf("dated"));
    const UInt32 modified = UInt32(UnixToMacSeconds(1600000000));
    const UInt32 created = UInt32(UnixToMacSeconds(1500000000));
    EXPECT_EQ(SetFileDates(ref, modified, created), noErr);
    UInt32 seconds = 0;
    EXPECT_EQ(GetContentModSeconds(ref, seconds), noErr);
    EXPECT_EQ(seconds, modified);
    FSItemInfo info;
    ASSERT_EQ(FSGetItemInfo(ref, &info), noErr);
    EXPECT_EQ(info.contentModDate, int64_t(modified));
    if (SupportsUserAttributes(folder.Path())) {
        EXPECT_EQ(info.creationDate, int64_t(created));
    }
    EXPECT_EQ(SetFileDates(FSRef {folder.PathOf("gone")}, modified, created), noErr);
    EXPECT_FALSE(folder.Exists("gone"));
}

TEST(FileUtilities, CommentsAndSizes)
{
    FileTestFolder folder;
    folder.Put("c", "1234");
    const FSRef ref = RefOf(folder.PathOf("c"));
    UInt64 size = 0;
    EXPECT_EQ(GetTotalLogicalSize(ref, size), noErr);
    EXPECT_EQ(size, 4u);
    if (!SupportsUserAttributes(folder.Path()))
        GTEST_SKIP() << "no user attributes: comments not checked";
    CString256 comment("kept");
    EXPECT_EQ(GetFinderComment(ref, comment), noErr);
    EXPECT_STREQ(comment.text, "kept"); // none: left as it was
    EXPECT_EQ(SetFinderComment(ref, "http://example.org/a.html"), noErr);
    EXPECT_EQ(GetFinderComment(ref, comment), noErr);
    EXPECT_STREQ(comment.text, "http://example.org/a.html");
    // A comment too long for the Finder's answer is not cut: the string stays as it was.
    EXPECT_EQ(SetFinderComment(ref, std::string(300, 'c').c_str()), noErr);
    EXPECT_EQ(GetFinderComment(ref, comment), -1700);
    EXPECT_STREQ(comment.text, "http://example.org/a.html");
}

TEST(FileUtilities, FileClassFromPathOrReference)
{
    FileTestFolder folder;
    CFile fresh(folder.PathOf("new.bin").c_str());
    ASSERT_EQ(fresh.CreateNewDataFile('KWRD', 'BINA'), noErr);
    ASSERT_EQ(fresh.OpenDataFork(fsWrPerm), noErr);
    SInt32 count = 4;
    EXPECT_EQ(fresh.WriteDataFork("data", count), noErr);
    fresh.CloseDataFork();

    CFile byRef(RefOf(folder.PathOf("new.bin")));
    FSSpec spec;
    byRef.GetSpecifier(spec);
    EXPECT_EQ(spec.Path(), folder.PathOf("new.bin"));
    CFile nowhere(folder.PathOf("no/such/file").c_str());
    EXPECT_EQ(nowhere.OpenDataFork(fsRdPerm), paramErr);
}
