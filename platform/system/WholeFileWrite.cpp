#include "WholeFileWrite.h"

#include "FileErrors.h"
#include "FileManager.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QRandomGenerator>

#include <algorithm>
#include <cstdlib>
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

// Opens a new file beside `target` under a name no one else uses; the umask applies.
int CreateTemporaryBeside(const std::string& target, std::string* temporary)
{
    const std::string folder = target.substr(0, target.rfind('/') + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[20];
        snprintf(suffix, sizeof suffix, "%08x", QRandomGenerator::global()->generate());
        *temporary = folder + ".brevanto-write-" + suffix;
        const int fd = open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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

OSErr WriteAll(int fd, const void* bytes, size_t count)
{
    const char* at = static_cast<const char*>(bytes);
    while (count > 0) {
        const ssize_t written = write(fd, at, count);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return OSErrFromLastErrno();
        }
        at += written;
        count -= size_t(written);
    }
    return noErr;
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
                               WholeFileMode mode)
{
    if (path.empty() || (count > 0 && !bytes))
        return paramErr;
    std::string target;
    if (OSErr err = ResolveTarget(NormalizePOSIXPath(path), &target))
        return err;
    struct stat old {};
    const bool exists = stat(target.c_str(), &old) == 0;
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
    OSErr err = WriteAll(fd, bytes, count);
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
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const OSErr err = OSErrFromLastErrno();
            close(fd);
            return err;
        }
        if (got == 0)
            break;
        content.append(chunk, size_t(got));
    }
    close(fd);
    *bytes = std::move(content);
    return noErr;
}
