// Whole-file writes that never leave a half-written file: the bytes go to a temporary file in
// the target's folder, are flushed to disk, and the temporary file is renamed over the target.
// The replaced file's permission bits, owner (where allowed) and `user.` metadata (type,
// creator, comment, fork, creation date) carry over to the new one. A symbolic link stays a
// link: the file it points to is the one replaced (documents kept behind a link), unless the
// writer asks for the link itself to be replaced (a program's output at a fixed name, where a
// planted link must not redirect the write). On any failure the old file stays as it was,
// the temporary file is removed and the error comes back.
// Any thread; two writers of one file at once end with one of their contents, whole.
#pragma once

#include "FSRef.h"
#include "MacTypes.h"

#include <cstddef>
#include <string_view>

enum class WholeFileMode {
    ExistingOnly,    // a missing target: fnfErr, nothing written
    CreateIfMissing, // a missing target is created (mode 0666 less the umask)
    ReplaceAsNew,    // a new file (mode 0666 less the umask, no metadata) takes the target's
                     // place, whether or not there was one: deleting and creating, made atomic
};

enum class WholeFileLink {
    Follow,  // a link at the path: the file it points to is replaced
    Replace, // a link at the path is itself replaced by the new file; its target is untouched
};

OSErr WriteWholeFileAtomically(std::string_view path, const void* bytes, size_t count,
                               WholeFileMode mode, WholeFileLink link = WholeFileLink::Follow);
inline OSErr WriteWholeFileAtomically(const FSRef& ref, const void* bytes, size_t count)
{
    return WriteWholeFileAtomically(ref.path, bytes, count, WholeFileMode::ExistingOnly);
}

// Removes from `folder` the temporary files of writes that were interrupted (the writing
// process killed between creating and renaming): those no writer holds any more and not
// written to for some seconds. A write in progress, here or in another process, is left be.
// Failures are ignored: a leftover is only clutter.
void RemoveInterruptedWrites(std::string_view folder);

// Reads a whole file. fnfErr when missing, notAFileErr for a folder, ioErr for a short read.
OSErr ReadWholeFileBytes(std::string_view path, std::string* bytes);
