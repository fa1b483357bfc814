// The file-manager stand-in: references, result codes, creation, renaming, identity, dates,
// HFS path text and packages, on real files in a private folder.
#include "FileManager.h"
#include "FileTestFolder.h"
#include "HFSPaths.h"
#include "MacDates.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

TEST(FileErrorTable, MapsEveryListedErrno)
{
    const struct {
        int error;
        OSErr code;
    } cases[] = {
        {0, 0},         {ENOENT, -43},  {EEXIST, -48},       {EACCES, -54},  {EPERM, -54},
        {EROFS, -44},   {ENOSPC, -34},  {EDQUOT, -34},       {ENAMETOOLONG, -37},
        {ENOTDIR, -120}, {EISDIR, -1302}, {EBUSY, -47},      {EMFILE, -42},  {ENFILE, -42},
        {EINVAL, -50},  {EIO, -36},     {EXDEV, -36},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OSErrFromErrno(c.error), c.code) << "errno " << c.error;
}

TEST(FileManager, MakingAReferenceNeedsAnExistingItem)
{
    FileTestFolder folder;
    folder.Put("a.txt", "x");
    FSRef ref;
    bool isDirectory = true;
    EXPECT_EQ(FSPathMakeRef(folder.PathOf("a.txt"), &ref, &isDirectory), noErr);
    EXPECT_FALSE(isDirectory);
    EXPECT_EQ(ref.path, folder.PathOf("a.txt"));

    FSRef missing;
    EXPECT_EQ(FSPathMakeRef(folder.PathOf("none"), &missing), fnfErr);
    EXPECT_TRUE(missing.IsEmpty());
    EXPECT_EQ(FSPathMakeRef(folder.PathOf("a.txt/below"), &missing), dirNFErr);
    EXPECT_EQ(FSPathMakeRef(std::string_view(), &missing), paramErr);

    // The text is tidied, so equal items made from different spellings compare equal as text.
    EXPECT_EQ(FSPathMakeRef(folder.Path() + "//./a.txt", &ref), noErr);
    EXPECT_EQ(ref.path, folder.PathOf("a.txt"));
    EXPECT_EQ(FSPathMakeRef(folder.Path() + "/", &ref, &isDirectory), noErr);
    EXPECT_TRUE(isDirectory);
    EXPECT_EQ(ref.path, folder.Path());
}

TEST(FileManager, ReferenceOfADeletedItemAnswersNotFound)
{
    FileTestFolder folder;
    folder.Put("gone", "");
    FSRef ref;
    ASSERT_EQ(FSPathMakeRef(folder.PathOf("gone"), &ref), noErr);
    ASSERT_EQ(FSDeleteObject(ref), noErr);
    std::string path;
    EXPECT_FALSE(FSRefExists(ref));
    EXPECT_EQ(FSRefMakePath(ref, &path), fnfErr);
    FSItemInfo info;
    EXPECT_EQ(FSGetItemInfo(ref, &info), fnfErr);
}

TEST(FileManager, PathIntoABufferThatIsTooSmallFails)
{
    FileTestFolder folder;
    FSRef ref;
    ASSERT_EQ(FSPathMakeRef(folder.Path(), &ref), noErr);
    std::string fits(folder.Path().size() + 1, '?');
    EXPECT_EQ(FSRefMakePath(ref, fits.data(), fits.size()), noErr);
    EXPECT_STREQ(fits.c_str(), folder.Path().c_str());
    char tiny[4] = "abc";
    EXPECT_EQ(FSRefMakePath(ref, tiny, sizeof tiny), bdNamErr);
}

TEST(FileManager, CreatingInAFolderRefusesExistingAndBadNames)
{
    FileTestFolder folder;
    FSRef parent, file, sub;
    ASSERT_EQ(FSPathMakeRef(folder.Path(), &parent), noErr);
    EXPECT_EQ(FSCreateFileUnicode(parent, "new.txt", &file), noErr);
    EXPECT_EQ(file.path, folder.PathOf("new.txt"));
    folder.Put("new.txt", "kept");
    EXPECT_EQ(FSCreateFileUnicode(parent, "new.txt", nullptr), dupFNErr);
    EXPECT_EQ(folder.Read("new.txt"), "kept");
    EXPECT_EQ(FSCreateDirectoryUnicode(parent, "sub", &sub), noErr);
    EXPECT_EQ(FSCreateDirectoryUnicode(parent, "sub", nullptr), dupFNErr);

    for (const std::string& bad : {std::string(), std::string("."), std::string(".."), std::string("a/b"), std::string(256, 'n')})
        EXPECT_EQ(FSCreateFileUnicode(parent, bad, nullptr), bdNamErr) << bad;
    EXPECT_EQ(FSCreateFileUnicode(parent, std::string(255, 'n'), nullptr), noErr);
    FSRef inFile;
    EXPECT_EQ(FSCreateFileUnicode(file, "x", &inFile), dirNFErr);
}

TEST(FileManager, RenameOntoAnExistingNameChangesNeither)
{
    FileTestFolder folder;
    folder.Put("one", "1");
    folder.Put("two", "2");
    FSRef one;
    ASSERT_EQ(FSPathMakeRef(folder.PathOf("one"), &one), noErr);
    EXPECT_EQ(FSRenameUnicode(one, "two", &one), dupFNErr);
    EXPECT_EQ(folder.Read("one"), "1");
    EXPECT_EQ(folder.Read("two"), "2");
    EXPECT_EQ(one.path, folder.PathOf("one"));

    EXPECT_EQ(FSRenameUnicode(one, "three:3", &one), noErr);
    EXPECT_EQ(one.path, folder.PathOf("three:3"));
    EXPECT_EQ(folder.Read("three:3"), "1");
    EXPECT_FALSE(folder.Exists("one"));
    EXPECT_EQ(FSRenameUnicode(one, "../escape", &one), bdNamErr);
}

TEST(FileManager, SameItemMeansSameDeviceAndInode)
{
    FileTestFolder folder;
    folder.Put("a", "");
    folder.Put("b", "");
    ASSERT_EQ(symlink(folder.PathOf("a").c_str(), folder.PathOf("link").c_str()), 0);
    FSRef a, b, link;
    FSPathMakeRef(folder.PathOf("a"), &a);
    FSPathMakeRef(folder.PathOf("b"), &b);
    FSPathMakeRef(folder.PathOf("link"), &link);
    EXPECT_EQ(FSCompareFSRefs(a, link), noErr);
    EXPECT_EQ(FSCompareFSRefs(a, b), errFSRefsDifferent);
    FSDeleteObject(b);
    EXPECT_EQ(FSCompareFSRefs(a, b), fnfErr);
    // Deleting the link leaves its target.
    EXPECT_EQ(FSDeleteObject(link), noErr);
    EXPECT_TRUE(FSRefExists(a));
}

TEST(FileManager, ParentNameAndRecord)
{
    FileTestFolder folder;
    folder.Put("doc.txt", "");
    FSRef file, parent, root, rootParent;
    ASSERT_EQ(FSPathMakeRef(folder.PathOf("doc.txt"), &file), noErr);
    EXPECT_EQ(FSGetParentRef(file, &parent), noErr);
    EXPECT_EQ(parent.path, folder.Path());
    ASSERT_EQ(FSPathMakeRef("/", &root), noErr);
    EXPECT_EQ(FSGetParentRef(root, &rootParent), noErr);
    EXPECT_TRUE(rootParent.IsEmpty());

    std::string name;
    EXPECT_EQ(FSGetName(file, &name), noErr);
    EXPECT_EQ(name, "doc.txt");
    EXPECT_EQ(FSGetName(root, &name), noErr);
    EXPECT_EQ(name, kHFSVolumeName);

    FSSpec spec;
    EXPECT_EQ(FSGetFSSpec(file, &spec), noErr);
    EXPECT_EQ(spec.folder, folder.Path());
    EXPECT_EQ(spec.name, "doc.txt");
    FSRef back;
    EXPECT_EQ(FSpMakeFSRef(spec, &back), noErr);
    EXPECT_EQ(back, file);

    FSSpec toBe;
    EXPECT_EQ(FSMakeFSSpecFromPath(folder.PathOf("later.txt"), &toBe), fnfErr);
    EXPECT_EQ(toBe.Path(), folder.PathOf("later.txt"));
    EXPECT_EQ(FSMakeFSSpecFromPath(folder.PathOf("none/later.txt"), &toBe), fnfErr);
    EXPECT_EQ(FSMakeFSSpecFromPath(folder.PathOf("doc.txt/later.txt"), &toBe), dirNFErr);
}

TEST(FileManager, CatalogDatesCountFrom1904)
{
    EXPECT_EQ(UnixToMacSeconds(0), 2082844800);
    EXPECT_EQ(MacToUnixSeconds(2082844800), 0);
    EXPECT_EQ(MacToUnixSeconds(0), -2082844800); // 1904-01-01 itself

    FileTestFolder folder;
    folder.Put("dated", "");
    FSRef ref;
    ASSERT_EQ(FSPathMakeRef(folder.PathOf("dated"), &ref), noErr);
    const int64_t when = UnixToMacSeconds(1700000000); // 2023-11-14 22:13:20 UTC
    ASSERT_EQ(FSSetContentModDate(ref, when), noErr);
    FSItemInfo info;
    ASSERT_EQ(FSGetItemInfo(ref, &info), noErr);
    EXPECT_EQ(info.contentModDate, when);
    struct stat st {};
    stat(ref.CPath(), &st);
    EXPECT_EQ(st.st_mtim.tv_sec, 1700000000);
}

TEST(FileManager, ItemFactsOfFileAndFolder)
{
    FileTestFolder folder;
    folder.Put("five", "12345");
    FSRef file, dir;
    FSPathMakeRef(folder.PathOf("five"), &file);
    FSPathMakeRef(folder.Path(), &dir);
    FSItemInfo info;
    ASSERT_EQ(FSGetItemInfo(file, &info), noErr);
    EXPECT_FALSE(info.isDirectory);
    EXPECT_EQ(info.dataLogicalSize, 5u);
    ASSERT_EQ(FSGetItemInfo(dir, &info), noErr);
    EXPECT_TRUE(info.isDirectory);
    EXPECT_EQ(info.dataLogicalSize, 0u);
}

TEST(HFSPaths, ConvertBothWaysSwappingColonsInNames)
{
    const std::string volume(kHFSVolumeName);
    const struct {
        const char* posix;
        std::string hfs;
    } cases[] = {
        {"/", volume + ":"},
        {"/home/user/doc.txt", volume + ":home:user:doc.txt"},
        {"/home/user/", volume + ":home:user:"},
        {"/tmp/10:30 report", volume + ":tmp:10/30 report"},
        {"/tmp/a/b:c", volume + ":tmp:a:b/c"},
    };
    for (const auto& c : cases) {
        std::string hfs, posix;
        EXPECT_TRUE(POSIXPathToHFSPath(c.posix, &hfs));
        EXPECT_EQ(hfs, c.hfs);
        EXPECT_TRUE(HFSPathToPOSIXPath(c.hfs, &posix));
        EXPECT_EQ(posix, c.posix);
    }
    std::string untouched = "keep";
    EXPECT_FALSE(POSIXPathToHFSPath("relative/path", &untouched));
    EXPECT_FALSE(HFSPathToPOSIXPath("Other Disk:Users", &untouched));
    EXPECT_FALSE(HFSPathToPOSIXPath(":relative:path", &untouched));
    EXPECT_FALSE(HFSPathToPOSIXPath("", &untouched));
    EXPECT_EQ(untouched, "keep");
    std::string posix;
    EXPECT_TRUE(HFSPathToPOSIXPath(volume, &posix));
    EXPECT_EQ(posix, "/");
}

TEST(FileManager, PackagesAreFoldersWithPackageExtensions)
{
    FileTestFolder folder;
    for (const char* name : {"Tool.app", "Kit.framework", "Note.RTFD", "Plug.bundle", "Plain"})
        QDir().mkpath(QString::fromStdString(folder.PathOf(name)));
    folder.Put("file.app", "");
    EXPECT_TRUE(IsPackagePath(folder.PathOf("Tool.app")));
    EXPECT_TRUE(IsPackagePath(folder.PathOf("Kit.framework/")));
    EXPECT_TRUE(IsPackagePath(folder.PathOf("Note.RTFD")));
    EXPECT_TRUE(IsPackagePath(folder.PathOf("Plug.bundle")));
    EXPECT_FALSE(IsPackagePath(folder.PathOf("Plain")));
    EXPECT_FALSE(IsPackagePath(folder.PathOf("file.app")));
    EXPECT_FALSE(IsPackagePath(folder.PathOf("missing.app")));
}
