#include "CBinHexEncoder.h"

#include "DescriptorIO.h"
#include "FSRef.h"
#include "FileErrors.h"
#include "FileManager.h"
#include "FileMetadata.h"
#include "MacRomanText.h"
#include "TextHelpers.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr char kHeaderLine[] = "(This file must be converted with BinHex 4.0)";

constexpr char kCharacterTable[] =
    "!\"#$%&'()*+,-012345689@ABCDEFGHIJKLMNPQRSTUVXYZ[`abcdefhijklmpqr";
static_assert(sizeof kCharacterTable == 65);

// The data fork of a file on disk and its resource fork from the file's metadata.
class DiskSource : public CBinHexEncoder::Source {
public:
    explicit DiskSource(const char* path)
        : mPath(path != nullptr ? path : "")
    {
    }
    ~DiskSource() override { CloseFork(); }

    OSErr GetInfo(CBinHexEncoder::FileInfo& info) override
    {
        FSRef ref;
        bool isDirectory = false;
        if (OSErr error = FSPathMakeRef(std::string_view(mPath), &ref, &isDirectory))
            return error;
        if (isDirectory)
            return notAFileErr;
        FSItemInfo item;
        if (OSErr error = FSGetItemInfo(ref, &item))
            return error;
        if (item.dataLogicalSize > UINT32_MAX)
            return paramErr;  // BinHex lengths are 32 bits
        FinderInfo finder;
        if (FSGetFinderInfo(ref, &finder) == noErr) {
            info.fileType = finder.FileType();
            info.creator = finder.FileCreator();
            info.finderFlags = finder.FinderFlags();
        }
        mResourceError = FSGetResourceFork(ref, &mResourceFork);
        if (mResourceError != noErr)
            mResourceFork.clear();
        std::string name;
        FSGetName(ref, &name);
        info.name = CBinHexEncoder::MacRomanName(name);
        info.dataLength = UInt32(item.dataLogicalSize);
        info.resourceLength = UInt32(mResourceFork.size());
        return noErr;
    }

    OSErr OpenFork(bool resource) override
    {
        CloseFork();
        if (resource) {
            if (mResourceError != noErr)
                return mResourceError;
            mInResource = true;
            mOffset = 0;
            return noErr;
        }
        mDescriptor = ::open(mPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (mDescriptor < 0)
            return OSErrFromLastErrno();
        return noErr;
    }

    OSErr ReadFork(char* buffer, size_t capacity, size_t& count) override
    {
        count = 0;
        if (mInResource) {
            const qsizetype left = mResourceFork.size() - mOffset;
            count = std::min<size_t>(capacity, size_t(left));
            std::memcpy(buffer, mResourceFork.constData() + mOffset, count);
            mOffset += qsizetype(count);
            return mOffset >= mResourceFork.size() ? OSErr(eofErr) : OSErr(noErr);
        }
        if (mDescriptor < 0)
            return paramErr;
        if (const int error = ReadFully(mDescriptor, buffer, capacity, &count))
            return OSErrFromErrno(error);
        return count < capacity ? OSErr(eofErr) : OSErr(noErr);
    }

    void CloseFork() override
    {
        if (mDescriptor >= 0)
            ::close(mDescriptor);
        mDescriptor = -1;
        mInResource = false;
    }

private:
    std::string mPath;
    int mDescriptor = -1;
    bool mInResource = false;
    QByteArray mResourceFork;
    OSErr mResourceError = noErr;
    qsizetype mOffset = 0;
};

// Closes the open fork on every way out.
struct ForkCloser {
    CBinHexEncoder::Source& source;
    ~ForkCloser() { source.CloseFork(); }
};

}  // namespace

// --- MemorySource -------------------------------------------------------------------------------

OSErr CBinHexEncoder::MemorySource::GetInfo(FileInfo& out)
{
    if (infoError != noErr)
        return infoError;
    out = info;
    out.name = info.name.substr(0, kMaxNameLength);
    out.dataLength = UInt32(dataFork.size());
    out.resourceLength = UInt32(resourceFork.size());
    return noErr;
}

OSErr CBinHexEncoder::MemorySource::OpenFork(bool resource)
{
    const OSErr error = resource ? resourceOpenError : dataOpenError;
    if (error != noErr)
        return error;
    mOpen = resource ? &resourceFork : &dataFork;
    mOffset = 0;
    return noErr;
}

OSErr CBinHexEncoder::MemorySource::ReadFork(char* buffer, size_t capacity, size_t& count)
{
    count = 0;
    if (mOpen == nullptr)
        return paramErr;
    count = std::min<size_t>(capacity, size_t(mOpen->size() - mOffset));
    std::memcpy(buffer, mOpen->constData() + mOffset, count);
    mOffset += qsizetype(count);
    return mOffset >= mOpen->size() ? OSErr(eofErr) : OSErr(noErr);
}

void CBinHexEncoder::MemorySource::CloseFork()
{
    mOpen = nullptr;
}

// --- Encoder ------------------------------------------------------------------------------------

std::string CBinHexEncoder::MacRomanName(const std::string& utf8Name)
{
    std::string out;
    size_t index = 0;
    while (index < utf8Name.size() && out.size() < kMaxNameLength) {
        char32_t character;
        index += ReadCharacter(utf8Name.data() + index, utf8Name.size() - index, character);
        if (character < 0x80) {
            out.push_back(char(character));
            continue;
        }
        char byte = '?';
        MacRomanByteFor(character, &byte);
        out.push_back(byte);
    }
    return out;
}

UInt16 CBinHexEncoder::UpdateCRC(UInt16 crc, UInt8 byte)
{
    UInt32 value = crc;
    for (int bit = 7; bit >= 0; --bit) {
        const bool carry = (value & 0x8000) != 0;
        value = ((value << 1) | ((byte >> bit) & 1)) & 0xFFFF;
        if (carry)
            value ^= 0x1021;
    }
    return UInt16(value);
}

int CBinHexEncoder::PutChar(char c, char* out)
{
    int written = 0;
    out[written++] = c;
    if (++mColumn >= kLineLength) {
        mColumn = 0;
        for (UInt8 i = 0; i < mBreakLength; ++i)
            out[written++] = mBreakChars[i];
    }
    return written;
}

int CBinHexEncoder::EncodeByte(UInt8 byte, char* out)
{
    int written = 0;
    switch (mPhase) {
    case 0:
        written += PutChar(kCharacterTable[byte >> 2], out);
        mCarry = UInt8((byte << 4) & 0x30);
        mPhase = 1;
        break;
    case 1:
        written += PutChar(kCharacterTable[(byte >> 4) | mCarry], out);
        mCarry = UInt8((byte << 2) & 0x3C);
        mPhase = 2;
        break;
    default:
        written += PutChar(kCharacterTable[(byte >> 6) | mCarry], out);
        written += PutChar(kCharacterTable[byte & 0x3F], out + written);
        mPhase = 0;
        break;
    }
    return written;
}

int CBinHexEncoder::PutByte(UInt8 byte, char* out)
{
    int written = EncodeByte(byte, out);
    if (byte == 0x90)
        written += EncodeByte(0x00, out + written);
    mCRC = UpdateCRC(UInt16(mCRC), byte);
    return written;
}

int CBinHexEncoder::FinishSection(char* out)
{
    mCRC = UpdateCRC(UpdateCRC(UInt16(mCRC), 0), 0);
    const UInt16 crc = UInt16(mCRC);
    int written = PutByte(UInt8(crc >> 8), out);
    written += PutByte(UInt8(crc), out + written);
    mCRC = 0;
    return written;
}

OSErr CBinHexEncoder::EncodeHeader(const FileInfo& info)
{
    std::vector<char> out(kOutputBufferSize);
    int written = 0;
    auto put = [&](UInt8 byte) { written += PutByte(byte, out.data() + written); };
    auto put32 = [&](UInt32 value) {
        for (int shift = 24; shift >= 0; shift -= 8)
            put(UInt8(value >> shift));
    };
    const std::string name = info.name.substr(0, kMaxNameLength);
    put(UInt8(name.size()));
    for (char c : name)
        put(UInt8(c));
    put(0);
    put32(info.fileType);
    put32(info.creator);
    put(UInt8(info.finderFlags >> 8));
    put(UInt8(info.finderFlags));
    put32(info.dataLength);
    put32(info.resourceLength);
    written += FinishSection(out.data() + written);
    AppendBytes(out.data(), written);
    return noErr;
}

OSErr CBinHexEncoder::EncodeFork(Source& source, bool resource)
{
    if (OSErr error = source.OpenFork(resource))
        return error;
    ForkCloser closer{source};
    std::vector<char> input(kReadBufferSize);
    std::vector<char> out(kOutputBufferSize);
    for (;;) {
        size_t count = 0;
        const OSErr error = source.ReadFork(input.data(), input.size(), count);
        if (error != noErr && error != eofErr)
            return error;
        int written = 0;
        for (size_t i = 0; i < count; ++i)
            written += PutByte(UInt8(input[i]), out.data() + written);
        if (error == eofErr)
            written += FinishSection(out.data() + written);
        AppendBytes(out.data(), written);
        if (error == eofErr)
            return noErr;
    }
}

OSErr CBinHexEncoder::Encode(Source& source)
{
    mBreakChars[0] = '\r';
    mBreakLength = 1;
    FileInfo info;
    if (OSErr error = source.GetInfo(info))
        return error;

    Append(kHeaderLine);
    AppendChar('\r');
    AppendChar(':');
    mColumn = 1;
    mCRC = 0;
    mPhase = 0;
    mCarry = 0;

    EncodeHeader(info);
    if (OSErr error = EncodeFork(source, false))
        return error;
    if (OSErr error = EncodeFork(source, true))
        return error;

    char out[8];
    int written = 0;
    if (mPhase != 0)
        written += EncodeByte(0, out);
    out[written++] = ':';
    for (UInt8 i = 0; i < mBreakLength; ++i)
        out[written++] = mBreakChars[i];
    AppendBytes(out, written);
    return noErr;
}

OSErr CBinHexEncoder::EncodeFile(const char* path)
{
    if (path == nullptr || *path == 0)
        return paramErr;
    DiskSource source(path);
    return Encode(source);
}
