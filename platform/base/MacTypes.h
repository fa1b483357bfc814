// Scalar types and result codes the program's classes were written with. Four-character codes
// are 32-bit values written as multi-character literals ('CNTL'), big-endian as on the Mac.
#pragma once

#include <cstddef>
#include <cstdint>

using OSErr = int16_t;
using OSStatus = int32_t;
using FourCharCode = uint32_t;
using OSType = FourCharCode;
using ResType = FourCharCode;
using CommandT = int32_t;
using MessageT = int32_t;
using Boolean = bool;
using UInt8 = uint8_t;
using SInt8 = int8_t;
using UInt16 = uint16_t;
using SInt16 = int16_t;
using UInt32 = uint32_t;
using SInt32 = int32_t;
using UInt64 = uint64_t;
using SInt64 = int64_t;
using Size = long;
using Ptr = char*;
using Handle = char**;
using Str255 = unsigned char[256];
using StringPtr = unsigned char*;
using ConstStringPtr = const unsigned char*;
using ConstStr255Param = const unsigned char*;
using UniChar = uint16_t;

// Result codes the program tests for by number.
enum : OSErr {
    noErr = 0,
    dskFulErr = -34,
    ioErr = -36,
    bdNamErr = -37,
    tmfoErr = -42,
    fnfErr = -43,
    wPrErr = -44,
    fBsyErr = -47,
    dupFNErr = -48,
    paramErr = -50,
    permErr = -54,
    memFullErr = -108,
    nilHandleErr = -109,
    dirNFErr = -120,
    userCanceledErr = -128,
    notAFileErr = -1302,
};

// The four characters of a code as text, e.g. for log lines; always NUL-terminated.
struct FourCharText {
    char text[5];
    explicit FourCharText(FourCharCode code)
    {
        text[0] = char(code >> 24);
        text[1] = char(code >> 16);
        text[2] = char(code >> 8);
        text[3] = char(code);
        text[4] = 0;
    }
};
