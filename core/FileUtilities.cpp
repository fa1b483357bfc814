#include "FileUtilities.h"

#include "AppleEventHelpers.h"
#include "DescriptorIO.h"
#include "FileManager.h"
#include "FileRefUtilities.h"
#include "FileMetadata.h"
#include "MemoryBlocks.h"
#include "WholeFileWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <new>
#include <string>

namespace {

std::string NameOf(const QString& name) { return name.toStdString(); }

OSErr LookUp(const FSRef& folder, std::string_view name, FSRef& item)
{
    return FSMakeFSRefUnicode(folder, name, &item);
}

// The shared shape of the create functions: an existing item answers 0 with its reference, a
// failed lookup other than "not found" answers its error, else `create` makes the item.
template <class Create>
OSErr FindOrCreate(const FSRef& folder, std::string_view name, FSRef& created, Create create)
{
    FSRef found;
    const OSErr lookup = LookUp(folder, name, found);
    if (lookup == noErr) {
        created = found;
        return noErr;
    }
    if (lookup != fnfErr)
        return lookup;
    return create(folder, name, &created);
}

void StampTypeCreator(const FSRef& item, OSType creator, OSType type)
{
    SetFileType(item, type);
    SetFileCreator(item, creator);
}

} // namespace

bool FolderItemExists(const FSRef& folder, const char* name, FSRef& item)
{
    FSRef found;
    const OSErr err = LookUp(folder, name ? name : "", found);
    if (err == noErr)
        item = found;
    return err != fnfErr;
}

bool ItemExistsNamed(const FSRef& folder, const QString& name, FSRef& item)
{
    return FolderItemExists(folder, NameOf(name).c_str(), item);
}

OSErr CreateFolderNamed(const FSRef& folder, const char* name, FSRef& created)
{
    return FindOrCreate(folder, name ? name : "", created, [](const FSRef& parent, std::string_view n, FSRef* out) {
        return FSCreateDirectoryUnicode(parent, n, out);
    });
}

OSErr CreateFolderCF(const FSRef& folder, const QString& name, FSRef& created)
{
    return CreateFolderNamed(folder, NameOf(name).c_str(), created);
}

OSErr CreateFileNamed(const FSRef& folder, const char* name, FSRef& created)
{
    return FindOrCreate(folder, name ? name : "", created, [](const FSRef& parent, std::string_view n, FSRef* out) {
        const OSErr err = FSCreateFileUnicode(parent, n, out);
        if (err == noErr)
            MoreFEUpdateItemFSRef(out);
        return err;
    });
}

OSErr CreateFileCF(const FSRef& folder, const QString& name, FSRef& created)
{
    const std::string bytes = NameOf(name);
    return FindOrCreate(folder, bytes, created, [](const FSRef& parent, std::string_view n, FSRef* out) {
        return FSCreateFileUnicode(parent, n, out);
    });
}

OSErr CreateFileWithTypeCreator(const FSRef& folder, const QString& name, OSType creator,
                                OSType type, FSRef& created)
{
    const OSErr err = CreateFileCF(folder, name, created);
    if (err == noErr)
        StampTypeCreator(created, creator, type);
    return err;
}

OSErr CreateFileNamedWithTypeCreator(const FSRef& folder, const char* name, OSType creator,
                                     OSType type, FSRef& created)
{
    const OSErr err = CreateFileNamed(folder, name, created);
    if (err == noErr)
        StampTypeCreator(created, creator, type);
    return err;
}

OSErr CreateFileForPath(const char* path, FSRef& created)
{
    if (!path || !*path)
        return paramErr;
    FSRef existing;
    const OSErr lookup = FSPathMakeRef(path, &existing);
    if (lookup == noErr)
        created = existing;
    if (lookup != fnfErr)
        return lookup;
    const std::string full = NormalizePOSIXPath(path);
    const size_t slash = full.rfind('/');
    const std::string name = full.substr(slash + 1);
    const std::string folderPath = slash == 0 ? std::string("/") : full.substr(0, slash);
    if (name.size() > kMaxFileNameBytes)
        return bdNamErr;
    FSRef folder;
    if (OSErr err = FSPathMakeRef(folderPath, &folder))
        return err;
    const OSErr err = FSCreateFileUnicode(folder, name, &created);
    if (err == noErr)
        MoreFEUpdateItemFSRef(&created);
    return err;
}

OSErr CreateFileForPathWithTypeCreator(const char* path, OSType creator, OSType type, FSRef& created)
{
    const OSErr err = CreateFileForPath(path, created);
    if (err == noErr)
        StampTypeCreator(created, creator, type);
    return err;
}

OSErr FSRefToPath(const FSRef& item, Str255 path)
{
    char buffer[255];
    if (OSErr err = FSRefMakePath(item, buffer, sizeof buffer))
        return err;
    const size_t length = std::strlen(buffer);
    path[0] = static_cast<unsigned char>(length);
    std::memcpy(path + 1, buffer, length);
    return noErr;
}

OSErr GetFileName(const FSRef& item, CString256& name)
{
    std::string text;
    if (OSErr err = FSGetName(item, &text))
        return err;
    name.Assign(text.c_str());
    return noErr;
}

OSErr CopyFileNameCFString(const FSRef& item, QString& name)
{
    name = QString();
    std::string text;
    if (OSErr err = FSGetName(item, &text))
        return err;
    name = QString::fromStdString(text);
    return noErr;
}

OSErr ConvertUnicodeName(char*& converted, const UniChar* name, UInt32 count)
{
    if (!name && count > 0)
        return paramErr;
    const QByteArray bytes = QString::fromUtf16(reinterpret_cast<const char16_t*>(name), count).toUtf8();
    Ptr block = NewPtr(Size(bytes.size()) + 1);
    if (!block)
        return memFullErr;
    std::memcpy(block, bytes.constData(), size_t(bytes.size()));
    block[bytes.size()] = '\0';
    converted = block;
    return noErr;
}

bool IsFile(const FSRef& item)
{
    FSItemInfo info;
    return FSGetItemInfo(item, &info) == noErr && !info.isDirectory;
}

bool IsFolderAliasFile(const FSRef& item)
{
    FSItemInfo info;
    return FSGetItemInfo(item, &info) == noErr && info.isSymbolicLink && info.isDirectory;
}

OSErr GetFileType(const FSRef& item, OSType& type)
{
    return FSGetTypeCreator(item, &type, nullptr);
}

OSErr GetFileCreator(const FSRef& item, OSType& creator)
{
    return FSGetTypeCreator(item, nullptr, &creator);
}

OSErr SetFileType(const FSRef& item, OSType type) { return FSSetTypeCreator(item, &type, nullptr); }

OSErr SetFileCreator(const FSRef& item, OSType creator)
{
    return FSSetTypeCreator(item, nullptr, &creator);
}

OSErr GetTotalLogicalSize(const FSRef& item, UInt64& size)
{
    size = 0;
    FSItemInfo info;
    if (OSErr err = FSGetItemInfo(item, &info))
        return err;
    size = info.dataLogicalSize + info.rsrcLogicalSize;
    return noErr;
}

OSErr GetContentModSeconds(const FSRef& item, UInt32& seconds)
{
    FSItemInfo info;
    if (OSErr err = FSGetItemInfo(item, &info))
        return err;
    seconds = UInt32(info.contentModDate);
    return noErr;
}

OSErr SetFileDates(const FSRef& item, UInt32 modificationSeconds, UInt32 creationSeconds)
{
    FSItemInfo info;
    if (FSGetItemInfo(item, &info) != noErr)
        return noErr;
    const auto withLow32 = [](int64_t old, UInt32 low) { return (old & ~int64_t(0xFFFFFFFF)) | int64_t(low); };
    FSSetCreationDate(item, withLow32(info.creationDate, creationSeconds));
    FSSetContentModDate(item, withLow32(info.contentModDate, modificationSeconds));
    return noErr;
}

OSErr RenameItem(FSRef& item, const char* name)
{
    return FSRenameUnicode(item, name ? name : "", &item);
}

bool FSRefGetParent(const FSRef& item, FSRef& parent)
{
    FSRef found;
    if (FSGetParentRef(item, &found) != noErr || found.IsEmpty())
        return false;
    parent = found;
    return true;
}

OSErr GetFSSpecOfRef2(const FSRef& item, FSSpec& spec) { return GetFSSpecOfRef(&item, &spec); }

OSErr SetFinderComment(const FSRef& item, const char* text)
{
    if (!text)
        return paramErr;
    return MoreFESetCommentCFString(&item, QString::fromUtf8(text), nullptr);
}

OSErr GetFinderComment(const FSRef& item, CString256& comment)
{
    Str255 answer = {0};
    const OSErr err = MoreFEGetComment(&item, answer, nullptr);
    if (err == noErr && answer[0] > 0)
        comment.Assign(std::string(reinterpret_cast<const char*>(answer + 1), answer[0]).c_str());
    return err;
}

OSErr WriteWholeFile(const FSRef& item, const void* bytes, size_t count)
{
    if (item.IsEmpty())
        return paramErr;
    return WriteWholeFileAtomically(item, bytes, count);
}

OSErr WriteWholeFileAtPath(const char* path, const void* bytes, size_t count)
{
    FSRef item;
    if (OSErr err = CreateFileForPath(path, item))
        return err;
    return WriteWholeFile(item, bytes, count);
}

std::unique_ptr<char[]> ReadWholeFile(const FSRef& item, size_t& size)
{
    size = 0;
    if (item.IsEmpty())
        return nullptr;
    const int fd = open(item.CPath(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    std::unique_ptr<char[]> bytes;
    size_t got = 0;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        const size_t wanted = size_t(info.st_size);
        bytes.reset(new (std::nothrow) char[wanted ? wanted : 1]);
        if (bytes)
            ReadFully(fd, bytes.get(), wanted, &got); // short on failure: refused below
        if (got != wanted)
            bytes.reset();
    }
    close(fd);
    if (bytes)
        size = got;
    return bytes;
}

std::unique_ptr<char[]> ReadWholeFileAtPath(const char* path, size_t& size)
{
    size = 0;
    FSRef item;
    if (!path || FSPathMakeRef(path, &item) != noErr)
        return nullptr;
    return ReadWholeFile(item, size);
}

std::unique_ptr<char[]> ReadWholeFileFromSpec(SInt16 volume, SInt32 directoryID, ConstStr255Param name,
                                              size_t& size)
{
    size = 0;
    FSRef item;
    if (MakeFSRefFromSpecParts(volume, directoryID, name, &item) != noErr)
        return nullptr;
    return ReadWholeFile(item, size);
}
