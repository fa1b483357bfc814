#include "DownloadFolder.h"

#include "CFPreferenceDomain.h"
#include "FileErrors.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
bool IsDirectory(const QString& inPath) { return !inPath.isEmpty() && QFileInfo(inPath).isDir(); }
} // namespace

OSErr GetDownloadFolder(QString& outFolder)
{
    const CFPropertyList stored = CFPreferenceDomain::Application().CopyValue(QString::fromLatin1(kDownloadFolderKey));
    if (stored.IsString() && QDir::isAbsolutePath(stored.ToString()) && IsDirectory(stored.ToString())) {
        outFolder = QDir::cleanPath(stored.ToString());
        return noErr;
    }
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (IsDirectory(desktop)) {
        outFolder = QDir::cleanPath(desktop);
        return noErr;
    }
    return fnfErr;
}

OSErr SetDownloadFolder(const QString& inFolder)
{
    if (!IsDirectory(inFolder))
        return fnfErr;
    const QString absolute = QFileInfo(inFolder).absoluteFilePath();
    return OSErr(CFPreferenceDomain::Application().SetValue(QString::fromLatin1(kDownloadFolderKey),
                                                              CFPropertyList(absolute)));
}
