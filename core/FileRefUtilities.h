// FileRefUtilities: the program's small helpers over file references: conversions between
// references, folder-and-name records (FSSpec), POSIX paths and the (volume, directory ID, name) triple, the
// existence test, an item's name, node ID, fork sizes and Finder information, and the sorted
// listing of a folder.
//
// Directory and node IDs are DirectoryIDs numbers (one per absolute path; 2 is "/"), on the
// one volume DirectoryIDs::kVolumeRefNum. Pascal names hold UTF-8 bytes. Every function
// answers a result code (0 success, -50 for a missing required output, -43 for a missing
// item, -1302 where a file was needed); outputs are untouched on failure unless said.
// Nothing throws or yields; any thread.
#pragma once

#include "FSRef.h"
#include "FSSpec.h"
#include "MacTypes.h"

#include <cstdint>
#include <vector>

using ItemCount = uint32_t;

// An item's name as the catalog holds it: up to 255 UTF-16 units.
struct HFSUniStr255 {
    UInt16 length = 0;
    UniChar unicode[255] = {};
};

// The first 16 bytes of Finder information, as fields.
struct FileInfo {
    OSType fileType = 0;
    OSType fileCreator = 0;
    UInt16 finderFlags = 0;
    SInt16 locationV = 0;
    SInt16 locationH = 0;
    UInt16 reservedField = 0;
};

// The extended 16 bytes.
struct ExtendedFileInfo {
    SInt16 reserved1[4] = {};
    UInt16 extendedFinderFlags = 0;
    SInt16 reserved2 = 0;
    SInt32 putAwayFolderID = 0;
};

constexpr UInt16 kIsInvisible = 0x4000;

OSErr GetFSSpecOfRef(const FSRef* ref, FSSpec* spec);
// The reference of an item named by the triple; an empty name names the folder itself.
OSErr MakeFSRefFromSpecParts(SInt16 volume, SInt32 dirID, ConstStr255Param name, FSRef* ref);
// The same, then its POSIX path into `path` (NUL-terminated); bdNamErr when it does not fit.
OSErr MakePathFromSpecParts(SInt16 volume, SInt32 dirID, ConstStr255Param name, char* path,
                            UInt32 pathSize);
OSErr GetFSSpecOfPath(const char* path, FSSpec* spec, Boolean* isDirectory);
Boolean FSRefExists(const FSRef* ref);
OSErr GetItemUnicodeName(const FSRef* ref, HFSUniStr255* name);
OSErr GetNodeIDAndIsFolder(const FSRef* ref, SInt32* nodeID, Boolean* isFolder);
// Data fork size and resource fork size (the resource-fork attribute); -1302 for a folder.
OSErr GetForkSizes(const FSRef* ref, UInt64* dataSize, UInt64* resourceSize);
// The Finder information; a name starting with "." counts as invisible (kIsInvisible).
OSErr GetFinderInfo(const FSRef* ref, FileInfo* info, ExtendedFileInfo* extendedInfo, Boolean* isFolder);

// The folder's items sorted by name (ASCII case ignored). `changed` is set when the folder's
// modification time moved while it was listed. On failure the list is empty and the count 0.
OSErr GetFolderItems(const FSRef* folder, std::vector<FSRef>* items, ItemCount* count, Boolean* changed);

// The parent directory ID of an FSSpec (its folder's number); 1 for the volume itself.
SInt32 FSSpecParentID(const FSSpec& spec);
