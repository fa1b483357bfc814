// CFPreferenceDomain: a named set of settings of any property-list type, kept in one XML
// property-list file, the stand-in for the Core Foundation preference calls (copy, set, remove,
// synchronise a value of an application domain).
//
// Where the files are: a current-user domain is $XDG_CONFIG_HOME/Brevanto/<name>.plist
// (~/.config when unset); the any-user, current-host domain is <first folder of $XDG_CONFIG_DIRS,
// /etc/xdg when unset>/Brevanto/<name>.plist. The environment is read at every call, so a
// domain follows it. The application's domains are named by the bundle identifier.
//
// Every change is synchronised at once and atomically (see CFPreferenceFile): no batching, no
// deferred save; a failure is reported and answered, and the old file stays. A value is read from
// the file as it is on disk now: another process's change is seen at the next call.
//
// Any thread may call; one lock serialises all domains of the process.
#pragma once

#include "CFPropertyList.h"
#include "MacTypes.h"

#include <QString>

class CFPreferenceDomain {
public:
    enum class Scope { CurrentUser, AnyUser };

    CFPreferenceDomain(const QString& name, Scope scope);

    // The current application's domain for the current user (the normal case).
    static CFPreferenceDomain Application();
    // The current application's domain for any user and the current host.
    static CFPreferenceDomain AnyUserApplication();

    QString FilePath() const;

    // The value under key; null when absent (or when the file cannot be read).
    CFPropertyList CopyValue(const QString& key) const;
    // Sets the key (a null value removes it) and writes the domain at once: 0 or the error.
    OSStatus SetValue(const QString& key, const CFPropertyList& value) const;
    OSStatus RemoveValue(const QString& key) const { return SetValue(key, CFPropertyList()); }
    // Re-reads the domain if its file changed: 0, or the error that kept it from being read.
    OSStatus Synchronize() const;
    // The last failure reported for this domain's file; empty after a success.
    QString LastError() const;

private:
    QString mName;
    Scope mScope;
};
