#include "LFile.h"

#include "DescriptorIO.h"
#include "FileErrors.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <array>

namespace {

// Type and creator go where the file layer keeps them: the 32-byte Finder information.
void RecordTypeCreator(const std::string& path, OSType creator, OSType type)
{
    std::array<uint8_t, 32> info {};
    for (int i = 0; i < 4; ++i) {
        info[size_t(i)] = uint8_t(type >> (24 - 8 * i));
        info[size_t(4 + i)] = uint8_t(creator >> (24 - 8 * i));
    }
    setxattr(path.c_str(), "user.com.apple.FinderInfo", info.data(), info.size(), 0);
}

} // namespace

LFile::LFile() = default;

LFile::LFile(const FSSpec& spec) : mSpec(spec) {}

LFile::~LFile() { CloseDataFork(); }

void LFile::GetSpecifier(FSSpec& spec) const { spec = mSpec; }

void LFile::SetSpecifier(const FSSpec& spec)
{
    CloseDataFork();
    mSpec = spec;
}

OSErr LFile::CreateNewDataFile(OSType creator, OSType type)
{
    if (mSpec.IsEmpty())
        return paramErr;
    const std::string path = mSpec.Path();
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return OSErrFromLastErrno();
    close(fd);
    RecordTypeCreator(path, creator, type);
    return noErr;
}

OSErr LFile::OpenDataFork(SInt16 privileges)
{
    if (mSpec.IsEmpty())
        return paramErr;
    CloseDataFork();
    const int flags = (privileges == fsWrPerm || privileges == fsRdWrPerm) ? O_RDWR : O_RDONLY;
    const int fd = open(mSpec.Path().c_str(), flags | O_CLOEXEC);
    if (fd < 0)
        return OSErrFromLastErrno();
    struct stat info {};
    if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        close(fd);
        return notAFileErr;
    }
    if (fd > 0x7FFF) { // reference numbers are 16-bit
        close(fd);
        return tmfoErr;
    }
    mDataForkRefNum = SInt16(fd);
    return noErr;
}

void LFile::CloseDataFork()
{
    if (mDataForkRefNum < 0)
        return;
    close(mDataForkRefNum);
    mDataForkRefNum = -1;
}

OSErr LFile::ReadDataFork(void* buffer, SInt32& count)
{
    const SInt32 wanted = count;
    count = 0;
    if (mDataForkRefNum < 0)
        return paramErr;
    if (wanted < 0 || (wanted > 0 && !buffer))
        return paramErr;
    size_t got = 0;
    const int error = ReadFully(mDataForkRefNum, buffer, size_t(wanted), &got);
    count = SInt32(got);
    if (error)
        return OSErrFromErrno(error);
    return count < wanted ? OSErr(eofErr) : OSErr(noErr);
}

OSErr LFile::WriteDataFork(const void* buffer, SInt32& count)
{
    const SInt32 wanted = count;
    count = 0;
    if (mDataForkRefNum < 0)
        return paramErr;
    if (wanted < 0 || (wanted > 0 && !buffer))
        return paramErr;
    size_t put = 0;
    const int error = WriteFully(mDataForkRefNum, buffer, size_t(wanted), &put);
    count = SInt32(put);
    return OSErrFromErrno(error);
}

OSErr LFile::SetDataForkMark(SInt64 position)
{
    if (mDataForkRefNum < 0 || position < 0)
        return paramErr;
    if (lseek(mDataForkRefNum, off_t(position), SEEK_SET) < 0)
        return OSErrFromLastErrno();
    return noErr;
}

OSErr LFile::GetDataForkLength(SInt64& length) const
{
    struct stat info {};
    if (mDataForkRefNum < 0)
        return paramErr;
    if (fstat(mDataForkRefNum, &info) != 0)
        return OSErrFromLastErrno();
    length = SInt64(info.st_size);
    return noErr;
}

OSErr LFile::SetDataForkLength(SInt64 length)
{
    if (mDataForkRefNum < 0 || length < 0)
        return paramErr;
    if (ftruncate(mDataForkRefNum, off_t(length)) != 0)
        return OSErrFromLastErrno();
    return noErr;
}
