// Path, file and alias helpers: moving between the ways of naming a file (HFS texts with ":",
// POSIX paths with "/", FSRefs, FSSpecs, alias records), reading and writing whole files,
// making folders along a path, and asking what kind of item or document a file is.
//
// Paths pass through a CString256 only where they fit: a longer path fails with -37 instead of
// being cut to name another file. Names taken from outside (percent-decoded URL parts) that are
// "", ".", ".." or hold "/" are refused with -37, so nothing lands outside the given folder.
// Files written whole replace the old file atomically (never deleted first); new files get the
// user's umask and, when asked to be writable, only owner read and write are added.
// MIME lookups go through the environment's tables (CFileTypeMaps) and answer false without them.
// Results are the program's result codes, or null/false; no function shows a message, throws or
// yields. Main thread or cooperative threads; they keep no state.
#pragma once

#include "AliasRecord.h"
#include "CList.h"
#include "CString256.h"
#include "CText.h"
#include "FSRef.h"
#include "FSSpec.h"
#include "MacTypes.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <memory>

// Conversions and names.
QString HFSPathToPOSIXPath(const QString& hfsPath);                 // null when not an HFS path here
void HFSPathToPOSIXCString(const char* hfsPath, char* buffer, size_t size); // "" on failure
void POSIXPathToHFSInPlace(CString256& path);                       // unchanged when a step fails
OSErr FSSpecToPath(const FSSpec& spec, char* buffer, size_t size);  // buffer cleared first
// The HFS path of the specified item ("...:" for a folder), as the full-path operation of
// FileManagerHelpers.h gives it (also for a missing item in an existing folder); null otherwise.
std::unique_ptr<char[]> FullPathOfSpec(const FSSpec& spec);
std::unique_ptr<UniChar[]> CopyUniChars(const QString& text, UInt32& length);
std::unique_ptr<UniChar[]> CStringToUniChars(const char* text, UInt32& length);
OSErr AliasToPath(AliasHandle alias, CString256& path);             // -37 when over 255 bytes
AliasHandle PathToAlias(const char* path);                          // null for a missing item
// When the HFS or POSIX path names a symbolic link, follows the chain and replaces the text
// with the target's full path in the same form; true when it was one.
bool ResolveAliasPathText(CText& path);

// Existence, creation and kind.
OSErr NewFileNamedCF(const FSRef& folder, const QString& name, FSRef& created); // -48 when taken
// The folder-and-name record (FSSpec) of the file at an HFS (or POSIX, when it starts with "/")
// path, created empty when missing; its folder must exist.
OSErr CreateFileAtPath(ConstStr255Param path, FSSpec& spec);
OSErr CreateFileAtPath(const char* path, FSSpec& spec);
bool PathIsFolder(const char* posixPath);
bool IsItemContainer(const FSRef& item);   // a folder or a package
bool IsPlainFolder(const FSRef& item);     // a folder that is not a package
bool IsWeblocFile(const FSRef& item);
bool IsWeblocFile(const QString& posixPath);
// The URL text of the first 'url ' resource in the file's resource fork, else the "URL" string
// of the file's XML property list; null when neither.
QString ReadWeblocURL(const FSRef& item);

// Folder chains: each percent-decoded name is looked up under the last level and made when
// missing; the first other failure ends the walk. No names: the given folder itself. The HFS
// form answers the last folder's directory ID (DirectoryIDs.h).
OSErr MakeFoldersForHFSPath(const char* folderPath, const CList<CString256>& names, FSSpec& spec,
                            SInt32& directoryID);
OSErr MakeFoldersForPOSIXPath(const char* folderPath, const CList<CString256>& names, FSRef& folder);
// Makes the folders, then a new empty file of that name (an empty name means "Default.html")
// with the creator and type, taking an old file's place atomically.
OSErr CreateHTMLFileSpec(const char* folderHFSPath, const CList<CString256>& names,
                         ConstStr255Param fileName, OSType creator, OSType type, FSSpec& spec);
OSErr CreateHTMLFileRef(const char* folderPOSIXPath, const CList<CString256>& names,
                        const char* fileName, OSType creator, OSType type, FSRef& file);

// Reading and writing whole files.
QByteArray ReadFileData(const FSRef& item);                          // empty when unreadable
Ptr ReadFileAtPath(const char* posixPath);                           // null when empty or unreadable
std::unique_ptr<char[]> ReadForkData(const FSRef& item, size_t& count); // null when unreadable
// The whole data fork of the item named by volume, directory ID and name, NUL-terminated; null
// on failure.
std::unique_ptr<char[]> ReadFileToText(SInt16 volume, SInt32 directoryID, ConstStr255Param name);
OSErr WriteDataToFile(const QByteArray& data, const FSRef& item);    // replaces the content
OSErr WriteDataFork(const QByteArray& data, const FSRef& item);
// A new file with type 'TEXT' and creator 'CWIE' holding the text (without its NUL), taking an
// old file's place atomically; the folder is named by volume and directory ID.
OSErr WriteTextFile(const char* text, SInt16 volume, SInt32 directoryID, ConstStr255Param name);

// Type, creator and MIME.
bool GetMIMETypeForRef(const FSRef& item, CString256& mimeType);
bool GetMIMETypeForName(const char* fileName, CString256& mimeType);
// The first mapping entry with that type and a MIME type is copied out; true when an entry
// with that creator too is found (a later exact match overwrites an earlier one).
bool GetMIMETypeForTypeCreator(OSType type, OSType creator, CString256& mimeType);
bool MapFilenameIC(const char* fileName, OSType& creator, OSType& type);
bool GetCatalogTypeCreator(const FSSpec& spec, CString256& mimeType, OSType& creator, OSType& type);
// A folder's own and its parent's directory IDs (DirectoryIDs.h).
OSErr GetFolderID(const FSSpec& folder, SInt32& directoryID, SInt32& parentID);
// Adds owner read and write to the file's permissions (never group or others).
OSErr MakeFileWritableByAll(const FSRef& item);
OSErr MakeFileWritableByAll(const FSSpec& spec);
// Creates the file (-48 when it exists), makes it writable by its owner, makes its alias record.
OSErr CreateSpecWithTypeCreator(const FSSpec& spec, OSType creator, OSType type, AliasHandle& alias);
// Dates in catalog seconds; an empty name addresses the folder itself.
OSErr GetModificationDate(SInt16 volume, SInt32 directoryID, ConstStr255Param name, UInt32& modificationDate);
OSErr GetModificationDate(const FSSpec& spec, UInt32& modificationDate);
OSErr SetFileDatesByName(SInt16 volume, SInt32 directoryID, ConstStr255Param name,
                         UInt32 modificationDate, UInt32 creationDate);
OSErr SetFileDatesByName(const FSSpec& spec, UInt32 modificationDate, UInt32 creationDate);
OSErr RenameFileUnicode(const FSRef& item, const QString& newName); // -48 when taken

// Bundle resources (materialised as real files when a reference is asked for).
std::unique_ptr<char[]> ReadBundleTextResource(const char* name);   // name.txt, NUL-terminated
bool GetBundleResourceRef(const char* name, const char* extension, FSRef& ref);
bool GetBundleResourceSpec(const char* name, const char* extension, FSSpec& spec);
OSErr GetBundlePath(CString256& path);  // the HFS path of the folder holding the program
