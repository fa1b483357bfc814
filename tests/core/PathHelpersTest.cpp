// Path, file and alias helpers on real files.
#include "../platform/FileTestFolder.h"
#include "CFileTypeMaps.h"
#include "DirectoryIDs.h"
#include "FileManager.h"
#include "FileMetadata.h"
#include "HFSPaths.h"
#include "MacDates.h"
#include "MemoryBlocks.h"
#include "PathHelpers.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr SInt16 kVolume = DirectoryIDs::kVolumeRefNum;

// A Pascal string of the text, kept alive by the caller.
std::basic_string<unsigned char> Pascal(const std::string& text)
{
    std::basic_string<unsigned char> pascal(1, static_cast<unsigned char>(text.size()));
    pascal.append(text.begin(), text.end());
    return pascal;
}

FSRef RefOf(const std::string& path)
{
    FSRef ref;
    EXPECT_EQ(FSPathMakeRef(path, &ref), noErr) << path;
    return ref;
}

std::string HFS(const std::string& posix)
{
    std::string hfs;
    EXPECT_TRUE(POSIXPathToHFSPath(posix, &hfs));
    return hfs;
}

CList<CString256> Names(std::initializer_list<const char*> names)
{
    CList<CString256> list;
    for (const char* name : names)
        list.Append(CString256(name));
    return list;
}

mode_t ModeOf(const std::string& path)
{
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

} // namespace

TEST(PathHelpers, NewFilesAndRenamesNeverTakeAnExistingName)
{
    FileTestFolder folder;
    folder.Put("a.txt", "A");
    folder.Put("b.txt", "B");
    FSRef created;
    EXPECT_EQ(NewFileNamedCF(RefOf(folder.Path()), QStringLiteral("a.txt"), created), dupFNErr);
    EXPECT_EQ(RenameFileUnicode(RefOf(folder.PathOf("a.txt")), QStringLiteral("b.txt")), dupFNErr);
    EXPECT_EQ(folder.Read("a.txt"), "A");
    EXPECT_EQ(folder.Read("b.txt"), "B");
    EXPECT_EQ(NewFileNamedCF(RefOf(folder.Path()), QStringLiteral("c.txt"), created), noErr);
    EXPECT_EQ(RenameFileUnicode(created, QStringLiteral("d.txt")), noErr);
    EXPECT_TRUE(folder.Exists("d.txt"));
}

TEST(PathHelpers, FolderChainsRefuseNamesThatLeaveTheFolder)
{
    FileTestFolder folder;
    QDir().mkpath(QString::fromStdString(folder.PathOf("base")));
    FSRef made;
    for (const char* bad : {"..", "%2E%2E", "a%2Fb", "%2F", ".", ""}) {
        EXPECT_EQ(MakeFoldersForPOSIXPath(folder.PathOf("base").c_str(), Names({"ok", bad}), made), bdNamErr) << bad;
    }
    EXPECT_EQ(folder.Entries(), QStringList {"base"});
    EXPECT_EQ(QDir(QString::fromStdString(folder.PathOf("base"))).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList {"ok"}); // levels before the bad name were made

    ASSERT_EQ(MakeFoldersForPOSIXPath((folder.PathOf("base") + "/").c_str(), Names({"ok", "my%20site", "2024"}), made), noErr);
    EXPECT_EQ(made.path, folder.PathOf("base/ok/my site/2024"));
    EXPECT_EQ(MakeFoldersForPOSIXPath(folder.PathOf("base").c_str(), Names({}), made), noErr);
    EXPECT_EQ(made.path, folder.PathOf("base"));
    folder.Put("base/file", "");
    EXPECT_EQ(MakeFoldersForPOSIXPath(folder.PathOf("base").c_str(), Names({"file", "below"}), made), dirNFErr);

    FSSpec spec;
    SInt32 directoryID = 0;
    ASSERT_EQ(MakeFoldersForHFSPath(HFS(folder.PathOf("base")).c_str(), Names({"h", "a%3Ab"}), spec, directoryID), bdNamErr);
    ASSERT_EQ(MakeFoldersForHFSPath((HFS(folder.PathOf("base")) + ":").c_str(), Names({"h", "i"}), spec, directoryID), noErr);
    EXPECT_EQ(spec.Path(), folder.PathOf("base/h/i"));
    EXPECT_EQ(DirectoryIDs::PathForID(directoryID), folder.PathOf("base/h/i"));
}

TEST(PathHelpers, HTMLFilesTakeTheOldFilesPlace)
{
    FileTestFolder folder;
    FSRef file;
    ASSERT_EQ(CreateHTMLFileRef(folder.Path().c_str(), Names({"site"}), "", 'KWRD', 'TEXT', file), noErr);
    EXPECT_EQ(file.path, folder.PathOf("site/Default.html"));
    folder.Put("site/Default.html", "old page");
    ASSERT_EQ(CreateHTMLFileRef(folder.Path().c_str(), Names({"site"}), "Default.html", 'KWRD', 'TEXT', file), noErr);
    EXPECT_EQ(folder.Read("site/Default.html"), "");
    EXPECT_EQ(CreateHTMLFileRef(folder.Path().c_str(), Names({"site"}), "../escape.html", 'KWRD', 'TEXT', file), bdNamErr);
    EXPECT_FALSE(folder.Exists("escape.html"));

    FSSpec spec;
    const unsigned char name[] = "\x09page.html";
    ASSERT_EQ(CreateHTMLFileSpec((HFS(folder.Path()) + ":").c_str(), Names({"site"}), name, 'KWRD', 'TEXT', spec), noErr);
    EXPECT_EQ(spec.Path(), folder.PathOf("site/page.html"));
    if (!SupportsUserAttributes(folder.Path()))
        return;
    OSType type = 0, creator = 0;
    FSGetTypeCreator(RefOf(spec.Path()), &type, &creator);
    EXPECT_EQ(type, OSType('TEXT'));
    EXPECT_EQ(creator, OSType('KWRD'));
}

TEST(PathHelpers, TextFilesReplaceAtomicallyAndAFailureKeepsTheOld)
{
    FileTestFolder folder;
    const FSSpec spec {folder.Path(), "notes.txt"};
    const SInt32 folderID = DirectoryIDs::IDForPath(folder.Path());
    const auto name = Pascal("notes.txt");
    folder.Put("notes.txt", "old notes");
    ASSERT_EQ(WriteTextFile("new", kVolume, folderID, name.c_str()), noErr);
    EXPECT_EQ(folder.Read("notes.txt"), "new");
    if (SupportsUserAttributes(folder.Path())) {
        OSType type = 0, creator = 0;
        FSGetTypeCreator(RefOf(spec.Path()), &type, &creator);
        EXPECT_EQ(type, OSType('TEXT'));
        EXPECT_EQ(creator, OSType('CWIE'));
    }

    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string big(50000, 'x');
    const OSErr err = WriteTextFile(big.c_str(), kVolume, folderID, name.c_str());
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_NE(err, noErr);
    EXPECT_EQ(folder.Read("notes.txt"), "new");
    EXPECT_EQ(folder.Entries(), QStringList {"notes.txt"});
}

TEST(PathHelpers, PathFormsConvert)
{
    CString256 path("/tmp/10:30/report");
    POSIXPathToHFSInPlace(path);
    EXPECT_EQ(std::string(path.text), std::string(kHFSVolumeName) + ":tmp:10/30:report");
    EXPECT_EQ(HFSPathToPOSIXPath(QString::fromUtf8(path.text)), "/tmp/10:30/report");
    EXPECT_TRUE(HFSPathToPOSIXPath(QStringLiteral("Elsewhere:x")).isNull());

    CString256 tooLong(("/" + std::string(250, 'x')).c_str()); // the HFS form would not fit
    POSIXPathToHFSInPlace(tooLong);
    EXPECT_EQ(tooLong.text[0], '/');

    char buffer[64] = "stale";
    HFSPathToPOSIXCString((std::string(kHFSVolumeName) + ":a:b").c_str(), buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "/a/b");
    HFSPathToPOSIXCString("Other:a", buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "");

    FileTestFolder folder;
    folder.Put("f", "");
    std::unique_ptr<char[]> full = FullPathOfSpec(FSSpec {folder.Path(), "f"});
    ASSERT_TRUE(full);
    EXPECT_EQ(std::string(full.get()), HFS(folder.PathOf("f")));
    full = FullPathOfSpec(FSSpec {"/", folder.Path().substr(1)});
    ASSERT_TRUE(full);
    EXPECT_EQ(std::string(full.get()), HFS(folder.Path()) + ":");
    EXPECT_FALSE(FullPathOfSpec(FSSpec {folder.PathOf("none"), "f"}));

    char small[8] = "xxxxxxx";
    EXPECT_EQ(FSSpecToPath(FSSpec {folder.Path(), "f"}, small, sizeof small), bdNamErr);
    EXPECT_STREQ(small, "");
    EXPECT_EQ(FSSpecToPath(FSSpec {folder.Path(), "none"}, buffer, sizeof buffer), fnfErr);
}

TEST(PathHelpers, AliasesToPathsThatFitOnly)
{
    FileTestFolder folder;
    folder.Put("short", "");
    AliasHandle alias = PathToAlias(folder.PathOf("short").c_str());
    ASSERT_NE(alias, nullptr);
    ASSERT_EQ(RenameFileUnicode(RefOf(folder.PathOf("short")), QStringLiteral("renamed")), noErr);
    CString256 path;
    EXPECT_EQ(AliasToPath(alias, path), noErr);
    EXPECT_EQ(std::string(path.text), folder.PathOf("renamed"));
    DisposeHandle(alias);

    const std::string deep = folder.PathOf(std::string(200, 'd'));
    QDir().mkpath(QString::fromStdString(deep));
    const std::string longFile = deep + "/" + std::string(100, 'f');
    FileTestFolder::ReadPath(longFile); // nothing there yet
    QFile(QString::fromStdString(longFile)).open(QIODevice::WriteOnly);
    alias = PathToAlias(longFile.c_str());
    ASSERT_NE(alias, nullptr);
    CString256 kept("kept");
    EXPECT_EQ(AliasToPath(alias, kept), bdNamErr);
    EXPECT_STREQ(kept.text, "kept");
    DisposeHandle(alias);
    EXPECT_EQ(PathToAlias(folder.PathOf("none").c_str()), nullptr);
}

TEST(PathHelpers, AliasFilesInPathTextsAreFollowed)
{
    FileTestFolder folder;
    folder.Put("target", "");
    ASSERT_EQ(symlink(folder.PathOf("target").c_str(), folder.PathOf("link1").c_str()), 0);
    ASSERT_EQ(symlink("link1", folder.PathOf("link2").c_str()), 0);
    CText posix(folder.PathOf("link2").c_str());
    EXPECT_TRUE(ResolveAliasPathText(posix));
    EXPECT_EQ(std::string(posix.buffer), folder.PathOf("target"));
    CText hfs(HFS(folder.PathOf("link1")).c_str());
    EXPECT_TRUE(ResolveAliasPathText(hfs));
    EXPECT_EQ(std::string(hfs.buffer), HFS(folder.PathOf("target")));
    CText plain(folder.PathOf("target").c_str());
    EXPECT_FALSE(ResolveAliasPathText(plain));
    EXPECT_EQ(std::string(plain.buffer), folder.PathOf("target"));
}

TEST(PathHelpers, OwnerOnlyIsAddedForWriting)
{
    FileTestFolder folder;
    folder.Put("f", "");
    chmod(folder.PathOf("f").c_str(), 0444);
    EXPECT_EQ(MakeFileWritableByAll(RefOf(folder.PathOf("f"))), noErr);
    EXPECT_EQ(ModeOf(folder.PathOf("f")), 0644u);

    AliasHandle alias = nullptr;
    const FSSpec spec {folder.Path(), "made"};
    ASSERT_EQ(CreateSpecWithTypeCreator(spec, 'KWRD', 'TEXT', alias), noErr);
    EXPECT_EQ(ModeOf(spec.Path()) & 0022, 0u);
    EXPECT_EQ(ModeOf(spec.Path()) & 0600, 0600u);
    FSRef resolved;
    EXPECT_EQ(FSResolveAlias(alias, &resolved), noErr);
    EXPECT_EQ(resolved.path, spec.Path());
    DisposeHandle(alias);
    EXPECT_EQ(CreateSpecWithTypeCreator(spec, 'KWRD', 'TEXT', alias), dupFNErr);
}

TEST(PathHelpers, WholeFileReads)
{
    FileTestFolder folder;
    folder.Put("data", QByteArray("a\0b", 3));
    folder.Put("empty", "");
    EXPECT_EQ(ReadFileData(RefOf(folder.PathOf("data"))), QByteArray("a\0b", 3));
    EXPECT_TRUE(ReadFileData(FSRef {folder.PathOf("none")}).isEmpty());
    EXPECT_EQ(ReadFileAtPath(folder.PathOf("empty").c_str()), nullptr);
    Ptr block = ReadFileAtPath(folder.PathOf("data").c_str());
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GetPtrSize(block), 3);
    DisposePtr(block);
    std::unique_ptr<char[]> text = ReadFileToText(kVolume, DirectoryIDs::IDForPath(folder.Path()), Pascal("data").c_str());
    ASSERT_TRUE(text);
    EXPECT_EQ(text[3], '\0');
    size_t count = 0;
    EXPECT_TRUE(ReadForkData(RefOf(folder.PathOf("data")), count));
    EXPECT_EQ(count, 3u);

    ASSERT_EQ(WriteDataToFile(QByteArray("xy"), RefOf(folder.PathOf("data"))), noErr);
    EXPECT_EQ(folder.Read("data"), "xy");
    EXPECT_EQ(WriteDataFork(QByteArray("z"), FSRef {folder.PathOf("none")}), fnfErr);
}

TEST(PathHelpers, CreateFileAtPathTakesHFSOrPOSIXTexts)
{
    FileTestFolder folder;
    const std::string hfs = HFS(folder.PathOf("log.txt"));
    Str255 pascal;
    pascal[0] = static_cast<unsigned char>(hfs.size());
    std::memcpy(pascal + 1, hfs.data(), hfs.size());
    FSSpec spec;
    ASSERT_EQ(CreateFileAtPath(pascal, spec), noErr);
    EXPECT_EQ(spec.Path(), folder.PathOf("log.txt"));
    folder.Put("log.txt", "kept");
    ASSERT_EQ(CreateFileAtPath(folder.PathOf("log.txt").c_str(), spec), noErr);
    EXPECT_EQ(folder.Read("log.txt"), "kept");
    EXPECT_EQ(CreateFileAtPath(folder.PathOf("none/log.txt").c_str(), spec), fnfErr);
    EXPECT_EQ(CreateFileAtPath("Other Disk:log.txt", spec), bdNamErr);
}

TEST(PathHelpers, KindsOfItems)
{
    FileTestFolder folder;
    QDir().mkpath(QString::fromStdString(folder.PathOf("App.app")));
    QDir().mkpath(QString::fromStdString(folder.PathOf("plain")));
    folder.Put("Link.WEBLOC", "");
    EXPECT_TRUE(IsItemContainer(RefOf(folder.PathOf("App.app"))));
    EXPECT_FALSE(IsPlainFolder(RefOf(folder.PathOf("App.app"))));
    EXPECT_TRUE(IsPlainFolder(RefOf(folder.PathOf("plain"))));
    EXPECT_FALSE(IsItemContainer(RefOf(folder.PathOf("Link.WEBLOC"))));
    EXPECT_TRUE(IsWeblocFile(RefOf(folder.PathOf("Link.WEBLOC"))));
    EXPECT_TRUE(IsWeblocFile(QStringLiteral("/x/y.webloc")));
    EXPECT_FALSE(IsWeblocFile(QStringLiteral("/x.webloc/y")));
    EXPECT_FALSE(IsWeblocFile(QString()));
    EXPECT_TRUE(PathIsFolder(folder.Path().c_str()));
    EXPECT_FALSE(PathIsFolder(nullptr));

    SInt32 directoryID = 0, parentID = 0;
    EXPECT_EQ(GetFolderID(FSSpec {folder.Path(), "plain"}, directoryID, parentID), noErr);
    EXPECT_EQ(DirectoryIDs::PathForID(directoryID), folder.PathOf("plain"));
    EXPECT_EQ(DirectoryIDs::PathForID(parentID), folder.Path());
    EXPECT_EQ(GetFolderID(FSSpec {folder.Path(), "Link.WEBLOC"}, directoryID, parentID), dirNFErr);
}

TEST(PathHelpers, DatesByNameAddressTheFolderWhenTheNameIsEmpty)
{
    FileTestFolder folder;
    const UInt32 when = UInt32(UnixToMacSeconds(1400000000));
    EXPECT_EQ(SetFileDatesByName(FSSpec {folder.Path(), ""}, when, when), noErr);
    UInt32 read = 0;
    EXPECT_EQ(GetModificationDate(FSSpec {folder.Path(), ""}, read), noErr);
    EXPECT_EQ(read, when);
    EXPECT_EQ(GetModificationDate(FSSpec {folder.Path(), "none"}, read), fnfErr);
    folder.Put("file", "");
    const SInt32 folderID = DirectoryIDs::IDForPath(folder.Path());
    EXPECT_EQ(SetFileDatesByName(kVolume, folderID, Pascal("file").c_str(), when + 60, when), noErr);
    EXPECT_EQ(GetModificationDate(kVolume, folderID, Pascal("file").c_str(), read), noErr);
    EXPECT_EQ(read, when + 60);
    EXPECT_EQ(GetModificationDate(kVolume, -12345, Pascal("file").c_str(), read), dirNFErr);
}

// A resource fork holding one 'url ' resource, in the classic layout.
TEST(PathHelpers, WeblocURLComesFromTheFirstURLResource)
{
    FileTestFolder folder;
    folder.Put("link.webloc", "");
    const FSRef ref = RefOf(folder.PathOf("link.webloc"));
    EXPECT_TRUE(ReadWeblocURL(ref).isNull());
    if (!SupportsUserAttributes(folder.Path()))
        GTEST_SKIP() << "no user attributes: no resource forks";
    const QByteArray url("https://example.org/ünï");
    auto be = [](uint32_t v, int width) {
        QByteArray out;
        for (int i = width - 1; i >= 0; --i)
            out.append(char(v >> (8 * i)));
        return out;
    };
    const QByteArray data = be(4, 4) + "TEXT" + be(uint32_t(url.size()), 4) + url; // a 'TEXT' resource, then the URL
    const QByteArray typeList = be(1, 2) // two types
        + be('TEXT', 4) + be(0, 2) + be(2 + 16, 2) + be('url ', 4) + be(0, 2) + be(2 + 16 + 12, 2);
    const QByteArray refs = be(128, 2) + be(0xFFFF, 2) + be(0, 1) + be(0, 3) + be(0, 4)
        + be(256, 2) + be(0xFFFF, 2) + be(0, 1) + be(8, 3) + be(0, 4);
    const QByteArray map = QByteArray(16, '\0') + be(0, 4) + be(0, 2) + be(0, 2) + be(28, 2) + be(28 + typeList.size() + refs.size(), 2)
        + typeList + refs;
    const QByteArray fork = be(256, 4) + be(uint32_t(256 + data.size()), 4) + be(uint32_t(data.size()), 4) + be(uint32_t(map.size()), 4)
        + QByteArray(240, '\0') + data + map;
    ASSERT_EQ(FSSetResourceFork(ref, fork), noErr);
    EXPECT_EQ(ReadWeblocURL(ref), QString::fromUtf8(url));

    ASSERT_EQ(FSSetResourceFork(ref, fork.left(fork.size() - 20)), noErr); // damaged map
    EXPECT_TRUE(ReadWeblocURL(ref).isNull());
}

namespace {

class FixtureMaps : public CFileTypeMaps {
public:
    bool MIMETypeForExtension(const char* extension, CString256& mimeType) const override
    {
        if (std::string(extension) != ".pdf")
            return false;
        mimeType.Assign("application/pdf");
        return true;
    }
    std::vector<FileTypeMapping> Mappings() const override
    {
        return {{'TEXT', 'ttxt', CString256("")},
                {'TEXT', 'ttxt', CString256("text/plain")},
                {'TEXT', 'KWRD', CString256("text/x-first")},
                {'JPEG', 'prvw', CString256("image/jpeg")},
                {'TEXT', 'CWIE', CString256("text/x-exact")}};
    }
    bool MapFilename(const char* name, OSType& creator, OSType& type) const override
    {
        if (std::string(name) != "a.pdf")
            return false;
        creator = 'prvw';
        type = 'PDF ';
        return true;
    }
};

} // namespace

TEST(PathHelpers, MIMELookupsGoThroughTheEnvironmentsTables)
{
    CString256 mime("unset");
    OSType creator = 0, type = 0;
    CFileTypeMaps::Install(nullptr);
    EXPECT_FALSE(GetMIMETypeForName("a.pdf", mime));
    EXPECT_FALSE(GetMIMETypeForTypeCreator('TEXT', 'CWIE', mime));
    EXPECT_FALSE(MapFilenameIC("a.pdf", creator, type));
    EXPECT_STREQ(mime.text, "unset");

    CFileTypeMaps::Install(std::make_shared<FixtureMaps>());
    EXPECT_TRUE(GetMIMETypeForName("Report.PDF", mime));
    EXPECT_STREQ(mime.text, "application/pdf");
    EXPECT_TRUE(GetMIMETypeForRef(FSRef {"/some.dir/x.Pdf"}, mime));
    EXPECT_FALSE(GetMIMETypeForName("README", mime));
    EXPECT_FALSE(GetMIMETypeForRef(FSRef {"/some.pdf/README"}, mime));

    EXPECT_TRUE(GetMIMETypeForTypeCreator('TEXT', 'CWIE', mime)); // a later exact match wins
    EXPECT_STREQ(mime.text, "text/x-exact");
    EXPECT_FALSE(GetMIMETypeForTypeCreator('TEXT', 'none', mime)); // last same-type entry copied
    EXPECT_STREQ(mime.text, "text/x-exact");
    EXPECT_TRUE(GetMIMETypeForTypeCreator('TEXT', 'ttxt', mime));
    EXPECT_STREQ(mime.text, "text/plain");
    EXPECT_TRUE(MapFilenameIC("a.pdf", creator, type));
    EXPECT_EQ(type, OSType('PDF '));
    CFileTypeMaps::Install(nullptr);
}

TEST(PathHelpers, BundleResourcesThatDoNotExistAnswerFalse)
{
    FSRef ref;
    FSSpec spec;
    EXPECT_FALSE(GetBundleResourceRef("no-such-resource", "txt", ref));
    EXPECT_FALSE(GetBundleResourceSpec("no-such-resource", "txt", spec));
    EXPECT_FALSE(ReadBundleTextResource("no-such-resource"));
    CString256 path;
    ASSERT_EQ(GetBundlePath(path), noErr);
    EXPECT_EQ(path.text[path.Length() - 1], ':');
}
