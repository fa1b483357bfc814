#include "AliasRecord.h"

#include "FileErrors.h"
#include "FileManager.h"
#include "MemoryBlocks.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QDataStream>
#include <QIODevice>

#include <memory>

namespace {

constexpr quint32 kAliasMagic = 'BRal';
constexpr quint16 kAliasVersion = 1;
constexpr quint32 kMaxAliasPath = 4096;

struct AliasFacts {
    quint64 device = 0;
    quint64 inode = 0;
    std::string path;
};

bool ParseAlias(const QByteArray& record, AliasFacts* facts)
{
    QDataStream in(record);
    in.setByteOrder(QDataStream::BigEndian);
    quint32 magic = 0, length = 0;
    quint16 version = 0;
    in >> magic >> version >> facts->device >> facts->inode >> length;
    if (in.status() != QDataStream::Ok || magic != kAliasMagic || version != kAliasVersion)
        return false;
    if (length == 0 || length > kMaxAliasPath || in.device()->bytesAvailable() != qint64(length))
        return false;
    facts->path = record.right(qsizetype(length)).toStdString();
    return facts->path.front() == '/';
}

bool SameItem(const std::string& path, const AliasFacts& facts)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && info.st_dev == facts.device
        && info.st_ino == facts.inode;
}

// The entry of the recorded folder that is the recorded item under another name.
bool FindRenamed(const AliasFacts& facts, std::string* found)
{
    const size_t slash = facts.path.rfind('/');
    const std::string folder = slash == 0 ? std::string("/") : facts.path.substr(0, slash);
    struct DirCloser {
        void operator()(DIR* d) const { closedir(d); }
    };
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir)
        return false;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (entry->d_ino != facts.inode || name == "." || name == "..")
            continue;
        const std::string candidate = (folder == "/" ? "" : folder) + "/" + std::string(name);
        if (SameItem(candidate, facts)) {
            *found = candidate;
            return true;
        }
    }
    return false;
}

} // namespace

QByteArray NewAliasRecordData(const FSRef& target)
{
    struct stat info {};
    if (target.IsEmpty() || target.path.size() > kMaxAliasPath || stat(target.CPath(), &info) != 0)
        return {};
    QByteArray record;
    QDataStream out(&record, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::BigEndian);
    out << kAliasMagic << kAliasVersion << quint64(info.st_dev) << quint64(info.st_ino)
        << quint32(target.path.size());
    out.writeRawData(target.path.data(), int(target.path.size()));
    return record;
}

OSErr ResolveAliasRecordData(const QByteArray& record, FSRef* target, bool* wasChanged)
{
    if (!target)
        return paramErr;
    AliasFacts facts;
    if (!ParseAlias(record, &facts))
        return fnfErr;
    std::string found = facts.path;
    bool renamed = false;
    if (!SameItem(found, facts)) {
        // A save that replaces the file gives it a new inode under the same name: with no
        // renamed original in the folder, the item at the recorded path is the one meant.
        struct stat info {};
        if (!FindRenamed(facts, &found) && stat(facts.path.c_str(), &info) != 0)
            return fnfErr;
        renamed = true;
    }
    target->path = found;
    if (wasChanged)
        *wasChanged = renamed;
    return noErr;
}

QByteArray AliasHandleData(AliasHandle alias)
{
    if (!alias || !*alias)
        return {};
    return QByteArray(*alias, qsizetype(GetHandleSize(alias)));
}

OSErr FSNewAlias(const FSRef& target, AliasHandle* alias)
{
    if (!alias)
        return paramErr;
    *alias = nullptr;
    const QByteArray record = NewAliasRecordData(target);
    if (record.isEmpty())
        return FSRefExists(target) ? paramErr : fnfErr;
    Handle made = NewHandle(Size(record.size()));
    if (!made)
        return memFullErr;
    std::copy_n(record.constData(), record.size(), *made);
    *alias = made;
    return noErr;
}

OSErr FSResolveAlias(AliasHandle alias, FSRef* target, bool* wasChanged)
{
    if (!alias)
        return paramErr;
    return ResolveAliasRecordData(AliasHandleData(alias), target, wasChanged);
}
