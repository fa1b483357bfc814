#include "CFBundle.h"

#include "CFPropertyListReader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QTemporaryDir>
#include <QtDebug>

#include <map>
#include <memory>

namespace {

const QString kInfoPath = QStringLiteral(":/Info.plist");

QMutex gMaterializeLock;

// Real files made for resources in this run, by resource path.
std::map<QString, QString>& MaterializedFiles()
{
    static std::map<QString, QString> files;
    return files;
}

// The private folder for materialised resources, made at first use; null when it cannot be.
QTemporaryDir* MaterializeFolder()
{
    static std::unique_ptr<QTemporaryDir> folder;
    if (!folder) {
        folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/brevanto-resources-XXXXXX"));
        QFile::setPermissions(folder->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    return folder->isValid() ? folder.get() : nullptr;
}

QString MaterializeLocked(const QString& resource)
{
    auto known = MaterializedFiles().find(resource);
    if (known != MaterializedFiles().end())
        return known->second;
    QTemporaryDir* folder = MaterializeFolder();
    QFile source(resource);
    if (!folder || !source.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = source.readAll();
    const QString path = folder->path() + resource.mid(1); // ":/a/b.txt" -> "<folder>/a/b.txt"
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush()) {
        qWarning().noquote() << "Bundle: cannot make a file for" << resource << ":" << file.errorString();
        file.remove();
        return {};
    }
    file.close();
    QFileDevice::Permissions mode = QFileDevice::ReadOwner;
    if (bytes.startsWith("#!"))
        mode |= QFileDevice::ExeOwner;
    file.setPermissions(mode);
    MaterializedFiles()[resource] = path;
    return path;
}

} // namespace

CFBundle::CFBundle()
{
    QFile file(kInfoPath);
    QString error = QStringLiteral("missing");
    if (file.open(QIODevice::ReadOnly))
        mInfo = CFPropertyListReader::Read(file.readAll(), &error);
    if (!mInfo.IsDictionary()) {
        qWarning().noquote() << "Bundle: Info.plist cannot be read:" << error;
        mInfo = CFPropertyList::Dictionary();
    }
}

const CFBundle& CFBundle::Main()
{
    static const CFBundle bundle;
    return bundle;
}

QString CFBundle::Identifier() const
{
    return mInfo.Value(QStringLiteral("CFBundleIdentifier")).ToString();
}

QString CFBundle::ResourcePath(const QString& name, const QString& extension, const QString& subfolder) const
{
    if (name.isEmpty() || name.contains(u'/'))
        return {};
    QString path = QStringLiteral(":/");
    if (!subfolder.isEmpty())
        path += subfolder + u'/';
    path += name;
    if (!extension.isEmpty())
        path += u'.' + extension;
    const QFileInfo info(path);
    return info.exists() && info.isFile() ? path : QString();
}

std::optional<QByteArray> CFBundle::ReadResource(const QString& name, const QString& extension,
                                                 const QString& subfolder) const
{
    QFile file(ResourcePath(name, extension, subfolder));
    if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

QString CFBundle::MaterializedResourcePath(const QString& name, const QString& extension,
                                           const QString& subfolder) const
{
    const QString resource = ResourcePath(name, extension, subfolder);
    if (resource.isEmpty())
        return {};
    QMutexLocker lock(&gMaterializeLock);
    return MaterializeLocked(resource);
}

namespace {
QString& PrivateFrameworksOverride()
{
    static QString folder;
    return folder;
}
} // namespace

QString CFBundle::PrivateFrameworksPath() const
{
    if (!PrivateFrameworksOverride().isEmpty())
        return PrivateFrameworksOverride();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
}

void CFBundle::SetPrivateFrameworksPath(const QString& folder) { PrivateFrameworksOverride() = folder; }

QString CFBundle::AuxiliaryExecutablePath(const QString& name) const
{
    if (name.isEmpty() || name.contains(u'/'))
        return {};
    const QString folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    const QFileInfo executable(folder + u'/' + name);
    return executable.isFile() && executable.isExecutable() ? executable.filePath() : QString();
}
