// Alias records: this program's own record of where an item was, so that a document's import
// file, attachments and recent items are found again after the item is renamed in its folder.
// The record holds a magic "BRal", a version, the item's device and inode and its path (all
// big-endian). Resolving gives the recorded path while it names that same item (device and
// inode); else the entry of the recorded folder that has the item's inode (it was renamed);
// else fnfErr. An item moved to another folder is not followed. A record this program did not
// make (a Mac's, or garbage) resolves to fnfErr too.
// Any thread.
#pragma once

#include "FSRef.h"
#include "MacTypes.h"

#include <QByteArray>

using AliasHandle = Handle;

// The record of an existing item; empty on failure.
QByteArray NewAliasRecordData(const FSRef& target);
// See the header comment. `wasChanged` (may be null) is true when the item was found under a
// new name (the caller may store a fresh record).
OSErr ResolveAliasRecordData(const QByteArray& record, FSRef* target, bool* wasChanged = nullptr);

// The same as toolbox handles; the caller disposes the handle with DisposeHandle.
OSErr FSNewAlias(const FSRef& target, AliasHandle* alias);
OSErr FSResolveAlias(AliasHandle alias, FSRef* target, bool* wasChanged = nullptr);
QByteArray AliasHandleData(AliasHandle alias);
