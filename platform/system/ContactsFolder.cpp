#include "ContactsFolder.h"

#include "MacDates.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

std::optional<int64_t> ModificationSeconds(const QString& path)
{
    struct stat info {};
    if (stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return UnixToMacSeconds(info.st_mtim.tv_sec);
}

} // namespace

QString ContactsFolder::Path()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (!dataHome.startsWith('/'))
        dataHome = qEnvironmentVariable("HOME") + "/.local/share";
    return dataHome + "/Brevanto/Contacts";
}

std::optional<int64_t> ContactsFolder::ModificationStamp()
{
    const QString folder = Path();
    std::optional<int64_t> newest = ModificationSeconds(folder);
    if (!newest)
        return std::nullopt;
    for (const QString& name : QDir(folder).entryList({"*.vcf"}, QDir::Files)) {
        if (const auto seconds = ModificationSeconds(folder + "/" + name); seconds && *seconds > *newest)
            newest = seconds;
    }
    return newest;
}
