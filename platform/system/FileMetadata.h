// File metadata kept in the item's `user.` extended attributes, so that other programs on the
// same system can read it:
//   user.com.apple.FinderInfo     32 bytes in the Mac layout: file type (big-endian) at 0,
//                                 creator at 4, Finder flags (16 bits) at 8, the rest zero or kept
//   user.xdg.comment              the Finder comment, UTF-8
//   user.com.apple.ResourceFork   the resource fork's bytes
//   user.brevanto.creationDate    the creation date as decimal catalog seconds (the system's own
//                                 birth time cannot be set)
// Without attribute support (file system or permissions): reads answer type and creator 0, no
// comment and no fork; writes answer the error. Symbolic links are followed.
// Any thread.
#pragma once

#include "FSRef.h"
#include "MacTypes.h"

#include <QByteArray>

#include <array>
#include <cstdint>
#include <string>

// The 32 bytes of Finder information: the 16-byte file information and the 16 extended bytes.
struct FinderInfo {
    std::array<uint8_t, 32> bytes {};

    OSType FileType() const;
    OSType FileCreator() const;
    uint16_t FinderFlags() const;
    void SetFileType(OSType type);
    void SetFileCreator(OSType creator);
    void SetFinderFlags(uint16_t flags);
};

// The item's Finder information; all zero (and noErr) when it has none. Errors only when the
// item is missing (fnfErr) or unreadable.
OSErr FSGetFinderInfo(const FSRef& ref, FinderInfo* info);
OSErr FSSetFinderInfo(const FSRef& ref, const FinderInfo& info);

// Type and creator; a failed read answers 0 for both (with the error).
OSErr FSGetTypeCreator(const FSRef& ref, OSType* type, OSType* creator);
// Sets either code; a null pointer leaves that code as it was.
OSErr FSSetTypeCreator(const FSRef& ref, const OSType* type, const OSType* creator);

// The comment; empty (noErr) when there is none. Setting "" removes it.
OSErr FSGetComment(const FSRef& ref, std::string* comment);
OSErr FSSetComment(const FSRef& ref, const std::string& comment);

// The resource fork's bytes; empty (noErr) when there is none. Setting empty data removes it.
OSErr FSGetResourceFork(const FSRef& ref, QByteArray* bytes);
OSErr FSSetResourceFork(const FSRef& ref, const QByteArray& bytes);
uint64_t FSResourceForkSize(const FSRef& ref);

// The creation date this program recorded for the item (catalog seconds); false when none is
// recorded or it cannot be read (the caller falls back to the system's dates).
bool FSGetRecordedCreationDate(const FSRef& ref, int64_t* macSeconds);
OSErr FSSetRecordedCreationDate(const FSRef& ref, int64_t macSeconds);

// True when `path`'s file system takes `user.` attributes (tests skip metadata checks without).
bool SupportsUserAttributes(const std::string& path);
