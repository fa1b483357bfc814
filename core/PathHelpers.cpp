// Conversions between path forms, alias records, item kinds and folder chains.
#include "PathHelpers.h"

#include "DirectoryIDs.h"
#include "FileManager.h"
#include "FileManagerHelpers.h"
#include "FileMetadata.h"
#include "FileUtilities.h"
#include "HFSPaths.h"
#include "MemoryBlocks.h"
#include "WholeFileWrite.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string PascalText(ConstStr255Param pascal)
{
    return pascal ? std::string(reinterpret_cast<const char*>(pascal + 1), pascal[0]) : std::string();
}

// A path text that starts with "/" is POSIX; anything else is read as HFS.
bool ToPOSIX(const std::string& text, std::string* posix)
{
    if (!text.empty() && text.front() == '/') {
        *posix = text;
        return true;
    }
    return HFSPathToPOSIXPath(text, posix);
}

bool CopyOut(const std::string& text, char* buffer, size_t size)
{
    if (!buffer || text.size() + 1 > size)
        return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

std::unique_ptr<char[]> NewCString(const std::string& text)
{
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}

std::unique_ptr<UniChar[]> NewUniChars(const QString& text, UInt32& length)
{
    length = UInt32(text.size());
    std::unique_ptr<UniChar[]> chars(new UniChar[length ? length : 1]);
    std::memcpy(chars.get(), text.utf16(), length * sizeof(UniChar));
    return chars;
}

// A name from outside (a URL part), percent-decoded; empty when it could leave its folder.
std::string DecodedFolderName(const CString256& name, bool hfs)
{
    CString256 decoded(name);
    decoded.PercentDecode();
    const std::string text = decoded.text;
    if (!IsValidFileName(text) || (hfs && text.find(':') != std::string::npos))
        return {};
    return text;
}

// Looks `name` up under `folder`, making the folder when it is missing.
OSErr FindOrMakeFolder(const FSRef& folder, const std::string& name, FSRef& level)
{
    const OSErr lookup = FSMakeFSRefUnicode(folder, name, &level);
    if (lookup != fnfErr)
        return lookup;
    return FSCreateDirectoryUnicode(folder, name, &level);
}

OSErr WalkFolders(const std::string& start, const CList<CString256>& names, bool hfs, FSRef& last)
{
    FSRef level;
    if (OSErr err = FSPathMakeRef(start, &level))
        return err;
    names.Rewind();
    while (const CString256* name = names.Next()) {
        const std::string decoded = DecodedFolderName(*name, hfs);
        if (decoded.empty())
            return bdNamErr;
        FSRef next;
        if (OSErr err = FindOrMakeFolder(level, decoded, next))
            return err;
        level = next;
    }
    last = level;
    return noErr;
}

bool HasExtensionNoCase(const std::string& path, const char* extension)
{
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return false;
    return strcasecmp(path.c_str() + dot + 1, extension) == 0;
}

OSErr ReplaceWithNewFile(const std::string& path, const void* bytes, size_t count, OSType creator,
                         OSType type)
{
    if (OSErr err = WriteWholeFileAtomically(path, bytes, count, WholeFileMode::ReplaceAsNew))
        return err;
    FSRef file;
    if (FSPathMakeRef(path, &file) == noErr)
        FSSetTypeCreator(file, &type, &creator);
    return noErr;
}

// The folder-and-name record (FSSpec) of `name` in the folder numbered `directoryID`; the item
// need not exist.
// An empty name leaves the name empty (the folder itself).
OSErr SpecFromParts(SInt16 volume, SInt32 directoryID, ConstStr255Param name, FSSpec& spec)
{
    if (volume != DirectoryIDs::kVolumeRefNum)
        return nsvErr;
    const auto folder = DirectoryIDs::PathForID(directoryID);
    if (!folder)
        return dirNFErr;
    spec = FSSpec {*folder, PascalText(name)};
    return noErr;
}

} // namespace

QString HFSPathToPOSIXPath(const QString& hfsPath)
{
    std::string posix;
    if (hfsPath.isNull() || !HFSPathToPOSIXPath(hfsPath.toStdString(), &posix))
        return {};
    return QString::fromStdString(posix);
}

void HFSPathToPOSIXCString(const char* hfsPath, char* buffer, size_t size)
{
    if (!buffer || size == 0)
        return;
    std::string posix;
    if (!hfsPath || !HFSPathToPOSIXPath(hfsPath, &posix) || !CopyOut(posix, buffer, size))
        buffer[0] = '\0';
}

void POSIXPathToHFSInPlace(CString256& path)
{
    std::string hfs;
    if (!POSIXPathToHFSPath(path.text, &hfs) || hfs.size() > CString256::kLimit)
        return;
    path.Assign(hfs.c_str());
}

OSErr FSSpecToPath(const FSSpec& spec, char* buffer, size_t size)
{
    if (!buffer || size == 0)
        return paramErr;
    buffer[0] = '\0';
    FSRef ref;
    if (OSErr err = FSpMakeFSRef(spec, &ref))
        return err;
    return CopyOut(ref.path, buffer, size) ? OSErr(noErr) : OSErr(bdNamErr);
}

std::unique_ptr<char[]> FullPathOfSpec(const FSSpec& spec)
{
    SInt16 length = 0;
    Handle path = nullptr;
    const OSErr err = BuildFullPathFromSpec(&spec, &length, &path);
    if ((err != noErr && err != fnfErr) || !path || length <= 0) {
        DisposeHandle(path);
        return nullptr;
    }
    std::unique_ptr<char[]> copy = NewCString(std::string(*path, size_t(length)));
    DisposeHandle(path);
    return copy;
}

std::unique_ptr<UniChar[]> CopyUniChars(const QString& text, UInt32& length)
{
    return NewUniChars(text, length);
}

std::unique_ptr<UniChar[]> CStringToUniChars(const char* text, UInt32& length)
{
    return NewUniChars(QString::fromUtf8(text ? text : ""), length);
}

OSErr AliasToPath(AliasHandle alias, CString256& path)
{
    FSRef target;
    if (OSErr err = FSResolveAlias(alias, &target))
        return err;
    if (target.path.size() > CString256::kLimit)
        return bdNamErr;
    path.Assign(target.CPath());
    return noErr;
}

AliasHandle PathToAlias(const char* path)
{
    FSRef target;
    AliasHandle alias = nullptr;
    if (!path || FSPathMakeRef(path, &target) != noErr || FSNewAlias(target, &alias) != noErr)
        return nullptr;
    return alias;
}

bool ResolveAliasPathText(CText& path)
{
    if (!path.buffer || path.length == 0)
        return false;
    const std::string text(path.buffer, size_t(path.length));
    std::string posix;
    if (!ToPOSIX(text, &posix))
        return false;
    struct stat link {};
    if (lstat(posix.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
        return false;
    std::unique_ptr<char, decltype(&free)> real(realpath(posix.c_str(), nullptr), &free);
    if (!real)
        return false;
    std::string resolved = real.get();
    if (text.front() != '/' && !POSIXPathToHFSPath(resolved, &resolved))
        return false;
    path.Assign(resolved.c_str());
    return true;
}

OSErr NewFileNamedCF(const FSRef& folder, const QString& name, FSRef& created)
{
    return FSCreateFileUnicode(folder, name.toStdString(), &created);
}

OSErr CreateFileAtPath(ConstStr255Param path, FSSpec& spec)
{
    return CreateFileAtPath(PascalText(path).c_str(), spec);
}

OSErr CreateFileAtPath(const char* path, FSSpec& spec)
{
    std::string posix;
    if (!path || !*path || !ToPOSIX(path, &posix))
        return bdNamErr;
    FSRef file;
    if (OSErr err = CreateFileForPath(posix.c_str(), file))
        return err;
    return FSGetFSSpec(file, &spec);
}

bool PathIsFolder(const char* posixPath)
{
    struct stat info {};
    return posixPath && stat(posixPath, &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsItemContainer(const FSRef& item) { return PathIsFolder(item.CPath()); }

bool IsPlainFolder(const FSRef& item) { return IsItemContainer(item) && !IsPackagePath(item.path); }

bool IsWeblocFile(const FSRef& item) { return HasExtensionNoCase(item.path, "webloc"); }

bool IsWeblocFile(const QString& posixPath)
{
    return !posixPath.isNull() && HasExtensionNoCase(posixPath.toStdString(), "webloc");
}

OSErr MakeFoldersForHFSPath(const char* folderPath, const CList<CString256>& names, FSSpec& spec,
                            SInt32& directoryID)
{
    std::string start;
    if (!folderPath || !HFSPathToPOSIXPath(folderPath, &start))
        return bdNamErr;
    FSRef last;
    if (OSErr err = WalkFolders(start, names, true, last))
        return err;
    FSSpec lastSpec;
    if (OSErr err = FSGetFSSpec(last, &lastSpec))
        return err;
    Boolean isDirectory = false;
    if (OSErr err = GetDirectoryIDOfSpec(&lastSpec, &directoryID, &isDirectory))
        return err;
    spec = lastSpec;
    return noErr;
}

OSErr MakeFoldersForPOSIXPath(const char* folderPath, const CList<CString256>& names, FSRef& folder)
{
    if (!folderPath || !*folderPath)
        return paramErr;
    return WalkFolders(folderPath, names, false, folder);
}

OSErr CreateHTMLFileSpec(const char* folderHFSPath, const CList<CString256>& names,
                         ConstStr255Param fileName, OSType creator, OSType type, FSSpec& spec)
{
    FSSpec folder;
    SInt32 directoryID = 0;
    if (OSErr err = MakeFoldersForHFSPath(folderHFSPath, names, folder, directoryID))
        return err;
    std::string name = PascalText(fileName);
    if (name.empty())
        name = "Default.html";
    if (!IsValidFileName(name))
        return bdNamErr;
    const FSSpec file {folder.Path(), name};
    if (OSErr err = ReplaceWithNewFile(file.Path(), nullptr, 0, creator, type))
        return err;
    spec = file;
    return noErr;
}

OSErr CreateHTMLFileRef(const char* folderPOSIXPath, const CList<CString256>& names,
                        const char* fileName, OSType creator, OSType type, FSRef& file)
{
    FSRef folder;
    if (OSErr err = MakeFoldersForPOSIXPath(folderPOSIXPath, names, folder))
        return err;
    const std::string name = (fileName && *fileName) ? fileName : "Default.html";
    if (!IsValidFileName(name))
        return bdNamErr;
    const std::string path = folder.path == "/" ? "/" + name : folder.path + "/" + name;
    if (OSErr err = ReplaceWithNewFile(path, nullptr, 0, creator, type))
        return err;
    return FSPathMakeRef(path, &file);
}

OSErr WriteTextFile(const char* text, SInt16 volume, SInt32 directoryID, ConstStr255Param name)
{
    FSSpec spec;
    if (OSErr err = SpecFromParts(volume, directoryID, name, spec))
        return err;
    if (!IsValidFileName(spec.name))
        return bdNamErr;
    const size_t length = text ? std::strlen(text) : 0;
    return ReplaceWithNewFile(spec.Path(), text, length, 'CWIE', 'TEXT');
}

OSErr GetFolderID(const FSSpec& folder, SInt32& directoryID, SInt32& parentID)
{
    FSRef ref;
    bool isDirectory = false;
    if (folder.IsEmpty())
        return paramErr;
    if (OSErr err = FSPathMakeRef(folder.Path(), &ref, &isDirectory))
        return err;
    if (!isDirectory)
        return dirNFErr;
    directoryID = DirectoryIDs::IDForPath(ref.path);
    parentID = ref.path == "/" ? DirectoryIDs::kRootParentID : DirectoryIDs::IDForPath(folder.folder);
    return noErr;
}

OSErr MakeFileWritableByAll(const FSRef& item) { return FSAddPermissions(item, 0600); }

OSErr MakeFileWritableByAll(const FSSpec& spec)
{
    FSRef item;
    if (OSErr err = FSpMakeFSRef(spec, &item))
        return err;
    return MakeFileWritableByAll(item);
}

OSErr CreateSpecWithTypeCreator(const FSSpec& spec, OSType creator, OSType type, AliasHandle& alias)
{
    FSRef folder, file;
    if (spec.IsEmpty())
        return paramErr;
    if (OSErr err = FSPathMakeRef(spec.folder, &folder))
        return err;
    if (OSErr err = FSCreateFileUnicode(folder, spec.name, &file))
        return err;
    FSSetTypeCreator(file, &type, &creator);
    MakeFileWritableByAll(file);
    return FSNewAlias(file, &alias);
}

OSErr GetModificationDate(SInt16 volume, SInt32 directoryID, ConstStr255Param name, UInt32& modificationDate)
{
    FSSpec spec;
    if (OSErr err = SpecFromParts(volume, directoryID, name, spec))
        return err;
    return GetModificationDate(spec, modificationDate);
}

OSErr GetModificationDate(const FSSpec& spec, UInt32& modificationDate)
{
    FSRef item;
    const std::string path = spec.name.empty() ? spec.folder : spec.Path();
    if (OSErr err = FSPathMakeRef(path, &item))
        return err;
    return GetContentModSeconds(item, modificationDate);
}

OSErr SetFileDatesByName(SInt16 volume, SInt32 directoryID, ConstStr255Param name,
                         UInt32 modificationDate, UInt32 creationDate)
{
    FSSpec spec;
    if (OSErr err = SpecFromParts(volume, directoryID, name, spec))
        return err;
    return SetFileDatesByName(spec, modificationDate, creationDate);
}

OSErr SetFileDatesByName(const FSSpec& spec, UInt32 modificationDate, UInt32 creationDate)
{
    FSRef item;
    const std::string path = spec.name.empty() ? spec.folder : spec.Path();
    if (OSErr err = FSPathMakeRef(path, &item))
        return err;
    FSSetCreationDate(item, creationDate);
    return FSSetContentModDate(item, modificationDate);
}

OSErr RenameFileUnicode(const FSRef& item, const QString& newName)
{
    return FSRenameUnicode(item, newName.toStdString(), nullptr);
}
