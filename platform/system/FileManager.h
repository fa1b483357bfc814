// The file-manager stand-in: making, comparing and naming FSRefs, creating, deleting and
// renaming items, and reading an item's catalog facts (kind, sizes, dates, identity).
// Items are POSIX paths (see FSRef.h); names are UTF-8 texts of at most 255 bytes, never "",
// "." or ".." and never holding "/" (bdNamErr, -37, otherwise). Failures come back as the
// program's result codes through OSErrFromErrno (FileErrors.h); nothing throws.
// Stands in for: the catalog calls the program makes. Does not: volumes, forks other than the
// data fork and the resource fork kept in metadata (FileMetadata.h), byte-range locks.
// Any thread: every call is a plain system call on the calling thread.
#pragma once

#include "FSRef.h"
#include "FSSpec.h"
#include "FileErrors.h"
#include "MacTypes.h"
#include "PosixPaths.h"

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

constexpr size_t kMaxFileNameBytes = 255;

// True when `name` can name an item inside a folder (see the header comment).
bool IsValidFileName(std::string_view name);

// FSRef of the item at `path` (symbolic links are followed to test existence; the FSRef keeps
// the path as given). A missing item, also a dangling link: fnfErr; empty path: paramErr.
OSErr FSPathMakeRef(std::string_view path, FSRef* ref, bool* isDirectory = nullptr);
OSErr FSPathMakeRef(const QString& path, FSRef* ref, bool* isDirectory = nullptr);
inline OSErr FSPathMakeRef(const char* path, FSRef* ref, bool* isDirectory = nullptr)
{
    return FSPathMakeRef(std::string_view(path ? path : ""), ref, isDirectory);
}
inline OSErr FSPathMakeRef(const std::string& path, FSRef* ref, bool* isDirectory = nullptr)
{
    return FSPathMakeRef(std::string_view(path), ref, isDirectory);
}

// The item's POSIX path; fnfErr when it no longer exists.
OSErr FSRefMakePath(const FSRef& ref, std::string* path);
// The same into a caller's buffer of `size` bytes, NUL-terminated; bdNamErr when it does not fit.
OSErr FSRefMakePath(const FSRef& ref, char* buffer, size_t size);

// FSRef of `name` inside the folder `parent`: fnfErr when missing, bdNamErr for a bad name.
OSErr FSMakeFSRefUnicode(const FSRef& parent, std::string_view name, FSRef* ref);
OSErr FSMakeFSRefUnicode(const FSRef& parent, const QString& name, FSRef* ref);
inline OSErr FSMakeFSRefUnicode(const FSRef& parent, const char* name, FSRef* ref)
{
    return FSMakeFSRefUnicode(parent, std::string_view(name ? name : ""), ref);
}
inline OSErr FSMakeFSRefUnicode(const FSRef& parent, const std::string& name, FSRef* ref)
{
    return FSMakeFSRefUnicode(parent, std::string_view(name), ref);
}

// Same item (device and inode): noErr; different items: errFSRefsDifferent; either gone: fnfErr.
OSErr FSCompareFSRefs(const FSRef& a, const FSRef& b);
bool FSRefsNameSameItem(const FSRef& a, const FSRef& b);
bool FSRefExists(const FSRef& ref);

// New empty file (mode 0666 less the umask) or folder (0777 less the umask) named `name` in
// `parent`; an existing item of that name: dupFNErr, nothing changed. `newRef` may be null.
OSErr FSCreateFileUnicode(const FSRef& parent, std::string_view name, FSRef* newRef);
OSErr FSCreateDirectoryUnicode(const FSRef& parent, std::string_view name, FSRef* newRef);

// Deletes a file, a symbolic link (not its target) or an empty folder.
OSErr FSDeleteObject(const FSRef& ref);

// Gives the item a new name in its folder. An existing item of that name: dupFNErr, both items
// untouched. On success `newRef` (may be `&ref`, may be null) names the item under its new name.
OSErr FSRenameUnicode(const FSRef& ref, std::string_view newName, FSRef* newRef);

// The folder holding the item. The root "/" has no parent: noErr with an empty `parent`.
OSErr FSGetParentRef(const FSRef& ref, FSRef* parent);

// The item's name: the last component of its path; the fixed volume name for "/".
OSErr FSGetName(const FSRef& ref, std::string* name);

// Catalog facts of an item. Dates are catalog seconds (since 1904, UTC); `creationDate` is the
// date this program recorded for the item (FileMetadata.h), else the system's birth time where
// the file system keeps one, else the modification date.
struct FSItemInfo {
    bool isDirectory = false;
    bool isSymbolicLink = false;   // the path itself is a link (facts are of its target)
    uint64_t device = 0;
    uint64_t inode = 0;
    uint32_t mode = 0;             // permission bits
    uint64_t dataLogicalSize = 0;  // 0 for a folder
    uint64_t rsrcLogicalSize = 0;  // size of the resource fork kept in metadata
    int64_t contentModDate = 0;
    int64_t accessDate = 0;
    int64_t creationDate = 0;
};
OSErr FSGetItemInfo(const FSRef& ref, FSItemInfo* info);

// Sets the content-modification date (catalog seconds); the access date is left as it was.
OSErr FSSetContentModDate(const FSRef& ref, int64_t macSeconds);
// Records the creation date (catalog seconds) in the item's metadata; the system's own birth
// time cannot be set. Without metadata support: the metadata's error.
OSErr FSSetCreationDate(const FSRef& ref, int64_t macSeconds);

// FSSpec of an existing item; FSRef of an FSSpec (fnfErr when it names nothing).
OSErr FSGetFSSpec(const FSRef& ref, FSSpec* spec);
OSErr FSpMakeFSRef(const FSSpec& spec, FSRef* ref);
// FSSpec of a path whose folder exists; the item itself need not (fnfErr is then returned with
// the record filled, so it can be created).
OSErr FSMakeFSSpecFromPath(std::string_view path, FSSpec* spec);

// A package: a folder shown as one document, i.e. named *.app, *.bundle, *.framework or *.rtfd.
bool IsPackagePath(std::string_view path);

// Adds permission bits to an item's mode.
OSErr FSAddPermissions(const FSRef& ref, uint32_t bits);
