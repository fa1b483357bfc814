#include "CFPreferenceDomain.h"

#include "CFBundle.h"
#include "CFPreferenceFile.h"

#include <QDir>
#include <QMutex>
#include <QMutexLocker>

#include <map>
#include <memory>

namespace {

QMutex gFilesLock;

// Every preference file the process has used, by path; never shrinks (a handful of domains).
CFPreferenceFile& FileAt(const QString& path)
{
    static std::map<QString, std::unique_ptr<CFPreferenceFile>> files;
    std::unique_ptr<CFPreferenceFile>& file = files[path];
    if (!file)
        file = std::make_unique<CFPreferenceFile>(path);
    return *file;
}

QString CurrentUserFolder()
{
    const QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!configHome.isEmpty() && QDir::isAbsolutePath(configHome))
        return configHome;
    return QDir::homePath() + QStringLiteral("/.config");
}

QString AnyUserFolder()
{
    const QStringList folders = qEnvironmentVariable("XDG_CONFIG_DIRS").split(u':', Qt::SkipEmptyParts);
    for (const QString& folder : folders) {
        if (QDir::isAbsolutePath(folder))
            return folder;
    }
    return QStringLiteral("/etc/xdg");
}

QString ApplicationDomainName()
{
    const QString identifier = CFBundle::Main().Identifier();
    return identifier.isEmpty() ? QStringLiteral("Brevanto") : identifier;
}

} // namespace

CFPreferenceDomain::CFPreferenceDomain(const QString& name, Scope scope) : mName(name), mScope(scope) {}

CFPreferenceDomain CFPreferenceDomain::Application()
{
    return CFPreferenceDomain(ApplicationDomainName(), Scope::CurrentUser);
}

CFPreferenceDomain CFPreferenceDomain::AnyUserApplication()
{
    return CFPreferenceDomain(ApplicationDomainName(), Scope::AnyUser);
}

QString CFPreferenceDomain::FilePath() const
{
    const QString folder = mScope == Scope::CurrentUser ? CurrentUserFolder() : AnyUserFolder();
    return folder + QStringLiteral("/Brevanto/") + mName + QStringLiteral(".plist");
}

CFPropertyList CFPreferenceDomain::CopyValue(const QString& key) const
{
    QMutexLocker lock(&gFilesLock);
    return FileAt(FilePath()).Value(key);
}

OSStatus CFPreferenceDomain::SetValue(const QString& key, const CFPropertyList& value) const
{
    QMutexLocker lock(&gFilesLock);
    return FileAt(FilePath()).SetValue(key, value);
}

OSStatus CFPreferenceDomain::Synchronize() const
{
    QMutexLocker lock(&gFilesLock);
    return FileAt(FilePath()).Synchronize();
}

QString CFPreferenceDomain::LastError() const
{
    QMutexLocker lock(&gFilesLock);
    return FileAt(FilePath()).LastError();
}
