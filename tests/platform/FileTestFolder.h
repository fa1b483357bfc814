// A fresh folder per test under the test process's private TMPDIR, with small helpers to put
// and read files. Removed with everything in it when the test ends.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <string>
#include <unistd.h>

class FileTestFolder {
public:
    FileTestFolder() : mDir(QDir::tempPath() + "/files-XXXXXX") {}

    std::string Path() const { return mDir.path().toStdString(); }
    std::string PathOf(const std::string& name) const { return Path() + "/" + name; }

    void Put(const std::string& name, const QByteArray& bytes) const
    {
        QFile file(QString::fromStdString(PathOf(name)));
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(bytes);
    }
    QByteArray Read(const std::string& name) const { return ReadPath(PathOf(name)); }
    static QByteArray ReadPath(const std::string& path)
    {
        QFile file(QString::fromStdString(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    bool Exists(const std::string& name) const { return QFileInfo::exists(QString::fromStdString(PathOf(name))); }
    QStringList Entries() const { return QDir(mDir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System, QDir::Name); }

private:
    QTemporaryDir mDir;
};

// Root may read and write whatever it likes, so permission failures cannot be shown as root.
inline bool CanOverridePermissions() { return geteuid() == 0; }
