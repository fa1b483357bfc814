// LFile: a file named by its folder-and-name record (FSSpec) with an open/read/write/close
// data fork. The fork reference number is -1 while the fork is closed; the resource fork is
// never opened here (it lives in metadata, see platform/system/FileMetadata.h) and its number
// stays -1. Closing happens on destruction and when the record changes.
// Errors come back as the program's result codes; nothing throws. One thread at a time works
// on an object (cooperative threads: the one that opened it).
#pragma once

#include "FSSpec.h"
#include "FileErrors.h"
#include "MacTypes.h"

// Fork permissions.
enum : SInt16 {
    fsCurPerm = 0,
    fsRdPerm = 1,
    fsWrPerm = 2,
    fsRdWrPerm = 3,
};

class LFile {
public:
    LFile();
    explicit LFile(const FSSpec& spec);
    virtual ~LFile();
    LFile(const LFile&) = delete;
    LFile& operator=(const LFile&) = delete;

    virtual void GetSpecifier(FSSpec& spec) const;
    virtual void SetSpecifier(const FSSpec& spec);  // closes an open fork first

    // Creates the data file (empty; an existing one: dupFNErr). Type and creator are recorded
    // in the file's metadata where the file system allows (their failure is not reported).
    virtual OSErr CreateNewDataFile(OSType creator, OSType type);

    // Opens the data fork; fsCurPerm and fsRdPerm read, fsWrPerm and fsRdWrPerm read and
    // write. A fork already open is closed first. The reference number is returned through
    // GetDataForkRefNum.
    virtual OSErr OpenDataFork(SInt16 privileges);
    virtual void CloseDataFork();
    SInt16 GetDataForkRefNum() const { return mDataForkRefNum; }
    SInt16 GetResourceForkRefNum() const { return mResourceForkRefNum; }

    // Reads up to `count` bytes at the mark; `count` becomes the number read; eofErr when fewer.
    virtual OSErr ReadDataFork(void* buffer, SInt32& count);
    // Writes `count` bytes at the mark; `count` becomes the number written.
    virtual OSErr WriteDataFork(const void* buffer, SInt32& count);
    virtual OSErr SetDataForkMark(SInt64 position);
    virtual OSErr GetDataForkLength(SInt64& length) const;
    virtual OSErr SetDataForkLength(SInt64 length);

protected:
    FSSpec mSpec;
    SInt16 mDataForkRefNum = -1;
    SInt16 mResourceForkRefNum = -1;
};
