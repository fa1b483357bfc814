// ScriptRunner: runs one of the program's bundled scripts, which are executables in the
// bundle's resources/Scripts/ named after the script less ".applescript" or ".scpt". A
// compiled-in script is first copied to a private (0700) file (CFBundle). The script runs
// through ProcessRunner with a 30-second deadline; its standard output is the result.
// The scripts folder and the deadline are replaceable (tests).
// GUI thread or cooperative threads (waiting yields on a cooperative thread). What can fail:
// no such script, a non-zero exit, the deadline (nullopt).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

class ScriptRunner {
public:
    static constexpr std::chrono::milliseconds kDefaultDeadline {30000};

    static std::optional<QByteArray> Run(const QString& scriptName, const QStringList& arguments = {});

    // The script's executable; empty when there is none.
    static QString ExecutableFor(const QString& scriptName);

    // A folder of executables to use instead of the bundle's; empty restores the bundle's.
    static void SetScriptsFolder(const QString& folder);
    static void SetDeadline(std::chrono::milliseconds deadline);
};
