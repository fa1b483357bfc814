// The program's file utilities: find or create a folder or file by name inside a folder, create
// a file at a POSIX path, give a file its type and creator, read an item's name, path, type,
// creator, size and dates, set a fetched file's dates and comment, and read or write a whole
// data fork. Items are FSRefs (absolute POSIX paths, platform/system/FSRef.h); names are UTF-8
// C strings (the program's CString256 texts) or QStrings.
//
// Results are the program's result codes (0 success, -43 not found ...). Only -43 counts as a
// missing item for the existence tests: any other lookup failure reports the item present.
// The create functions return 0 with the existing item's reference when the name is taken (the
// type-and-creator forms then re-stamp it); a lookup that fails otherwise returns that error.
// Whole-file writes replace the file atomically (platform/system/WholeFileWrite.h) and truncate.
// Comments are read and written at once; there is no Finder to notify, so the update request
// answers 0 and does nothing. Nothing throws or yields; main thread or cooperative threads.
#pragma once

#include "CString256.h"
#include "FSRef.h"
#include "FSSpec.h"
#include "MacTypes.h"

#include <QString>

#include <cstddef>
#include <memory>

// Existence inside a folder: true unless the lookup answers -43; `item` is filled on success.
bool FolderItemExists(const FSRef& folder, const char* name, FSRef& item);
bool ItemExistsNamed(const FSRef& folder, const QString& name, FSRef& item);

// Creation inside a folder (see top for an existing name).
OSErr CreateFolderNamed(const FSRef& folder, const char* name, FSRef& created);
OSErr CreateFolderCF(const FSRef& folder, const QString& name, FSRef& created);
OSErr CreateFileNamed(const FSRef& folder, const char* name, FSRef& created);
OSErr CreateFileCF(const FSRef& folder, const QString& name, FSRef& created);
OSErr CreateFileWithTypeCreator(const FSRef& folder, const QString& name, OSType creator,
                                OSType type, FSRef& created);
OSErr CreateFileNamedWithTypeCreator(const FSRef& folder, const char* name, OSType creator,
                                     OSType type, FSRef& created);

// Creation by path. An existing item: 0 and its reference. Otherwise the folder part must exist
// (its lookup error comes back) and the name after the last "/" is created there; no folders
// are made. Paths have no length limit of their own; a name over 255 bytes fails with -37.
OSErr CreateFileForPath(const char* path, FSRef& created);
OSErr CreateFileForPathWithTypeCreator(const char* path, OSType creator, OSType type, FSRef& created);

// Names, paths and facts of an item.
OSErr FSRefToPath(const FSRef& item, Str255 path);           // paths over 254 bytes: -37, path untouched
OSErr GetFileName(const FSRef& item, CString256& name);      // cut to 255 bytes on a character boundary
OSErr CopyFileNameCFString(const FSRef& item, QString& name); // null first, stays null on failure
// `count` UTF-16 units as a new NUL-terminated UTF-8 block (release with DisposePtr).
OSErr ConvertUnicodeName(char*& converted, const UniChar* name, UInt32 count);
bool IsFile(const FSRef& item);                              // false for a folder or a missing item
bool IsFolderAliasFile(const FSRef& item);                   // a symbolic link to a folder
OSErr GetFileType(const FSRef& item, OSType& type);          // 0 on failure
OSErr GetFileCreator(const FSRef& item, OSType& creator);    // 0 on failure
OSErr SetFileType(const FSRef& item, OSType type);
OSErr SetFileCreator(const FSRef& item, OSType creator);
OSErr GetTotalLogicalSize(const FSRef& item, UInt64& size);  // data + resource fork; 0 on failure
OSErr GetContentModSeconds(const FSRef& item, UInt32& seconds); // low 32 bits of 1904 seconds
// Replaces the low 32 bits of the modification and creation dates (catalog seconds). Always 0;
// nothing is written when the dates cannot be read.
OSErr SetFileDates(const FSRef& item, UInt32 modificationSeconds, UInt32 creationSeconds);
OSErr RenameItem(FSRef& item, const char* name);             // -48 when the name is taken
bool FSRefGetParent(const FSRef& item, FSRef& parent);
OSErr GetFSSpecOfRef2(const FSRef& item, FSSpec& spec);

// Comments (through the Finder helpers, AppleEventHelpers.h).
OSErr SetFinderComment(const FSRef& item, const char* text);
// A non-empty comment is copied into `comment`; none, or a failure (a comment over 255 bytes
// cannot be answered: -1700), leaves it as it was.
OSErr GetFinderComment(const FSRef& item, CString256& comment);

// Whole data forks. WriteWholeFile needs an existing file (-43 otherwise).
OSErr WriteWholeFile(const FSRef& item, const void* bytes, size_t count);
OSErr WriteWholeFileAtPath(const char* path, const void* bytes, size_t count);
// The whole fork and its size; null on any failure, a short read included.
std::unique_ptr<char[]> ReadWholeFile(const FSRef& item, size_t& size);
std::unique_ptr<char[]> ReadWholeFileAtPath(const char* path, size_t& size);
// The item named by volume, directory ID and Pascal name (FileRefUtilities.h).
std::unique_ptr<char[]> ReadWholeFileFromSpec(SInt16 volume, SInt32 directoryID, ConstStr255Param name,
                                              size_t& size);
