// The page imager's file utilities: whether a named item exists in a folder, creating a file by
// name (replacing an item of that name, or choosing a dated name beside it), the file's name,
// its folder-and-name record (FSSpec), a UTF-16 copy of a text, and the file's comment.
// File references are absolute POSIX paths (FSRef); results are the program's result codes.
// Main thread (plain file-system calls).
#pragma once

#include "FSRef.h"
#include "FSSpec.h"
#include "MacTypes.h"

#include <QString>

#include <string>

namespace pictavor {

// True unless looking the name up in the folder says "no such item" (fnfErr); any other
// outcome counts as present. `ref` names the item when it exists.
bool FSObjectExists(const FSRef& folder, const QString& name, FSRef* ref);

// Creates an empty file `name` in `folder` and names it in `ref`.
// An item of that name in the way: with `replace`, it is deleted first (its error comes back
// when that fails, e.g. a folder that is not empty); without, the name gets
// " [<date>]" before its last "." (the date as "YYYY-MM-DD HH.MM.SS +0000"). When the name
// is still taken (a name without ".", a dated name already used this second) the answer is
// dupFNErr. noErr only with a new file.
OSErr FSCreateFile(const FSRef& folder, const QString& name, FSRef* ref, bool replace);

// The same choice of name as FSCreateFile (an item in the way deleted with `replace`, else the
// dated name), without creating anything: `path` is a free name in `folder` for a writer that
// makes the file whole under another name and renames it there, so that nothing stands at the
// name until the whole file does. dupFNErr when the name stays taken.
OSErr FSChooseNewFileName(const FSRef& folder, const QString& name, std::string* path, bool replace);

// The item's name as shown: the last component of its path.
QString GetObjectDisplayName(const FSRef& ref);

// The folder-and-name record (FSSpec) of an existing item.
OSErr FSRefMakeFSSpec(const FSRef& ref, FSSpec* spec);

// The text's UTF-16 code units.
std::u16string GetUnicodeString(const QString& text);

// Sets the file's comment (the `user.xdg.comment` attribute) to `comment`.
OSErr FSSetComment(const FSRef& ref, const QString& comment);

// The idle routine passed with requests that could wait for a reply: nothing here waits, so it
// only asks for a sleep of 10 ticks and handles nothing.
bool MyAEIdleProc(void* event, long* sleepTime, void* mouseRegion);

// The current date's standard description, "YYYY-MM-DD HH:MM:SS +0000" (UTC).
QString CurrentDateDescription();

} // namespace pictavor
