// The file-reference helpers, the folder-and-name record helpers and the Finder-request stand-ins over
// a real folder: listings, fork sizes, Finder information, directory IDs and HFS paths.
#include "AppleEventHelpers.h"
#include "DirectoryIDs.h"
#include "FileManager.h"
#include "FileManagerHelpers.h"
#include "FileMetadata.h"
#include "FileRefUtilities.h"
#include "HFSPaths.h"
#include "MemoryBlocks.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class FileRefTest : public ::testing::Test {
protected:
    std::string Make(const QString& name, const QByteArray& bytes = "data")
    {
        QFile file(dir.path() + "/" + name);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return (dir.path() + "/" + name).toStdString();
    }
    FSRef Ref(const std::string& path)
    {
        FSRef ref;
        EXPECT_EQ(FSPathMakeRef(path, &ref), noErr) << path;
        return ref;
    }
    static void Pascal(const char* text, Str255 out)
    {
        out[0] = static_cast<unsigned char>(std::strlen(text));
        std::memcpy(out + 1, text, out[0]);
    }
    std::string HFS(const FSSpec& spec, OSErr expected)
    {
        SInt16 length = -1;
        Handle path = nullptr;
        EXPECT_EQ(BuildFullPathFromSpec(&spec, &length, &path), expected);
        if (!path)
            return {};
        std::string text(*path, size_t(length));
        EXPECT_EQ(GetHandleSize(path), length);
        DisposeHandle(path);
        return text;
    }

    QTemporaryDir dir;
};

TEST_F(FileRefTest, FolderItemsComeSortedByNameIgnoringCase)
{
    QDir(dir.path()).mkdir("empty");
    const FSRef empty = Ref(dir.path().toStdString() + "/empty");
    std::vector<FSRef> items {FSRef {"/stale"}};
    ItemCount count = 9;
    Boolean changed = true;
    EXPECT_EQ(GetFolderItems(&empty, &items, &count, &changed), noErr);
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(items.empty());
    EXPECT_FALSE(changed);

    QDir(dir.path()).mkdir("many");
    std::vector<std::string> expected;
    for (int i = 0; i < 25; ++i) {
        const QString name = QString("%1item%2").arg(i % 2 ? "I" : "i").arg(i, 2, 10, QChar('0'));
        Make("many/" + name);
        expected.push_back(dir.path().toStdString() + "/many/" + name.toStdString());
    }
    const FSRef many = Ref(dir.path().toStdString() + "/many");
    EXPECT_EQ(GetFolderItems(&many, &items, &count, &changed), noErr);
    EXPECT_EQ(count, 25u);
    ASSERT_EQ(items.size(), 25u);
    for (size_t i = 0; i < 25; ++i)
        EXPECT_EQ(items[i].path, expected[i]);

    EXPECT_EQ(GetFolderItems(&many, nullptr, &count, &changed), paramErr);
    EXPECT_EQ(GetFolderItems(&many, &items, nullptr, &changed), paramErr);
    EXPECT_EQ(GetFolderItems(&many, &items, &count, nullptr), paramErr);
}

TEST_F(FileRefTest, ForkSizesExistenceAndFinderInformation)
{
    const FSRef file = Ref(Make("a.txt", "12345"));
    UInt64 data = 0, resource = 7;
    EXPECT_EQ(GetForkSizes(&file, &data, &resource), noErr);
    EXPECT_EQ(data, 5u);
    EXPECT_EQ(resource, 0u);
    if (SupportsUserAttributes(file.path)) {
        ASSERT_EQ(FSSetResourceFork(file, QByteArray(300, 'r')), noErr);
        EXPECT_EQ(GetForkSizes(&file, &data, &resource), noErr);
        EXPECT_EQ(resource, 300u);

        FinderInfo stored;
        stored.SetFileType('TEXT');
        stored.SetFileCreator('KWRD');
        stored.SetFinderFlags(0x0100);
        ASSERT_EQ(FSSetFinderInfo(file, stored), noErr);
        FileInfo info;
        Boolean isFolder = true;
        EXPECT_EQ(GetFinderInfo(&file, &info, nullptr, &isFolder), noErr);
        EXPECT_EQ(info.fileType, OSType('TEXT'));
        EXPECT_EQ(info.fileCreator, OSType('KWRD'));
        EXPECT_EQ(info.finderFlags, 0x0100);
        EXPECT_FALSE(isFolder);
    }

    const FSRef folder = Ref(dir.path().toStdString());
    data = resource = 42;
    EXPECT_EQ(GetForkSizes(&folder, &data, &resource), notAFileErr);
    EXPECT_EQ(data, 42u);
    EXPECT_EQ(resource, 42u);

    const FSRef hidden = Ref(Make(".x"));
    FileInfo info;
    EXPECT_EQ(GetFinderInfo(&hidden, &info, nullptr, nullptr), noErr);
    EXPECT_TRUE(info.finderFlags & kIsInvisible);

    EXPECT_TRUE(FSRefExists(&file));
    QFile::remove(QString::fromStdString(file.path));
    EXPECT_FALSE(FSRefExists(&file));
    EXPECT_FALSE(FSRefExists(static_cast<const FSRef*>(nullptr)));
    EXPECT_EQ(GetForkSizes(&file, &data, &resource), fnfErr);
}

TEST_F(FileRefTest, DirectoryIDsMapBackToTheirItems)
{
    QDir(dir.path()).mkdir("sub");
    const std::string subPath = dir.path().toStdString() + "/sub";
    const std::string filePath = Make("sub/caf\u00e9.txt");
    SInt32 folderID = 0, fileID = 0;
    Boolean isFolder = false;
    const FSRef sub = Ref(subPath);
    const FSRef file = Ref(filePath);
    ASSERT_EQ(GetNodeIDAndIsFolder(&sub, &folderID, &isFolder), noErr);
    EXPECT_TRUE(isFolder);
    ASSERT_EQ(GetNodeIDAndIsFolder(&file, &fileID, &isFolder), noErr);
    EXPECT_FALSE(isFolder);
    EXPECT_NE(folderID, fileID);

    Str255 name;
    Pascal("caf\u00e9.txt", name);
    FSRef back;
    EXPECT_EQ(MakeFSRefFromSpecParts(DirectoryIDs::kVolumeRefNum, folderID, name, &back), noErr);
    EXPECT_EQ(back.path, filePath);
    char path[1024];
    EXPECT_EQ(MakePathFromSpecParts(DirectoryIDs::kVolumeRefNum, folderID, name, path, sizeof path), noErr);
    EXPECT_EQ(std::string(path), filePath);
    EXPECT_EQ(MakePathFromSpecParts(DirectoryIDs::kVolumeRefNum, folderID, name, path, 8), bdNamErr);
    Pascal("", name);
    EXPECT_EQ(MakeFSRefFromSpecParts(DirectoryIDs::kVolumeRefNum, folderID, name, &back), noErr);
    EXPECT_EQ(back.path, subPath);
    EXPECT_EQ(MakeFSRefFromSpecParts(DirectoryIDs::kVolumeRefNum, DirectoryIDs::kRootDirID, name, &back), noErr);
    EXPECT_EQ(back.path, "/");
    EXPECT_EQ(MakeFSRefFromSpecParts(DirectoryIDs::kVolumeRefNum, 0x7FFFFFF0, name, &back), dirNFErr);

    FSSpec spec;
    Boolean isDirectory = true;
    ASSERT_EQ(GetFSSpecOfPath(filePath.c_str(), &spec, &isDirectory), noErr);
    EXPECT_FALSE(isDirectory);
    EXPECT_EQ(spec.folder, subPath);
    EXPECT_EQ(FSSpecParentID(spec), folderID);
    SInt32 dirID = 0;
    EXPECT_EQ(GetDirectoryIDOfSpec(&spec, &dirID, &isDirectory), noErr);
    EXPECT_EQ(dirID, folderID);
    EXPECT_FALSE(isDirectory);
    FSSpec subSpec;
    ASSERT_EQ(GetFSSpecOfRef(&sub, &subSpec), noErr);
    EXPECT_EQ(GetDirectoryIDOfSpec(&subSpec, &dirID, &isDirectory), noErr);
    EXPECT_EQ(dirID, folderID);
    EXPECT_TRUE(isDirectory);

    HFSUniStr255 unicode;
    ASSERT_EQ(GetItemUnicodeName(&file, &unicode), noErr);
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(unicode.unicode), unicode.length),
              QString::fromUtf8("caf\u00e9.txt"));
}

TEST_F(FileRefTest, FullHFSPathsOfRecords)
{
    QDir(dir.path()).mkdir("Folder");
    Make("Folder/file.txt");
    std::string hfsDir;
    ASSERT_TRUE(POSIXPathToHFSPath(dir.path().toStdString(), &hfsDir));
    const std::string base = hfsDir.substr(0, hfsDir.size() - (hfsDir.back() == ':' ? 1 : 0));
    const std::string folder = dir.path().toStdString();
    EXPECT_EQ(HFS(FSSpec {folder, "Folder"}, noErr), base + ":Folder:");
    EXPECT_EQ(HFS(FSSpec {folder + "/Folder", "file.txt"}, noErr), base + ":Folder:file.txt");
    EXPECT_EQ(HFS(FSSpec {folder + "/Folder", "new.txt"}, fnfErr), base + ":Folder:new.txt");
    EXPECT_EQ(HFS(FSSpec {folder + "/Folder", ""}, noErr), base + ":Folder:");
    FSSpec root;
    ASSERT_EQ(FSGetFSSpec(FSRef {"/"}, &root), noErr);
    EXPECT_EQ(HFS(root, noErr), "Brevanto HD:");
    EXPECT_EQ(HFS(FSSpec {folder + "/Missing", "x"}, fnfErr), "");
    SInt16 length = 0;
    Handle path = nullptr;
    EXPECT_EQ(BuildFullPathFromSpec(nullptr, &length, &path), paramErr);
}

TEST_F(FileRefTest, FinderRequestsBecomeMetadataOrNothing)
{
    const FSRef file = Ref(Make("c.txt"));
    EXPECT_EQ(MoreFEUpdateItemFSRef(&file), noErr);
    EXPECT_EQ(MoreFEUpdateItemFSRef(static_cast<const FSRef*>(nullptr)), paramErr);
    ProcessSerialNumber psn;
    for (OSType signature : {'sfri', 'MOZB', 'OWEB', 'MSIE', 'MOZC', 'OPRA', 'FLKb', 'rimZ'})
        EXPECT_EQ(MoreProcFindProcessBySignature(signature, 'APPL', &psn), procNotFound);
    EXPECT_EQ(MoreProcFindProcessBySignature('sfri', 'APPL', nullptr), paramErr);

    if (!SupportsUserAttributes(file.path))
        GTEST_SKIP() << "no user attributes on the test folder's file system";
    ASSERT_EQ(MoreFESetCommentCFString(&file, QString::fromUtf8("from http://h/\u00e9"), nullptr), noErr);
    QString comment;
    EXPECT_EQ(MoreFEGetCommentCFString(&file, &comment, nullptr), noErr);
    EXPECT_EQ(comment, QString::fromUtf8("from http://h/\u00e9"));
    Str255 pascal;
    Pascal("short", pascal);
    ASSERT_EQ(MoreFESetComment(&file, pascal, nullptr), noErr);
    Str255 read;
    EXPECT_EQ(MoreFEGetComment(&file, read, nullptr), noErr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(read + 1), read[0]), "short");

    ASSERT_EQ(MoreFESetCommentCFString(&file, QString(300, 'c'), nullptr), noErr);
    Pascal("unchanged", read);
    EXPECT_EQ(MoreFEGetComment(&file, read, nullptr), errAECoercionFail);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(read + 1), read[0]), "unchanged");
}

// Runs in a child with a private mount table, on a fresh ramfs (a file system without user
// attributes): exit 0 when writes fail and reads find no comment, 2 when the file system did
// take the attribute, 3 when it could not be set up.
int CheckMetadataOnRamfs(const std::string& mountPoint)
{
    if (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
        || mount("ramfs", mountPoint.c_str(), "ramfs", 0, nullptr) != 0)
        return 3;
    const std::string path = mountPoint + "/f";
    if (FILE* f = fopen(path.c_str(), "w"))
        fclose(f);
    if (SupportsUserAttributes(path))
        return 2;
    FSRef file {path};
    Str255 read;
    read[0] = 3;
    std::memcpy(read + 1, "old", 3);
    const bool writeFailed = MoreFESetCommentCFString(&file, "note", nullptr) != noErr;
    const bool readEmpty = MoreFEGetComment(&file, read, nullptr) == noErr && read[0] == 0;
    return writeFailed && readEmpty ? 0 : 1;
}

TEST(FileMetadataWithoutAttributes, ReadsAsNoneAndWritesFail)
{
    QTemporaryDir mountPoint;
    const pid_t child = fork();
    if (child == 0)
        _exit(CheckMetadataOnRamfs(mountPoint.path().toStdString()));
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3)
        GTEST_SKIP() << "no private mount table here";
    if (WEXITSTATUS(status) == 2)
        GTEST_SKIP() << "this kernel's ramfs keeps user attributes";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
