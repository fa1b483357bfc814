// WorkingFolders: the program's own folders. The support folder
// ($XDG_DATA_HOME/Tessaroc Software/Brevanto, with "Logs", "MessageMonitor" and "Reports" in
// it) is made level by level when missing. The temporary root ($TMPDIR, else /tmp, +
// "/Brevanto-" + the user's id, mode 0700) is used only when it is a real folder owned by this
// user: a link or another user's folder planted there makes every conversion fail rather than
// write through it. Each conversion gets a new work folder in the root, named by an upper-case
// UUID; nothing here removes one.
// Any thread (plain file-system calls); what can fail: the folders cannot be made (false / null).
#pragma once

#include "FSRef.h"

#include <QString>

#include <string>

bool GetTessarocSupportFolder(FSRef* folder);
bool GetLogsFolder(FSRef* folder);
bool GetMessageMonitorFolder(FSRef* folder);
bool GetReportsFolder(FSRef* folder);

// Makes the reports folder when needed and shows it in the file manager.
void OpenReportsFolder();

// The temporary root's path, made when missing; false when it is unusable (see above).
bool GetTemporaryRoot(std::string* path);

// The POSIX path of a new work folder; null on failure.
QString MakeWorkFolder();

// `dateDescription` clear: a new UUID in its 36-character upper-case form. Set: the current
// date as "YYYY-MM-DD HH:MM:SS +0000" (UTC).
QString MakeUUIDName(bool dateDescription);

// Writes `text` as UTF-8 to a file named `name` in a new work folder (whole, through a
// temporary file). A name that is empty, ".", ".." or holds "/" or NUL is refused. True when
// written and `file` (may be null) names it.
bool WriteStringToFile(const QString& text, const QString& name, FSRef* file);
