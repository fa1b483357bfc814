// CBinHexEncoder: turns one Macintosh-style file (name, file type, creator, Finder flags, data
// fork, resource fork) into BinHex 4.0 text, appended to the text this object is. One encoder
// serves one file.
//
// Output: the header line "(This file must be converted with BinHex 4.0)" CR, ":", then the
// header, data fork and resource fork sections (each followed by its CRC-16/XMODEM), 64
// characters per line (the first counting its colon) with CR line breaks, and ":" CR at the end.
// A byte 0x90 is always followed by 0x00 (the run marker taken literally); no runs are made.
//
// The file comes through a Source, so the encoder works the same over a file on disk
// (EncodeFile: data fork = the file's bytes; type, creator, flags and resource fork from the
// file's metadata, absent = 0 / empty) and over bytes in memory (MemorySource). On a failure the
// error is returned and the text keeps what was written before it (header, earlier sections),
// without the ending: a caller must not send such a text as a whole attachment.
// One thread; no yields; nothing throws except allocation.
#pragma once

#include "CText.h"
#include "MacTypes.h"

#include <QByteArray>

#include <cstddef>
#include <string>

class CBinHexEncoder : public CText {
public:
    static constexpr size_t kMaxNameLength = 63;
    static constexpr size_t kReadBufferSize = 1365;
    static constexpr size_t kOutputBufferSize = 4096;
    static constexpr UInt8 kLineLength = 64;

    struct FileInfo {
        std::string name;  // Mac OS Roman bytes, at most 63
        OSType fileType = 0;
        OSType creator = 0;
        UInt16 finderFlags = 0;
        UInt32 dataLength = 0;
        UInt32 resourceLength = 0;
    };

    // What the encoder reads of one file.
    class Source {
    public:
        virtual ~Source() = default;
        virtual OSErr GetInfo(FileInfo& info) = 0;
        // Opens the data fork (resource false) or the resource fork for sequential reading.
        virtual OSErr OpenFork(bool resource) = 0;
        // Reads up to `capacity` bytes into `buffer`, setting `count`; eofErr (-39) when the fork
        // ends with this read (count may be > 0), another code on failure.
        virtual OSErr ReadFork(char* buffer, size_t capacity, size_t& count) = 0;
        virtual void CloseFork() = 0;
    };

    // A file held in memory; an open or info error can be set to stand for an unreadable fork.
    class MemorySource : public Source {
    public:
        OSErr GetInfo(FileInfo& info) override;
        OSErr OpenFork(bool resource) override;
        OSErr ReadFork(char* buffer, size_t capacity, size_t& count) override;
        void CloseFork() override;

        FileInfo info;  // lengths are taken from the forks below
        QByteArray dataFork;
        QByteArray resourceFork;
        OSErr infoError = noErr;
        OSErr dataOpenError = noErr;
        OSErr resourceOpenError = noErr;

    private:
        const QByteArray* mOpen = nullptr;
        qsizetype mOffset = 0;
    };

    CBinHexEncoder() = default;

    // Encodes the file at `path` (see the top); the path's errors as result codes (fnfErr ...).
    OSErr EncodeFile(const char* path);
    // Encodes whatever file the source gives.
    OSErr Encode(Source& source);

    // The 6-bit stage: writes the characters (and any line break) for one byte at `out`;
    // returns how many it wrote (at most 3).
    int EncodeByte(UInt8 byte, char* out);
    // One CRC-16/XMODEM step over a byte (most significant bit first, polynomial 0x1021).
    static UInt16 UpdateCRC(UInt16 crc, UInt8 byte);
    // The file name in Mac OS Roman: characters it lacks become "?", cut to 63 bytes.
    static std::string MacRomanName(const std::string& utf8Name);

private:
    int PutByte(UInt8 byte, char* out);    // the byte step: 0x90 escape, CRC
    int FinishSection(char* out);          // CRC bytes, CRC reset
    int PutChar(char c, char* out);        // one character and the line break after column 64
    OSErr EncodeHeader(const FileInfo& info);
    OSErr EncodeFork(Source& source, bool resource);

    UInt32 mCRC = 0;
    UInt8 mPhase = 0;
    UInt8 mCarry = 0;
    UInt8 mColumn = 0;
    UInt8 mBreakLength = 1;
    char mBreakChars[2] = {'\r', 0};
};
