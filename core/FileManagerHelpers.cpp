#include "FileManagerHelpers.h"

#include "DirectoryIDs.h"
#include "FileManager.h"
#include "HFSPaths.h"
#include "MemoryBlocks.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

OSErr GetDirectoryIDOf(SInt16 volume, SInt32 dirID, ConstStr255Param name, SInt32* theDirID,
                       Boolean* isDirectory)
{
    if (!theDirID || !isDirectory)
        return paramErr;
    if (volume != DirectoryIDs::kVolumeRefNum)
        return nsvErr;
    const auto folder = DirectoryIDs::PathForID(dirID);
    if (!folder)
        return dirNFErr;
    const std::string leaf = name ? std::string(reinterpret_cast<const char*>(name + 1), name[0]) : std::string();
    const std::string path = leaf.empty() ? *folder : (*folder == "/" ? "/" : *folder + "/") + leaf;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return OSErrFromLastErrno();
    *isDirectory = S_ISDIR(info.st_mode);
    *theDirID = *isDirectory ? DirectoryIDs::IDForPath(path) : dirID;
    return noErr;
}

OSErr GetDirectoryIDOfSpec(const FSSpec* spec, SInt32* theDirID, Boolean* isDirectory)
{
    if (!spec || !theDirID || !isDirectory)
        return paramErr;
    if (spec->folder.empty()) { // the volume: its root folder
        *theDirID = DirectoryIDs::kRootDirID;
        *isDirectory = true;
        return noErr;
    }
    Str255 name = {};
    const size_t length = std::min<size_t>(spec->name.size(), 255);
    name[0] = static_cast<unsigned char>(length);
    std::memcpy(name + 1, spec->name.data(), length);
    if (length != spec->name.size())
        return bdNamErr;
    return GetDirectoryIDOf(DirectoryIDs::kVolumeRefNum, DirectoryIDs::IDForPath(spec->folder), name,
                            theDirID, isDirectory);
}

OSErr BuildFullPathFromSpec(const FSSpec* spec, SInt16* fullPathLength, Handle* fullPath)
{
    if (!spec || !fullPathLength || !fullPath)
        return paramErr;
    *fullPathLength = 0;
    *fullPath = nullptr;
    std::string hfs;
    OSErr result = noErr;
    if (spec->folder.empty()) {
        hfs = std::string(kHFSVolumeName) + ":";
    } else {
        struct stat folderInfo {};
        if (stat(spec->folder.c_str(), &folderInfo) != 0)
            return OSErrFromLastErrno();
        if (!S_ISDIR(folderInfo.st_mode))
            return dirNFErr;
        std::string posix = spec->name.empty() ? spec->folder : spec->Path();
        struct stat info {};
        if (stat(posix.c_str(), &info) != 0) {
            if (errno != ENOENT)
                return OSErrFromLastErrno();
            result = fnfErr; // the path of an item about to be made
        } else if (S_ISDIR(info.st_mode) && posix != "/") {
            posix += "/";
        }
        if (!POSIXPathToHFSPath(posix, &hfs))
            return paramErr;
    }
    if (hfs.size() > 0x7FFF)
        return bdNamErr;
    Handle handle = NewHandle(Size(hfs.size()));
    if (!handle)
        return memFullErr;
    std::memcpy(*handle, hfs.data(), hfs.size());
    *fullPath = handle;
    *fullPathLength = SInt16(hfs.size());
    return result;
}
