#include "FileRefUtilities.h"

#include "DirectoryIDs.h"
#include "FileManager.h"
#include "FileMetadata.h"

#include <QString>

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace {

std::string PascalText(ConstStr255Param name)
{
    if (!name)
        return {};
    return std::string(reinterpret_cast<const char*>(name + 1), name[0]);
}

bool LowerLess(const std::string& a, const std::string& b)
{
    const auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [&](char x, char y) { return lower(x) < lower(y); });
}

bool ModificationTime(const std::string& path, timespec* time)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return false;
    *time = info.st_mtim;
    return true;
}

UInt16 BigEndian16(const uint8_t* bytes)
{
    return UInt16(bytes[0] << 8 | bytes[1]);
}

UInt32 BigEndian32(const uint8_t* bytes)
{
    return UInt32(bytes[0]) << 24 | UInt32(bytes[1]) << 16 | UInt32(bytes[2]) << 8 | bytes[3];
}

} // namespace

SInt32 FSSpecParentID(const FSSpec& spec)
{
    if (spec.folder.empty())
        return DirectoryIDs::kRootParentID;
    return DirectoryIDs::IDForPath(spec.folder);
}

OSErr GetFSSpecOfRef(const FSRef* ref, FSSpec* spec)
{
    if (!ref || !spec)
        return paramErr;
    return FSGetFSSpec(*ref, spec);
}

OSErr MakeFSRefFromSpecParts(SInt16 volume, SInt32 dirID, ConstStr255Param name, FSRef* ref)
{
    if (!ref)
        return paramErr;
    if (volume != DirectoryIDs::kVolumeRefNum)
        return nsvErr;
    const std::string leaf = PascalText(name);
    if (dirID == DirectoryIDs::kRootParentID)
        return FSPathMakeRef("/", ref);
    const auto folder = DirectoryIDs::PathForID(dirID);
    if (!folder)
        return dirNFErr;
    if (leaf.empty())
        return FSPathMakeRef(*folder, ref);
    if (!IsValidFileName(leaf))
        return bdNamErr;
    return FSPathMakeRef(*folder == "/" ? "/" + leaf : *folder + "/" + leaf, ref);
}

OSErr MakePathFromSpecParts(SInt16 volume, SInt32 dirID, ConstStr255Param name, char* path, UInt32 pathSize)
{
    if (!path || pathSize == 0)
        return paramErr;
    FSRef ref;
    if (OSErr err = MakeFSRefFromSpecParts(volume, dirID, name, &ref))
        return err;
    return FSRefMakePath(ref, path, pathSize);
}

OSErr GetFSSpecOfPath(const char* path, FSSpec* spec, Boolean* isDirectory)
{
    if (!path || !spec)
        return paramErr;
    FSRef ref;
    bool directory = false;
    if (OSErr err = FSPathMakeRef(std::string_view(path), &ref, &directory))
        return err;
    if (OSErr err = FSGetFSSpec(ref, spec))
        return err;
    if (isDirectory)
        *isDirectory = directory;
    return noErr;
}

Boolean FSRefExists(const FSRef* ref)
{
    return ref && FSRefExists(*ref);
}

OSErr GetItemUnicodeName(const FSRef* ref, HFSUniStr255* name)
{
    if (!ref || !name)
        return paramErr;
    std::string text;
    if (OSErr err = FSGetName(*ref, &text))
        return err;
    const QString units = QString::fromUtf8(text.data(), qsizetype(text.size()));
    if (units.size() > 255)
        return bdNamErr;
    name->length = UInt16(units.size());
    std::memcpy(name->unicode, units.utf16(), size_t(units.size()) * sizeof(UniChar));
    return noErr;
}

OSErr GetNodeIDAndIsFolder(const FSRef* ref, SInt32* nodeID, Boolean* isFolder)
{
    if (!ref)
        return paramErr;
    FSItemInfo info;
    if (OSErr err = FSGetItemInfo(*ref, &info))
        return err;
    if (nodeID)
        *nodeID = DirectoryIDs::IDForPath(ref->path);
    if (isFolder)
        *isFolder = info.isDirectory;
    return noErr;
}

OSErr GetForkSizes(const FSRef* ref, UInt64* dataSize, UInt64* resourceSize)
{
    if (!ref)
        return paramErr;
    FSItemInfo info;
    if (OSErr err = FSGetItemInfo(*ref, &info))
        return err;
    if (info.isDirectory)
        return notAFileErr;
    if (dataSize)
        *dataSize = info.dataLogicalSize;
    if (resourceSize)
        *resourceSize = info.rsrcLogicalSize;
    return noErr;
}

OSErr GetFinderInfo(const FSRef* ref, FileInfo* info, ExtendedFileInfo* extendedInfo, Boolean* isFolder)
{
    if (!ref)
        return paramErr;
    FSItemInfo item;
    if (OSErr err = FSGetItemInfo(*ref, &item))
        return err;
    FinderInfo stored;
    if (OSErr err = FSGetFinderInfo(*ref, &stored))
        return err;
    const uint8_t* b = stored.bytes.data();
    std::string name;
    FSGetName(*ref, &name);
    if (info) {
        info->fileType = BigEndian32(b);
        info->fileCreator = BigEndian32(b + 4);
        info->finderFlags = BigEndian16(b + 8);
        if (!name.empty() && name[0] == '.')
            info->finderFlags |= kIsInvisible;
        info->locationV = SInt16(BigEndian16(b + 10));
        info->locationH = SInt16(BigEndian16(b + 12));
        info->reservedField = BigEndian16(b + 14);
    }
    if (extendedInfo) {
        for (int i = 0; i < 4; ++i)
            extendedInfo->reserved1[i] = SInt16(BigEndian16(b + 16 + 2 * i));
        extendedInfo->extendedFinderFlags = BigEndian16(b + 24);
        extendedInfo->reserved2 = SInt16(BigEndian16(b + 26));
        extendedInfo->putAwayFolderID = SInt32(BigEndian32(b + 28));
    }
    if (isFolder)
        *isFolder = item.isDirectory;
    return noErr;
}

OSErr GetFolderItems(const FSRef* folder, std::vector<FSRef>* items, ItemCount* count, Boolean* changed)
{
    if (!folder || !items || !count || !changed)
        return paramErr;
    items->clear();
    *count = 0;
    *changed = false;
    timespec before {}, after {};
    if (!ModificationTime(folder->path, &before))
        return OSErrFromLastErrno();
    DIR* listing = opendir(folder->path.c_str());
    if (!listing)
        return OSErrFromLastErrno();
    std::vector<std::string> names;
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(listing);
    std::sort(names.begin(), names.end(), LowerLess);
    const std::string prefix = folder->path == "/" ? "/" : folder->path + "/";
    for (const std::string& name : names)
        items->push_back(FSRef {prefix + name});
    *count = ItemCount(items->size());
    *changed = !ModificationTime(folder->path, &after) || after.tv_sec != before.tv_sec
        || after.tv_nsec != before.tv_nsec;
    return noErr;
}
