// The one table from the system's errno values to the program's result codes. Every file
// operation of the platform layer reports its failures through it, so callers test the codes
// they were written for (fnfErr, dupFNErr, permErr ...). It lies at the bottom of the platform
// layer, so that every folder above reports through the same table. Any thread.
#pragma once

#include "MacTypes.h"

#include <cerrno>

// Result codes of the file layer that the shared list does not carry.
enum : OSErr {
    eofErr = -39,
    nsvErr = -35,
    vLckdErr = -46,
    fLckdErr = -45,
    diffVolErr = -1303,
    errFSRefsDifferent = -1420,
    errFSNotAFolder = -1407,
};

inline OSErr OSErrFromErrno(int error)
{
    switch (error) {
    case 0: return noErr;
    case ENOENT: return fnfErr;                 // -43
    case EEXIST: return dupFNErr;               // -48
    case EACCES:
    case EPERM: return permErr;                 // -54
    case EROFS: return wPrErr;                  // -44
    case ENOSPC:
    case EDQUOT: return dskFulErr;              // -34
    case ENAMETOOLONG: return bdNamErr;         // -37
    case ENOTDIR: return dirNFErr;              // -120
    case EISDIR: return notAFileErr;            // -1302
    case EBUSY: return fBsyErr;                 // -47
    case EMFILE:
    case ENFILE: return tmfoErr;                // -42
    case EINVAL: return paramErr;               // -50
    default: return ioErr;                      // -36
    }
}

// The result of the last failed system call on this thread.
inline OSErr OSErrFromLastErrno() { return OSErrFromErrno(errno); }
