#include "FileMetadata.h"

#include "FileErrors.h"

#include <sys/xattr.h>

#include <algorithm>
#include <string>

namespace {

constexpr const char* kFinderInfoAttribute = "user.com.apple.FinderInfo";
constexpr const char* kCommentAttribute = "user.xdg.comment";
constexpr const char* kResourceForkAttribute = "user.com.apple.ResourceFork";
constexpr const char* kCreationDateAttribute = "user.brevanto.creationDate";
constexpr const char* kProbeAttribute = "user.brevanto.probe";

bool MeansNoAttribute(int error) { return error == ENODATA || error == ENOTSUP; }

// Reads one attribute; an absent one, or no attribute support, gives empty bytes and noErr.
OSErr ReadAttribute(const FSRef& ref, const char* name, QByteArray* value)
{
    value->clear();
    if (ref.IsEmpty())
        return paramErr;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = getxattr(ref.CPath(), name, nullptr, 0);
        if (size < 0)
            return MeansNoAttribute(errno) ? OSErr(noErr) : OSErrFromLastErrno();
        value->resize(qsizetype(size));
        const ssize_t read = getxattr(ref.CPath(), name, value->data(), size_t(size));
        if (read >= 0) {
            value->resize(qsizetype(read));
            return noErr;
        }
        if (errno != ERANGE) // grown between the two calls: ask again
            return MeansNoAttribute(errno) ? (value->clear(), OSErr(noErr)) : OSErrFromLastErrno();
    }
    value->clear();
    return ioErr;
}

OSErr WriteAttribute(const FSRef& ref, const char* name, const void* bytes, size_t count)
{
    if (ref.IsEmpty())
        return paramErr;
    if (setxattr(ref.CPath(), name, bytes, count, 0) != 0)
        return OSErrFromLastErrno();
    return noErr;
}

OSErr RemoveAttribute(const FSRef& ref, const char* name)
{
    if (ref.IsEmpty())
        return paramErr;
    if (removexattr(ref.CPath(), name) != 0 && errno != ENODATA)
        return OSErrFromLastErrno();
    return noErr;
}

uint32_t ReadBigEndian32(const uint8_t* at)
{
    return uint32_t(at[0]) << 24 | uint32_t(at[1]) << 16 | uint32_t(at[2]) << 8 | uint32_t(at[3]);
}

void WriteBigEndian32(uint8_t* at, uint32_t value)
{
    at[0] = uint8_t(value >> 24);
    at[1] = uint8_t(value >> 16);
    at[2] = uint8_t(value >> 8);
    at[3] = uint8_t(value);
}

} // namespace

OSType FinderInfo::FileType() const { return ReadBigEndian32(&bytes[0]); }
OSType FinderInfo::FileCreator() const { return ReadBigEndian32(&bytes[4]); }
uint16_t FinderInfo::FinderFlags() const { return uint16_t(bytes[8] << 8 | bytes[9]); }
void FinderInfo::SetFileType(OSType type) { WriteBigEndian32(&bytes[0], type); }
void FinderInfo::SetFileCreator(OSType creator) { WriteBigEndian32(&bytes[4], creator); }

void FinderInfo::SetFinderFlags(uint16_t flags)
{
    bytes[8] = uint8_t(flags >> 8);
    bytes[9] = uint8_t(flags);
}

OSErr FSGetFinderInfo(const FSRef& ref, FinderInfo* info)
{
    if (!info)
        return paramErr;
    *info = FinderInfo {};
    QByteArray value;
    if (OSErr err = ReadAttribute(ref, kFinderInfoAttribute, &value))
        return err;
    const size_t count = std::min(size_t(value.size()), info->bytes.size());
    std::copy_n(value.constData(), count, info->bytes.begin());
    return noErr;
}

OSErr FSSetFinderInfo(const FSRef& ref, const FinderInfo& info)
{
    return WriteAttribute(ref, kFinderInfoAttribute, info.bytes.data(), info.bytes.size());
}

OSErr FSGetTypeCreator(const FSRef& ref, OSType* type, OSType* creator)
{
    FinderInfo info;
    const OSErr err = FSGetFinderInfo(ref, &info);
    if (type)
        *type = info.FileType();
    if (creator)
        *creator = info.FileCreator();
    return err;
}

OSErr FSSetTypeCreator(const FSRef& ref, const OSType* type, const OSType* creator)
{
    FinderInfo info;
    if (OSErr err = FSGetFinderInfo(ref, &info))
        return err;
    if (type)
        info.SetFileType(*type);
    if (creator)
        info.SetFileCreator(*creator);
    return FSSetFinderInfo(ref, info);
}

OSErr FSGetComment(const FSRef& ref, std::string* comment)
{
    if (!comment)
        return paramErr;
    QByteArray value;
    const OSErr err = ReadAttribute(ref, kCommentAttribute, &value);
    comment->assign(value.constData(), size_t(value.size()));
    return err;
}

OSErr FSSetComment(const FSRef& ref, const std::string& comment)
{
    if (comment.empty())
        return RemoveAttribute(ref, kCommentAttribute);
    return WriteAttribute(ref, kCommentAttribute, comment.data(), comment.size());
}

OSErr FSGetResourceFork(const FSRef& ref, QByteArray* bytes)
{
    if (!bytes)
        return paramErr;
    return ReadAttribute(ref, kResourceForkAttribute, bytes);
}

OSErr FSSetResourceFork(const FSRef& ref, const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return RemoveAttribute(ref, kResourceForkAttribute);
    return WriteAttribute(ref, kResourceForkAttribute, bytes.constData(), size_t(bytes.size()));
}

uint64_t FSResourceForkSize(const FSRef& ref)
{
    if (ref.IsEmpty())
        return 0;
    const ssize_t size = getxattr(ref.CPath(), kResourceForkAttribute, nullptr, 0);
    return size > 0 ? uint64_t(size) : 0;
}

bool FSGetRecordedCreationDate(const FSRef& ref, int64_t* macSeconds)
{
    QByteArray value;
    if (ReadAttribute(ref, kCreationDateAttribute, &value) != noErr || value.isEmpty())
        return false;
    bool ok = false;
    const qlonglong seconds = value.toLongLong(&ok);
    if (!ok)
        return false;
    *macSeconds = seconds;
    return true;
}

OSErr FSSetRecordedCreationDate(const FSRef& ref, int64_t macSeconds)
{
    const std::string text = std::to_string(macSeconds);
    return WriteAttribute(ref, kCreationDateAttribute, text.data(), text.size());
}

bool SupportsUserAttributes(const std::string& path)
{
    const char probe = '1';
    if (setxattr(path.c_str(), kProbeAttribute, &probe, 1, 0) != 0)
        return false;
    removexattr(path.c_str(), kProbeAttribute);
    return true;
}
