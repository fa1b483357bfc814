// Whole-file reads and writes, resource data, MIME lookups and bundle resources.
#include "PathHelpers.h"

#include "CFBundle.h"
#include "CFPropertyListReader.h"
#include "CFileTypeMaps.h"
#include "FileManager.h"
#include "FileRefUtilities.h"
#include "FileMetadata.h"
#include "FileUtilities.h"
#include "HFSPaths.h"
#include "MemoryBlocks.h"
#include "WholeFileWrite.h"

#include <unistd.h>

#include <cstring>
#include <string>

namespace {

uint32_t BigEndianAt(const QByteArray& bytes, qsizetype at, int width)
{
    uint32_t value = 0;
    for (int i = 0; i < width; ++i)
        value = value << 8 | uint8_t(bytes[at + i]);
    return value;
}

bool InBounds(const QByteArray& bytes, qint64 at, qint64 count)
{
    return at >= 0 && count >= 0 && at + count <= bytes.size();
}

// The data of the first resource of `type` in a resource fork's bytes (the classic layout:
// a 16-byte header with data and map offsets; the map's type list; each type's reference
// list of 12-byte entries whose 24-bit offsets point at length-prefixed data).
bool FirstResourceOfType(const QByteArray& fork, ResType type, QByteArray* data)
{
    if (!InBounds(fork, 0, 16))
        return false;
    const qint64 dataStart = BigEndianAt(fork, 0, 4);
    const qint64 mapStart = BigEndianAt(fork, 4, 4);
    if (!InBounds(fork, mapStart, 28))
        return false;
    const qint64 typeList = mapStart + BigEndianAt(fork, mapStart + 24, 2);
    if (!InBounds(fork, typeList, 2))
        return false;
    const qint64 typeCount = qint64(BigEndianAt(fork, typeList, 2)) + 1;
    for (qint64 t = 0; t < typeCount; ++t) {
        const qint64 entry = typeList + 2 + t * 8;
        if (!InBounds(fork, entry, 8))
            return false;
        if (BigEndianAt(fork, entry, 4) != type)
            continue;
        const qint64 reference = typeList + BigEndianAt(fork, entry + 6, 2);
        if (!InBounds(fork, reference, 12))
            return false;
        const qint64 at = dataStart + BigEndianAt(fork, reference + 5, 3);
        if (!InBounds(fork, at, 4))
            return false;
        const qint64 length = BigEndianAt(fork, at, 4);
        if (!InBounds(fork, at + 4, length))
            return false;
        *data = fork.mid(at + 4, length);
        return true;
    }
    return false;
}

std::string LowerASCII(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return text;
}

} // namespace

QByteArray ReadFileData(const FSRef& item)
{
    std::string bytes;
    if (item.IsEmpty() || ReadWholeFileBytes(item.path, &bytes) != noErr)
        return QByteArray("", 0);
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

Ptr ReadFileAtPath(const char* posixPath)
{
    std::string bytes;
    if (!posixPath || ReadWholeFileBytes(posixPath, &bytes) != noErr || bytes.empty())
        return nullptr;
    Ptr block = NewPtr(Size(bytes.size()));
    if (block)
        std::memcpy(block, bytes.data(), bytes.size());
    return block;
}

std::unique_ptr<char[]> ReadForkData(const FSRef& item, size_t& count)
{
    return ReadWholeFile(item, count);
}

std::unique_ptr<char[]> ReadFileToText(SInt16 volume, SInt32 directoryID, ConstStr255Param name)
{
    FSRef item;
    std::string bytes;
    if (MakeFSRefFromSpecParts(volume, directoryID, name, &item) != noErr
        || ReadWholeFileBytes(item.path, &bytes) != noErr)
        return nullptr;
    std::unique_ptr<char[]> text(new char[bytes.size() + 1]);
    std::memcpy(text.get(), bytes.data(), bytes.size());
    text[bytes.size()] = '\0';
    return text;
}

OSErr WriteDataToFile(const QByteArray& data, const FSRef& item)
{
    return WriteWholeFile(item, data.constData(), size_t(data.size()));
}

OSErr WriteDataFork(const QByteArray& data, const FSRef& item)
{
    return WriteWholeFile(item, data.constData(), size_t(data.size()));
}

QString ReadWeblocURL(const FSRef& item)
{
    QByteArray fork, url;
    if (FSGetResourceFork(item, &fork) == noErr && FirstResourceOfType(fork, 'url ', &url) && !url.isEmpty())
        return QString::fromUtf8(url);
    // A web location copied here without its fork keeps the address in its property list.
    std::string bytes;
    if (ReadWholeFileBytes(item.path, &bytes) != noErr || bytes.empty())
        return {};
    const CFPropertyList list = CFPropertyListReader::Read(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    const QString address = list.IsDictionary() ? list.Value(QStringLiteral("URL")).ToString() : QString();
    return address.isEmpty() ? QString() : address;
}

bool GetMIMETypeForRef(const FSRef& item, CString256& mimeType)
{
    const size_t slash = item.path.rfind('/');
    return GetMIMETypeForName(item.path.c_str() + (slash == std::string::npos ? 0 : slash + 1), mimeType);
}

bool GetMIMETypeForName(const char* fileName, CString256& mimeType)
{
    const char* dot = fileName ? std::strrchr(fileName, '.') : nullptr;
    const auto maps = CFileTypeMaps::Installed();
    if (!dot || !maps)
        return false;
    return maps->MIMETypeForExtension(LowerASCII(dot).c_str(), mimeType);
}

bool GetMIMETypeForTypeCreator(OSType type, OSType creator, CString256& mimeType)
{
    const auto maps = CFileTypeMaps::Installed();
    if (!maps)
        return false;
    for (const FileTypeMapping& entry : maps->Mappings()) {
        if (entry.type != type || entry.mimeType.Length() == 0)
            continue;
        mimeType = entry.mimeType;
        if (entry.creator == creator)
            return true;
    }
    return false;
}

bool MapFilenameIC(const char* fileName, OSType& creator, OSType& type)
{
    const auto maps = CFileTypeMaps::Installed();
    return fileName && maps && maps->MapFilename(fileName, creator, type);
}

bool GetCatalogTypeCreator(const FSSpec& spec, CString256& mimeType, OSType& creator, OSType& type)
{
    FSRef item;
    if (FSpMakeFSRef(spec, &item) != noErr)
        return false;
    FSGetTypeCreator(item, &type, &creator);
    return GetMIMETypeForTypeCreator(type, creator, mimeType);
}

std::unique_ptr<char[]> ReadBundleTextResource(const char* name)
{
    if (!name)
        return nullptr;
    const std::optional<QByteArray> bytes = CFBundle::Main().ReadResource(QString::fromUtf8(name), QStringLiteral("txt"));
    if (!bytes)
        return nullptr;
    std::unique_ptr<char[]> text(new char[size_t(bytes->size()) + 1]);
    std::memcpy(text.get(), bytes->constData(), size_t(bytes->size()));
    text[bytes->size()] = '\0';
    return text;
}

bool GetBundleResourceRef(const char* name, const char* extension, FSRef& ref)
{
    if (!name)
        return false;
    const QString path = CFBundle::Main().MaterializedResourcePath(
        QString::fromUtf8(name), QString::fromUtf8(extension ? extension : ""));
    return !path.isEmpty() && FSPathMakeRef(path, &ref) == noErr;
}

bool GetBundleResourceSpec(const char* name, const char* extension, FSSpec& spec)
{
    FSRef ref;
    return GetBundleResourceRef(name, extension, ref) && FSGetFSSpec(ref, &spec) == noErr;
}

OSErr GetBundlePath(CString256& path)
{
    char executable[4096];
    const ssize_t length = readlink("/proc/self/exe", executable, sizeof executable - 1);
    if (length <= 0)
        return fnfErr;
    const std::string program(executable, size_t(length));
    const std::string folder = program.substr(0, program.rfind('/') + 1);
    std::string hfs;
    if (!POSIXPathToHFSPath(folder, &hfs))
        return bdNamErr;
    if (hfs.size() > CString256::kLimit)
        return bdNamErr;
    path.Assign(hfs.c_str());
    return noErr;
}
