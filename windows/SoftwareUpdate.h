// Software update: asks a site whether a newer version exists ("ProductVersions.plist") and
// shows the answer. The site is the base URL under "Software Update Site" (http or https, a
// host and an optional port), or the maker's site; the list is an XML property list whose
// "Brevanto" dictionary holds "CurrentVersion" (an integer with the digits of a version run
// together, or a dotted text "2.1.10"), "ReleaseNotesLocation" (a URL, required) and
// "DownloadLocation" (the archive's URL, optional).
//
// The check never blocks the program: the request runs on its own thread and the check waits
// in the main context's loop behind the "checking" window, so cooperative threads and timers
// go on; it gives up after an overall deadline or when the answer grows past a cap.
// GUI thread only.
#pragma once

#include "MacTypes.h"

#include <QByteArray>
#include <QString>

#include <chrono>

inline constexpr char kSoftwareUpdateSiteKey[] = "Software Update Site";

enum : short { kUpToDate = 1, kUpdateAvailable = 2, kUpdateCheckFailed = 3 };

// What one check learnt; the window that shows the result owns it.
struct CUpdateInfo {
    QString downloadLocation;
    QString releaseNotesLocation;
    SInt32 currentVersion = 0; // the integer form
    QString currentVersionText; // the dotted form; empty for the integer form
    QString releaseNotes;       // fetched for an available update; empty when that failed
};

struct UpdateCheckLimits {
    std::chrono::milliseconds deadline {60000}; // the whole check, each fetch
    SInt32 idleSeconds = 60;                    // no byte for that long ends a fetch
    qint64 maximumBytes = 1 << 20;              // a longer answer fails
};

// Fills the record from the list's bytes; false when it is not such a list.
bool ParseVersionList(CUpdateInfo& ioInfo, const QByteArray& inBytes);
// kUpToDate or kUpdateAvailable for the installed version text ("2.1.3", "2.2b1").
short CompareWithInstalled(const CUpdateInfo& inInfo, const QString& inInstalled);
// The list's address from the setting, or empty when the setting is not a usable site.
QString VersionListURL();

// The check itself: 1, 2 or 3; the "checking" window shows unless silent.
short CheckForUpdate(CUpdateInfo& ioInfo, bool inSilent, const UpdateCheckLimits& inLimits = {});
// The check and the window of its result (silent: only for an available update).
short CheckForUpdates(bool inSilent, const UpdateCheckLimits& inLimits = {});

// Downloads the archive into the download folder on a cooperative thread of its own, with a
// progress window and a result window.
void StartUpdateDownload(const QString& inURL);
