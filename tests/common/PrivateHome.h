// PrivateHome: a fresh folder for the settings and data one test writes. While it lives, the
// user's configuration folder (XDG_CONFIG_HOME), the any-user configuration folders
// (XDG_CONFIG_DIRS) and the data folder (XDG_DATA_HOME) point into it, at <root>/config,
// <root>/system and <root>/data: preference domains, the Logs folder and the recent items start
// empty, and the preference cache (kept per file path) starts afresh. The variables are given
// back as they were when it goes, and the folder is removed. Test thread only.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <array>

class PrivateHome {
public:
    PrivateHome() : mFolder(QDir::tempPath() + "/home-XXXXXX")
    {
        for (Saved& saved : mSaved) {
            saved.wasSet = qEnvironmentVariableIsSet(saved.name);
            saved.value = qgetenv(saved.name);
        }
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(ConfigFolder()));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(SystemConfigFolder()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(DataFolder()));
    }
    ~PrivateHome()
    {
        for (const Saved& saved : mSaved) {
            if (saved.wasSet)
                qputenv(saved.name, saved.value);
            else
                qunsetenv(saved.name);
        }
    }
    PrivateHome(const PrivateHome&) = delete;
    PrivateHome& operator=(const PrivateHome&) = delete;

    bool IsValid() const { return mFolder.isValid(); }
    QString Root() const { return mFolder.path(); }
    QString Path(const QString& sub) const { return mFolder.path() + "/" + sub; }
    QString ConfigFolder() const { return Path("config"); }
    QString SystemConfigFolder() const { return Path("system"); }
    QString DataFolder() const { return Path("data"); }

private:
    struct Saved {
        const char* name;
        bool wasSet = false;
        QByteArray value;
    };
    QTemporaryDir mFolder;
    std::array<Saved, 3> mSaved {{{"XDG_CONFIG_HOME", false, {}}, {"XDG_CONFIG_DIRS", false, {}}, {"XDG_DATA_HOME", false, {}}}};
};
