#include "KeychainFile.h"

#include "CFPropertyList.h"
#include "CFPropertyListReader.h"
#include "CFPropertyListWriter.h"
#include "DescriptorIO.h"
#include "Keychain.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Items = CFPropertyList::Dictionary; // service -> { account -> data }

void LogFailure(const QString& path, const char* what)
{
    qWarning().noquote() << "Keychain file" << path << what << strerror(errno);
}

// Holds an exclusive lock on the store's folder while a change is read, made and written.
class FolderLock {
public:
    explicit FolderLock(const QString& folder)
        : mFd(open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (mFd >= 0)
            flock(mFd, LOCK_EX);
    }
    ~FolderLock()
    {
        if (mFd >= 0)
            close(mFd); // releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
private:
    int mFd;
};

// The whole file; the folder lock keeps writers of ours away meanwhile.
bool ReadAll(int fd, const struct stat& status, QByteArray* bytes)
{
    bytes->resize(qsizetype(status.st_size));
    size_t got = 0;
    const int error = ReadFully(fd, bytes->data(), size_t(bytes->size()), &got);
    bytes->resize(qsizetype(got));
    return error == 0;
}

// The items of the file; a missing file holds none. Anything but a private regular file of
// ours, or bytes that are no dictionary, is refused and left untouched.
OSStatus ReadItems(const QString& path, Items* items)
{
    items->clear();
    const int fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return noErr;
        LogFailure(path, "cannot be opened:");
        return errSecNotAvailable;
    }
    struct stat status {};
    QByteArray bytes;
    OSStatus result = noErr;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != geteuid()) {
        qWarning().noquote() << "Keychain file" << path << "is not a file of this user: refused";
        result = errSecNotAvailable;
    } else if ((status.st_mode & 077) != 0 && fchmod(fd, 0600) != 0) {
        LogFailure(path, "is readable by others and cannot be made private:");
        result = errSecNotAvailable;
    } else if (!ReadAll(fd, status, &bytes)) {
        LogFailure(path, "cannot be read:");
        result = errSecNotAvailable;
    }
    close(fd);
    if (result != noErr || bytes.isEmpty())
        return result;
    QString error;
    const CFPropertyList root = CFPropertyListReader::Read(bytes, &error);
    if (!root.IsDictionary()) {
        qWarning().noquote() << "Keychain file" << path << "is damaged:" << error;
        return errSecNotAvailable;
    }
    *items = root.ToDictionary();
    return noErr;
}

// Writes the items to a new 0600 file renamed over the old one; a link in its place is refused.
OSStatus WriteItems(const QString& path, const Items& items)
{
    const QByteArray target = QFile::encodeName(path);
    struct stat status {};
    if (lstat(target.constData(), &status) == 0 && !S_ISREG(status.st_mode)) {
        qWarning().noquote() << "Keychain file" << path << "is not a plain file: refused";
        return errSecNotAvailable;
    }
    const QByteArray bytes = CFPropertyListWriter::Write(CFPropertyList(items));
    QByteArray temporary = QFile::encodeName(QFileInfo(path).absolutePath()) + "/.Keychain.plist.XXXXXX";
    const int fd = mkostemp(temporary.data(), O_CLOEXEC); // created 0600
    if (fd < 0) {
        LogFailure(path, "cannot be written:");
        return errSecNotAvailable;
    }
    const bool written = !bytes.isEmpty()
        && WriteFully(fd, bytes.constData(), size_t(bytes.size())) == 0 && fsync(fd) == 0;
    const bool closed = close(fd) == 0;
    if (!written || !closed || rename(temporary.constData(), target.constData()) != 0) {
        LogFailure(path, "cannot be written:");
        unlink(temporary.constData());
        return errSecNotAvailable;
    }
    return noErr;
}

// The store's folder, created 0700 when missing (its parents as usual).
bool MakeFolder(const QString& folder)
{
    const QByteArray name = QFile::encodeName(folder);
    if (mkdir(name.constData(), 0700) == 0 || errno == EEXIST)
        return true;
    if (errno != ENOENT || !QDir().mkpath(QFileInfo(folder).absolutePath()))
        return false;
    return mkdir(name.constData(), 0700) == 0 || errno == EEXIST;
}

} // namespace

QString KeychainFile::DefaultPath()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + "/.local/share";
    return dataHome + "/Brevanto/Keychain.plist";
}

OSStatus KeychainFile::Find(const QString& service, const QByteArray& account, QByteArray* outPassword)
{
    Items items;
    if (const OSStatus status = ReadItems(mPath, &items); status != noErr)
        return status;
    const CFPropertyList item = items.value(service).Value(QString::fromUtf8(account));
    if (!item.IsData())
        return errSecItemNotFound;
    *outPassword = item.ToData();
    return noErr;
}

OSStatus KeychainFile::Store(const QString& service, const QByteArray& account, const QByteArray& password,
                             bool inReplace)
{
    const QString folder = QFileInfo(mPath).absolutePath();
    if (!MakeFolder(folder)) {
        LogFailure(folder, "cannot be made:");
        return errSecNotAvailable;
    }
    FolderLock lock(folder);
    Items items;
    if (const OSStatus status = ReadItems(mPath, &items); status != noErr)
        return status;
    CFPropertyList::Dictionary accounts = items.value(service).ToDictionary();
    const QString key = QString::fromUtf8(account);
    if (!inReplace && accounts.contains(key))
        return errSecDuplicateItem;
    accounts.insert(key, CFPropertyList(password));
    items.insert(service, CFPropertyList(accounts));
    return WriteItems(mPath, items);
}

OSStatus KeychainFile::Delete(const QString& service, const QByteArray& account)
{
    const QString folder = QFileInfo(mPath).absolutePath();
    FolderLock lock(folder);
    Items items;
    if (const OSStatus status = ReadItems(mPath, &items); status != noErr)
        return status;
    CFPropertyList::Dictionary accounts = items.value(service).ToDictionary();
    if (accounts.remove(QString::fromUtf8(account)) == 0)
        return errSecItemNotFound;
    if (accounts.isEmpty())
        items.remove(service);
    else
        items.insert(service, CFPropertyList(accounts));
    return WriteItems(mPath, items);
}
