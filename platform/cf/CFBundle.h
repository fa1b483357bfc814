// CFBundle: the program's bundle, the stand-in for the Core Foundation bundle calls the program
// makes: its Info.plist (identifier, name, versions), its resources and its auxiliary executables.
//
// Resources are compiled into the program under ":/" (the resources/ folder of the source tree);
// Info.plist is ":/Info.plist", read once with CFPropertyListReader (an unreadable one gives an
// empty dictionary, reported). A caller that needs a real path (a sound player, a script runner)
// gets a file materialised once per run in a private 0700 folder under the temporary folder,
// removed at exit; materialised files are read-only, executable when they start with "#!".
// Auxiliary executables are looked for beside the running executable.
//
// Any thread may call; materialising is serialised. Failures answer empty paths or nullopt.
#pragma once

#include "CFPropertyList.h"

#include <QByteArray>
#include <QString>

#include <optional>

class CFBundle {
public:
    static const CFBundle& Main();

    QString Identifier() const; // CFBundleIdentifier, empty when missing
    CFPropertyList InfoDictionary() const { return mInfo; }
    CFPropertyList ValueForInfoDictionaryKey(const QString& key) const { return mInfo.Value(key); }

    // The ":/" path of the resource name.extension (no extension: the name as it stands), in the
    // given sub-folder of the resources; empty when the bundle has no such resource.
    QString ResourcePath(const QString& name, const QString& extension, const QString& subfolder = {}) const;
    std::optional<QByteArray> ReadResource(const QString& name, const QString& extension,
                                           const QString& subfolder = {}) const;
    // A real file holding the resource's bytes; empty when there is no such resource or the file
    // cannot be made.
    QString MaterializedResourcePath(const QString& name, const QString& extension,
                                     const QString& subfolder = {}) const;

    // The executable of that name beside the running program; empty when there is none.
    QString AuxiliaryExecutablePath(const QString& name) const;
    // The folder of the program's private loadable modules: the running program's own folder,
    // or the one a test set (SetPrivateFrameworksPath; empty restores the default).
    QString PrivateFrameworksPath() const;
    static void SetPrivateFrameworksPath(const QString& folder);

private:
    CFBundle();

    CFPropertyList mInfo;
};
