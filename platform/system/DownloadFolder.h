// DownloadFolder: the folder downloads go to. It is the program's own choice, the directory
// stored under "DownloadFolder" in the application's preference domain, when that directory
// exists; else the desktop's download directory when it exists. Choosing one changes nothing
// outside the program. GUI thread or any thread the preference store allows.
#pragma once

#include "MacTypes.h"

#include <QString>

inline constexpr char kDownloadFolderKey[] = "DownloadFolder";

// noErr and the folder's absolute path, or fnfErr (-43) when neither folder exists.
OSErr GetDownloadFolder(QString& outFolder);
// Stores the folder's absolute path: noErr, fnfErr when it is not a directory, or the store's
// error.
OSErr SetDownloadFolder(const QString& inFolder);
