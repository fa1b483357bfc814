#include "WorkingFolders.h"

#include "FileManager.h"
#include "Launcher.h"
#include "WholeFileWrite.h"

#include <QDateTime>
#include <QUuid>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string EnvironmentOr(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return (value && *value == '/') ? std::string(value) : fallback;
}

std::string DataHome()
{
    const char* home = std::getenv("HOME");
    return EnvironmentOr("XDG_DATA_HOME", std::string(home ? home : "") + "/.local/share");
}

// Makes `path` a folder when missing; true when a folder is there afterwards.
bool MakeFolder(const std::string& path, mode_t mode = 0777)
{
    if (mkdir(path.c_str(), mode) == 0)
        return true;
    struct stat info {};
    return errno == EEXIST && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeFolderLevels(const std::string& base, std::initializer_list<const char*> levels, FSRef* folder)
{
    std::string path = base;
    if (!MakeFolder(path))
        return false;
    for (const char* level : levels) {
        path += "/";
        path += level;
        if (!MakeFolder(path))
            return false;
    }
    return FSPathMakeRef(path, folder) == noErr;
}

bool GetSupportSubFolder(const char* name, FSRef* folder)
{
    FSRef support;
    if (!GetTessarocSupportFolder(&support))
        return false;
    const std::string path = support.path + "/" + name;
    return MakeFolder(path) && FSPathMakeRef(path, folder) == noErr;
}

bool IsAcceptableName(const QString& name)
{
    return !name.isEmpty() && name != "." && name != ".." && !name.contains('/') && !name.contains(QChar(0));
}

} // namespace

bool GetTessarocSupportFolder(FSRef* folder)
{
    if (!folder)
        return false;
    const std::string dataHome = DataHome();
    if (dataHome.empty() || dataHome[0] != '/')
        return false;
    // The data home itself may be missing on a fresh account.
    for (size_t slash = dataHome.find('/', 1); slash != std::string::npos; slash = dataHome.find('/', slash + 1))
        MakeFolder(dataHome.substr(0, slash));
    return MakeFolderLevels(dataHome, {"Tessaroc Software", "Brevanto"}, folder);
}

bool GetLogsFolder(FSRef* folder)
{
    return folder && GetSupportSubFolder("Logs", folder);
}

bool GetMessageMonitorFolder(FSRef* folder)
{
    return folder && GetSupportSubFolder("MessageMonitor", folder);
}

bool GetReportsFolder(FSRef* folder)
{
    return folder && GetSupportSubFolder("Reports", folder);
}

void OpenReportsFolder()
{
    FSRef reports;
    if (GetReportsFolder(&reports))
        Launcher::Current().Open(QString::fromStdString(reports.path));
}

bool GetTemporaryRoot(std::string* path)
{
    const std::string root = EnvironmentOr("TMPDIR", "/tmp") + "/Brevanto-" + std::to_string(getuid());
    if (mkdir(root.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    if (lstat(root.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid())
        return false;
    if ((info.st_mode & 0777) != 0700 && chmod(root.c_str(), 0700) != 0)
        return false;
    *path = root;
    return true;
}

QString MakeWorkFolder()
{
    std::string root;
    if (!GetTemporaryRoot(&root))
        return {};
    const std::string folder = root + "/" + MakeUUIDName(false).toStdString();
    if (mkdir(folder.c_str(), 0700) != 0)
        return {};
    return QString::fromStdString(folder);
}

QString MakeUUIDName(bool dateDescription)
{
    if (dateDescription)
        return QDateTime::currentDateTimeUtc().toString("yyyy-MM-dd HH:mm:ss") + " +0000";
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

bool WriteStringToFile(const QString& text, const QString& name, FSRef* file)
{
    if (!IsAcceptableName(name))
        return false;
    const QString folder = MakeWorkFolder();
    if (folder.isNull())
        return false;
    const std::string path = (folder + "/" + name).toStdString();
    const QByteArray bytes = text.toUtf8();
    if (WriteWholeFileAtomically(path, bytes.constData(), size_t(bytes.size()), WholeFileMode::CreateIfMissing) != noErr)
        return false;
    FSRef made;
    if (FSPathMakeRef(path, &made) != noErr)
        return false;
    if (file)
        *file = made;
    return true;
}
