#include "FileManager.h"

#include "FileMetadata.h"
#include "HFSPaths.h"
#include "MacDates.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace {

// Splits a tidied absolute path into its folder and its last component ("/" has none).
void SplitPath(const std::string& path, std::string* folder, std::string* name)
{
    const size_t slash = path.rfind('/');
    *name = path.substr(slash + 1);
    *folder = slash == 0 ? std::string("/") : path.substr(0, slash);
}

OSErr StatPath(const std::string& path, struct stat* info)
{
    if (stat(path.c_str(), info) != 0)
        return OSErrFromLastErrno();
    return noErr;
}

int64_t MacSeconds(const struct timespec& time) { return UnixToMacSeconds(time.tv_sec); }

int64_t SystemBirthOrModification(const std::string& path, const struct stat& info)
{
    struct statx extended {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &extended) == 0
        && (extended.stx_mask & STATX_BTIME))
        return UnixToMacSeconds(extended.stx_btime.tv_sec);
    return MacSeconds(info.st_mtim);
}

bool HasSuffixNoCase(std::string_view text, std::string_view suffix)
{
    if (text.size() < suffix.size())
        return false;
    text = text.substr(text.size() - suffix.size());
    for (size_t i = 0; i < suffix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != suffix[i])
            return false;
    }
    return true;
}

} // namespace

bool IsValidFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == ".." || name.size() > kMaxFileNameBytes)
        return false;
    return name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

OSErr FSPathMakeRef(std::string_view path, FSRef* ref, bool* isDirectory)
{
    if (path.empty() || path.find('\0') != std::string_view::npos || !ref)
        return paramErr;
    std::string tidy = NormalizePOSIXPath(path);
    struct stat info {};
    if (OSErr err = StatPath(tidy, &info))
        return err;
    ref->path = std::move(tidy);
    if (isDirectory)
        *isDirectory = S_ISDIR(info.st_mode);
    return noErr;
}

OSErr FSPathMakeRef(const QString& path, FSRef* ref, bool* isDirectory)
{
    const QByteArray bytes = path.toUtf8();
    return FSPathMakeRef(std::string_view(bytes.constData(), size_t(bytes.size())), ref, isDirectory);
}

OSErr FSRefMakePath(const FSRef& ref, std::string* path)
{
    if (ref.IsEmpty() || !path)
        return paramErr;
    if (!FSRefExists(ref))
        return fnfErr;
    *path = ref.path;
    return noErr;
}

OSErr FSRefMakePath(const FSRef& ref, char* buffer, size_t size)
{
    std::string path;
    if (!buffer)
        return paramErr;
    if (OSErr err = FSRefMakePath(ref, &path))
        return err;
    if (path.size() + 1 > size)
        return bdNamErr;
    path.copy(buffer, path.size());
    buffer[path.size()] = '\0';
    return noErr;
}

OSErr FSMakeFSRefUnicode(const FSRef& parent, std::string_view name, FSRef* ref)
{
    if (parent.IsEmpty() || !ref)
        return paramErr;
    if (!IsValidFileName(name))
        return bdNamErr;
    const std::string path = JoinPath(parent.path, name);
    struct stat info {};
    if (OSErr err = StatPath(path, &info))
        return err;
    ref->path = path;
    return noErr;
}

OSErr FSMakeFSRefUnicode(const FSRef& parent, const QString& name, FSRef* ref)
{
    const QByteArray bytes = name.toUtf8();
    return FSMakeFSRefUnicode(parent, std::string_view(bytes.constData(), size_t(bytes.size())), ref);
}

OSErr FSCompareFSRefs(const FSRef& a, const FSRef& b)
{
    struct stat infoA {}, infoB {};
    if (a.IsEmpty() || b.IsEmpty())
        return paramErr;
    if (OSErr err = StatPath(a.path, &infoA))
        return err;
    if (OSErr err = StatPath(b.path, &infoB))
        return err;
    if (infoA.st_dev != infoB.st_dev)
        return diffVolErr;
    return infoA.st_ino == infoB.st_ino ? OSErr(noErr) : OSErr(errFSRefsDifferent);
}

bool FSRefsNameSameItem(const FSRef& a, const FSRef& b) { return FSCompareFSRefs(a, b) == noErr; }

bool FSRefExists(const FSRef& ref)
{
    struct stat info {};
    return !ref.IsEmpty() && stat(ref.path.c_str(), &info) == 0;
}

OSErr FSCreateFileUnicode(const FSRef& parent, std::string_view name, FSRef* newRef)
{
    if (parent.IsEmpty())
        return paramErr;
    if (!IsValidFileName(name))
        return bdNamErr;
    const std::string path = JoinPath(parent.path, name);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return OSErrFromLastErrno();
    close(fd);
    if (newRef)
        newRef->path = path;
    return noErr;
}

OSErr FSCreateDirectoryUnicode(const FSRef& parent, std::string_view name, FSRef* newRef)
{
    if (parent.IsEmpty())
        return paramErr;
    if (!IsValidFileName(name))
        return bdNamErr;
    const std::string path = JoinPath(parent.path, name);
    if (mkdir(path.c_str(), 0777) != 0)
        return OSErrFromLastErrno();
    if (newRef)
        newRef->path = path;
    return noErr;
}

OSErr FSDeleteObject(const FSRef& ref)
{
    struct stat info {};
    if (ref.IsEmpty())
        return paramErr;
    if (lstat(ref.path.c_str(), &info) != 0)
        return OSErrFromLastErrno();
    const int result = S_ISDIR(info.st_mode) ? rmdir(ref.path.c_str()) : unlink(ref.path.c_str());
    return result == 0 ? OSErr(noErr) : OSErrFromLastErrno();
}

OSErr FSRenameUnicode(const FSRef& ref, std::string_view newName, FSRef* newRef)
{
    if (ref.IsEmpty() || ref.path == "/")
        return paramErr;
    if (!IsValidFileName(newName))
        return bdNamErr;
    std::string folder, oldName;
    SplitPath(ref.path, &folder, &oldName);
    const std::string target = JoinPath(folder, newName);
    struct stat info {};
    if (lstat(ref.path.c_str(), &info) != 0)
        return OSErrFromLastErrno();
    if (target != ref.path) {
        if (renameat2(AT_FDCWD, ref.path.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
            if (errno != EINVAL && errno != ENOSYS)
                return OSErrFromLastErrno();
            // A file system without no-replace renames: test, then rename.
            struct stat existing {};
            if (lstat(target.c_str(), &existing) == 0)
                return dupFNErr;
            if (rename(ref.path.c_str(), target.c_str()) != 0)
                return OSErrFromLastErrno();
        }
    }
    if (newRef)
        newRef->path = target;
    return noErr;
}

OSErr FSGetParentRef(const FSRef& ref, FSRef* parent)
{
    if (ref.IsEmpty() || !parent)
        return paramErr;
    if (ref.path == "/") {
        parent->path.clear();
        return noErr;
    }
    std::string folder, name;
    SplitPath(ref.path, &folder, &name);
    struct stat info {};
    if (OSErr err = StatPath(folder, &info))
        return err;
    parent->path = folder;
    return noErr;
}

OSErr FSGetName(const FSRef& ref, std::string* name)
{
    if (ref.IsEmpty() || !name)
        return paramErr;
    if (!FSRefExists(ref))
        return fnfErr;
    if (ref.path == "/") {
        *name = std::string(kHFSVolumeName);
        return noErr;
    }
    std::string folder;
    SplitPath(ref.path, &folder, name);
    return noErr;
}

OSErr FSGetItemInfo(const FSRef& ref, FSItemInfo* info)
{
    if (ref.IsEmpty() || !info)
        return paramErr;
    struct stat item {};
    if (OSErr err = StatPath(ref.path, &item))
        return err;
    struct stat link {};
    FSItemInfo facts;
    facts.isDirectory = S_ISDIR(item.st_mode);
    facts.isSymbolicLink = lstat(ref.path.c_str(), &link) == 0 && S_ISLNK(link.st_mode);
    facts.device = item.st_dev;
    facts.inode = item.st_ino;
    facts.mode = item.st_mode & 07777;
    facts.dataLogicalSize = facts.isDirectory ? 0 : uint64_t(item.st_size);
    facts.rsrcLogicalSize = FSResourceForkSize(ref);
    facts.contentModDate = MacSeconds(item.st_mtim);
    facts.accessDate = MacSeconds(item.st_atim);
    if (!FSGetRecordedCreationDate(ref, &facts.creationDate))
        facts.creationDate = SystemBirthOrModification(ref.path, item);
    *info = facts;
    return noErr;
}

OSErr FSSetContentModDate(const FSRef& ref, int64_t macSeconds)
{
    if (ref.IsEmpty())
        return paramErr;
    struct timespec times[2] {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = time_t(MacToUnixSeconds(macSeconds));
    if (utimensat(AT_FDCWD, ref.path.c_str(), times, 0) != 0)
        return OSErrFromLastErrno();
    return noErr;
}

OSErr FSSetCreationDate(const FSRef& ref, int64_t macSeconds)
{
    return FSSetRecordedCreationDate(ref, macSeconds);
}

OSErr FSGetFSSpec(const FSRef& ref, FSSpec* spec)
{
    if (ref.IsEmpty() || !spec)
        return paramErr;
    if (!FSRefExists(ref))
        return fnfErr;
    if (ref.path == "/") {
        *spec = FSSpec {std::string(), "/"};
        return noErr;
    }
    SplitPath(ref.path, &spec->folder, &spec->name);
    return noErr;
}

OSErr FSpMakeFSRef(const FSSpec& spec, FSRef* ref)
{
    if (spec.IsEmpty() || !ref)
        return paramErr;
    return FSPathMakeRef(spec.Path(), ref);
}

OSErr FSMakeFSSpecFromPath(std::string_view path, FSSpec* spec)
{
    if (path.empty() || !spec)
        return paramErr;
    const std::string tidy = NormalizePOSIXPath(path);
    if (tidy == "/") {
        *spec = FSSpec {std::string(), "/"};
        return noErr;
    }
    std::string folder, name;
    SplitPath(tidy, &folder, &name);
    if (name.size() > kMaxFileNameBytes)
        return bdNamErr;
    struct stat info {};
    if (OSErr err = StatPath(folder, &info))
        return err;
    if (!S_ISDIR(info.st_mode))
        return dirNFErr;
    spec->folder = folder;
    spec->name = name;
    return StatPath(tidy, &info);
}

bool IsPackagePath(std::string_view path)
{
    std::string_view trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/')
        trimmed.remove_suffix(1);
    bool named = false;
    for (std::string_view extension : {".app", ".bundle", ".framework", ".rtfd"})
        named = named || HasSuffixNoCase(trimmed, extension);
    if (!named)
        return false;
    struct stat info {};
    return stat(std::string(trimmed).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

OSErr FSAddPermissions(const FSRef& ref, uint32_t bits)
{
    struct stat info {};
    if (ref.IsEmpty())
        return paramErr;
    if (OSErr err = StatPath(ref.path, &info))
        return err;
    if (chmod(ref.path.c_str(), (info.st_mode | bits) & 07777) != 0)
        return OSErrFromLastErrno();
    return noErr;
}
