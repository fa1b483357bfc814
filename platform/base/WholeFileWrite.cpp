#include "WholeFileWrite.h"

#include "DescriptorIO.h"
#include "FileErrors.h"
#include "PosixPaths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QRandomGenerator>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// The file a write lands in: the path itself, or the file a symbolic link there points to.
OSErr ResolveTarget(const std::string& path, std::string* target)
{
    struct stat link {};
    if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
        *target = path;
        return noErr;
    }
    std::unique_ptr<char, decltype(&free)> real(realpath(path.c_str(), nullptr), &free);
    if (!real)
        return OSErrFromLastErrno();
    *target = real.get();
    return noErr;
}

constexpr std::string_view kTemporaryPrefix = ".brevanto-write-";
// A temporary file this old whose lock nobody holds was left by a write that did not finish.
constexpr int kInterruptedWriteSeconds = 10;

// Opens a new file beside `target` under a name no one else uses; the umask applies. The
// writer holds a lock on it until it is closed, so that RemoveInterruptedWrites leaves it be.
int CreateTemporaryBeside(const std::string& target, std::string* temporary)
{
    const std::string folder = target.substr(0, target.rfind('/') + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[20];
        snprintf(suffix, sizeof suffix, "%08x", QRandomGenerator::global()->generate());
        *temporary = folder + std::string(kTemporaryPrefix) + suffix;
        const int fd = open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0)
            flock(fd, LOCK_EX | LOCK_NB);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Gives the new file the old one's mode, owner (where allowed) and user metadata.
void CarryOverMetadata(int fd, const std::string& oldPath, const struct stat& old)
{
    fchmod(fd, old.st_mode & 07777);
    if (old.st_uid != geteuid() || old.st_gid != getegid())
        (void)!fchown(fd, old.st_uid, old.st_gid);
    const ssize_t listSize = listxattr(oldPath.c_str(), nullptr, 0);
    if (listSize <= 0)
        return;
    std::vector<char> names(static_cast<size_t>(listSize));
    const ssize_t got = listxattr(oldPath.c_str(), names.data(), names.size());
    for (ssize_t at = 0; at < got; at += ssize_t(strlen(names.data() + at)) + 1) {
        const char* name = names.data() + at;
        if (strncmp(name, "user.", 5) != 0)
            continue;
        const ssize_t size = getxattr(oldPath.c_str(), name, nullptr, 0);
        if (size < 0)
            continue;
        std::vector<char> value(static_cast<size_t>(size));
        const ssize_t read = getxattr(oldPath.c_str(), name, value.data(), value.size());
        if (read >= 0)
            fsetxattr(fd, name, value.data(), size_t(read), 0);
    }
}

void FlushFolderOf(const std::string& target)
{
    const std::string folder = target.substr(0, std::max<size_t>(target.rfind('/'), 1));
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

} // namespace

OSErr WriteWholeFileAtomically(std::string_view path, const void* bytes, size_t count,
                               WholeFileMode mode, WholeFileLink link)
{
    if (path.empty() || (count > 0 && !bytes))
        return paramErr;
    std::string target = NormalizePOSIXPath(path);
    if (link == WholeFileLink::Follow) {
        if (OSErr err = ResolveTarget(target, &target))
            return err;
    }
    struct stat old {};
    const bool exists = (link == WholeFileLink::Follow ? stat(target.c_str(), &old) : lstat(target.c_str(), &old)) == 0;
    if (exists && S_ISLNK(old.st_mode)) {
        // A link being replaced: the new file is made as new, nothing carried over from it.
        if (mode == WholeFileMode::ExistingOnly)
            return fnfErr;
        mode = WholeFileMode::ReplaceAsNew;
    }
    if (!exists && errno != ENOENT)
        return OSErrFromLastErrno();
    if (!exists && mode == WholeFileMode::ExistingOnly)
        return fnfErr;
    if (exists && S_ISDIR(old.st_mode))
        return notAFileErr;
    const bool keepOld = exists && mode != WholeFileMode::ReplaceAsNew;
    if (keepOld && access(target.c_str(), W_OK) != 0)
        return OSErrFromLastErrno();

    std::string temporary;
    const int fd = CreateTemporaryBeside(target, &temporary);
    if (fd < 0)
        return OSErrFromLastErrno();
    if (keepOld)
        CarryOverMetadata(fd, target, old);
    OSErr err = OSErrFromErrno(WriteFully(fd, bytes, count));
    if (!err && fsync(fd) != 0)
        err = OSErrFromLastErrno();
    if (close(fd) != 0 && !err)
        err = OSErrFromLastErrno();
    if (!err && rename(temporary.c_str(), target.c_str()) != 0)
        err = OSErrFromLastErrno();
    if (err) {
        unlink(temporary.c_str());
        return err;
    }
    FlushFolderOf(target);
    return noErr;
}

OSErr ReadWholeFileBytes(std::string_view path, std::string* bytes)
{
    if (path.empty() || !bytes)
        return paramErr;
    const std::string tidy = NormalizePOSIXPath(path);
    const int fd = open(tidy.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return OSErrFromLastErrno();
    struct stat info {};
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        close(fd);
        return S_ISDIR(info.st_mode) ? notAFileErr : ioErr;
    }
    std::string content;
    content.reserve(size_t(info.st_size));
    char chunk[65536];
    for (;;) {
        size_t got = 0;
        if (const int error = ReadFully(fd, chunk, sizeof chunk, &got)) {
            close(fd);
            return OSErrFromErrno(error);
        }
        content.append(chunk, got);
        if (got < sizeof chunk)
            break;
    }
    close(fd);
    *bytes = std::move(content);
    return noErr;
}

void RemoveInterruptedWrites(std::string_view folder)
{
    const std::string tidy = NormalizePOSIXPath(folder);
    DIR* listing = opendir(tidy.c_str());
    if (!listing)
        return;
    const time_t now = time(nullptr);
    while (const dirent* entry = readdir(listing)) {
        if (std::string_view(entry->d_name).substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix)
            continue;
        const std::string path = JoinPath(tidy, entry->d_name);
        const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat info {};
        const bool stale = fstat(fd, &info) == 0 && S_ISREG(info.st_mode)
                           && now - info.st_mtime >= kInterruptedWriteSeconds
                           && flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (stale)
            unlink(path.c_str());
        close(fd);
    }
    closedir(listing);
}
