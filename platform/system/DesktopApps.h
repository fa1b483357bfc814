// DesktopApps: the user's applications as the desktop lists them: desktop entries (Name, Icon,
// Exec, Hidden) in $XDG_DATA_HOME/applications and $XDG_DATA_DIRS/*/applications (the first
// folder holding an id wins), and the default application of a MIME type (then of its
// ancestors) or of a URL scheme (x-scheme-handler/<scheme>): the [Default Applications] of the
// mimeapps.list files ($XDG_CONFIG_HOME, $XDG_CONFIG_DIRS, then the application folders), then
// their [Added Associations], then the mimeinfo.cache files. Hidden entries count as absent.
// Everything is read afresh from the XDG variables at each call (tests point them at fixtures).
// Launch starts an entry's Exec (split by the Desktop Entry quoting rules, field codes dropped)
// on its own, never through a shell.
// Any thread (file reads only; Launch starts a process). What can fail: nothing found (nullopt),
// an entry that cannot start (Launch false).
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct DesktopEntry {
    QString id;    // "firefox.desktop"
    QString path;  // the .desktop file
    QString name;
    QString icon;  // a theme icon name or an absolute path
    QString exec;
    bool hidden = false;
};

class DesktopApps {
public:
    static std::optional<DesktopEntry> DefaultForMimeType(const QString& mimeType);
    static std::optional<DesktopEntry> DefaultForScheme(const QString& scheme);

    static std::optional<DesktopEntry> FindById(const QString& id);
    // The first entry whose Name equals `name`, case ignored.
    static std::optional<DesktopEntry> FindByName(const QString& name);
    static QList<DesktopEntry> AllEntries();
    // The entry in one .desktop file, wherever it lies; nullopt when it cannot be read.
    static std::optional<DesktopEntry> ReadFile(const QString& path);

    // The Exec value as an argument vector: quoting and escapes resolved, field codes
    // (%f %F %u %U %i %c %k ...) dropped, "%%" read as "%" (also inside quotes). Empty for an
    // unbalanced quote.
    static QStringList SplitExec(const QString& exec);
    // Starts the entry's program detached; false when it has none or it cannot start.
    static bool Launch(const DesktopEntry& entry);

    // $XDG_DATA_HOME/applications, then each $XDG_DATA_DIRS folder's applications.
    static QStringList ApplicationFolders();
};
