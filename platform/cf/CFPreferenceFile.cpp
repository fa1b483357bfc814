#include "CFPreferenceFile.h"

#include "CFPropertyListReader.h"
#include "CFPropertyListWriter.h"
#include "FileErrors.h"
#include "WholeFileWrite.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtDebug>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString ErrnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The file a write must replace: the target of a symbolic link, else the path itself.
QString ReplacementTarget(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.symLinkTarget() : canonical;
}

} // namespace

CFPreferenceFile::CFPreferenceFile(const QString& path) : mPath(path) {}

CFPreferenceFile::Stamp CFPreferenceFile::StampOf(const QString& path)
{
    struct stat info {};
    Stamp stamp;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        stamp.error = errno;
        return stamp;
    }
    stamp.exists = true;
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modifiedNs = info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
    stamp.changedNs = info.st_ctim.tv_sec * 1000000000LL + info.st_ctim.tv_nsec;
    return stamp;
}

OSStatus CFPreferenceFile::Report(OSStatus status, const QString& message)
{
    mLastError = message;
    qWarning().noquote() << "Preferences:" << message;
    return status;
}

OSStatus CFPreferenceFile::Refresh()
{
    const Stamp stamp = StampOf(mPath);
    if (mLoaded && stamp == mStamp)
        return mLoadStatus;
    return Load(stamp);
}

OSStatus CFPreferenceFile::Load(const Stamp& stamp)
{
    mLoaded = true;
    mStamp = stamp;
    mValues.clear();
    mLoadStatus = noErr;
    if (!stamp.exists && stamp.error == ENOENT)
        return noErr; // no file yet: an empty domain
    if (!stamp.exists) {
        mLoadStatus = OSErrFromErrno(stamp.error);
        return Report(mLoadStatus, QStringLiteral("cannot read %1: %2").arg(mPath, ErrnoText(stamp.error)));
    }
    const int fd = ::open(QFile::encodeName(mPath).constData(), O_RDONLY | O_CLOEXEC);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        const int cause = fd < 0 ? errno : EIO;
        if (fd >= 0)
            ::close(fd);
        mLoadStatus = OSErrFromErrno(cause);
        return Report(mLoadStatus, QStringLiteral("cannot read %1: %2").arg(mPath, ErrnoText(cause)));
    }
    const QByteArray bytes = file.readAll();
    QString error;
    const CFPropertyList root = CFPropertyListReader::Read(bytes, &error);
    if (root.IsNull()) {
        MoveAside(error);
        return noErr;
    }
    if (!root.IsDictionary()) {
        MoveAside(QStringLiteral("the root is not a dictionary"));
        return noErr;
    }
    mValues = root.ToDictionary();
    mLastError.clear();
    return noErr;
}

void CFPreferenceFile::MoveAside(const QString& reason)
{
    const QString dated =
        mPath + QStringLiteral(".unreadable-") + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = dated;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = dated + QStringLiteral("-%1").arg(n);
    if (::rename(QFile::encodeName(mPath).constData(), QFile::encodeName(aside).constData()) != 0) {
        Report(OSErrFromErrno(errno), QStringLiteral("%1 does not parse (%2) and cannot be moved aside: %3; "
                                                     "its settings are ignored")
                                          .arg(mPath, reason, ErrnoText(errno)));
        return;
    }
    mStamp = StampOf(mPath);
    Report(noErr, QStringLiteral("%1 does not parse (%2); moved aside to %3, starting with no settings")
                      .arg(mPath, reason, aside));
}

OSStatus CFPreferenceFile::Write(const CFPropertyList::Dictionary& values)
{
    QString error;
    const QByteArray bytes = CFPropertyListWriter::Write(CFPropertyList(values), &error);
    if (bytes.isEmpty())
        return Report(paramErr, QStringLiteral("cannot write %1: %2").arg(mPath, error));

    const QString target = ReplacementTarget(mPath);
    const QString folder = QFileInfo(target).absolutePath();
    if (!QDir().mkpath(folder))
        return Report(OSErrFromErrno(errno ? errno : EACCES),
                      QStringLiteral("cannot create the folder %1").arg(folder));

    RemoveInterruptedWrites(QFile::encodeName(folder).toStdString());
    const OSErr written = WriteWholeFileAtomically(QFile::encodeName(target).toStdString(), bytes.constData(),
                                                   size_t(bytes.size()), WholeFileMode::CreateIfMissing);
    if (written != noErr)
        return Report(written, QStringLiteral("cannot write %1 (error %2); the old file stays").arg(mPath).arg(written));
    return noErr;
}

CFPropertyList CFPreferenceFile::Value(const QString& key)
{
    Refresh();
    return mValues.value(key);
}

OSStatus CFPreferenceFile::SetValue(const QString& key, const CFPropertyList& value)
{
    const OSStatus readStatus = Refresh();
    if (readStatus != noErr)
        return Report(readStatus, QStringLiteral("%1 cannot be read, so it is not overwritten").arg(mPath));
    CFPropertyList::Dictionary next = mValues;
    if (value.IsNull()) {
        if (next.remove(key) == 0)
            return noErr;
    } else {
        next.insert(key, value);
    }
    const OSStatus status = Write(next);
    if (status != noErr)
        return status;
    mValues = next;
    mStamp = StampOf(mPath);
    mLastError.clear();
    return noErr;
}

OSStatus CFPreferenceFile::Synchronize()
{
    return Refresh();
}
