// AppleEventHelpers: what the program's requests to the Finder and the process list come to on
// this system. There is no Finder and no event manager: an item's comment lives in its
// metadata (FileMetadata.h) and is read and written at once; a request to show an item afresh
// has nothing to do; and no process carries a four-character signature, so a search by
// signature finds nothing.
// The idle routine the callers pass (a yield while waiting for a reply) is accepted and unused:
// nothing here waits. Any thread; nothing throws.
#pragma once

#include "FSRef.h"
#include "MacTypes.h"

#include <QString>

struct ProcessSerialNumber {
    UInt32 highLongOfPSN = 0;
    UInt32 lowLongOfPSN = 0;
};

using AEIdleUPP = bool (*)(void* event, long* sleepTime, void* mouseRegion);

enum : OSErr {
    errAECoercionFail = -1700,
    procNotFound = -600,
};

// Nothing to tell: 0, or -50 for a null reference.
OSErr MoreFEUpdateItemFSRef(const FSRef* item);

// Always procNotFound (-600); -50 for a null output.
OSErr MoreProcFindProcessBySignature(OSType signature, OSType processType, ProcessSerialNumber* psn);

// The comment as a Pascal string. A comment longer than 255 bytes cannot be one: -1700 and
// `comment` unchanged. No comment: an empty string.
OSErr MoreFEGetComment(const FSRef* item, Str255 comment, AEIdleUPP idle);
OSErr MoreFEGetCommentCFString(const FSRef* item, QString* comment, AEIdleUPP idle);
OSErr MoreFESetComment(const FSRef* item, ConstStr255Param comment, AEIdleUPP idle);
OSErr MoreFESetCommentCFString(const FSRef* item, const QString& comment, AEIdleUPP idle);
