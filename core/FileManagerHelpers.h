// FileManagerHelpers: the two operations the program asks of folder-and-name records (FSSpec):
// the full colon-separated (HFS) path of a record, and the directory ID it lives in or is.
// Paths are the textual HFS form of the POSIX path (HFSPaths.h): the volume name first, a
// folder's path ends in ":", the volume's is its name and ":". Directory IDs are DirectoryIDs
// numbers. Result codes as the file layer's (0, -43 missing, -50 missing output ...); nothing
// throws. Any thread.
#pragma once

#include "FSSpec.h"
#include "MacTypes.h"

// The item's own directory ID when it is a folder, else its parent's; `isDirectory` tells which.
// `name` empty: the folder `dirID` itself.
OSErr GetDirectoryIDOf(SInt16 volume, SInt32 dirID, ConstStr255Param name, SInt32* theDirID,
                       Boolean* isDirectory);
OSErr GetDirectoryIDOfSpec(const FSSpec* spec, SInt32* theDirID, Boolean* isDirectory);

// The full HFS path of `spec` as a new handle (no length byte, no NUL; the caller disposes it)
// and its length. A record of a missing item in an existing folder gives -43 together
// with its complete path (for creating the item); other failures give length 0 and no handle.
OSErr BuildFullPathFromSpec(const FSSpec* spec, SInt16* fullPathLength, Handle* fullPath);
