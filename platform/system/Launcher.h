// Launcher: hands files and URLs to the user's desktop. Open gives one absolute path or URL to
// `xdg-open` (started on its own, never waited for); Reveal asks the file manager to show an
// item (org.freedesktop.FileManager1.ShowItems on the session bus, the item travelling only as
// a file:// URI argument), and opens the folder holding it when no file manager answers.
// Tests install a recording launcher in place of the desktop one (Install).
// GUI thread. What can fail: a text that is neither an absolute path nor a URL, or one that
// starts with "-" (Open false); a missing item (Reveal fnfErr, -43).
#pragma once

#include "MacTypes.h"

#include <QString>

class Launcher {
public:
    virtual ~Launcher() = default;

    // True when the opener was started.
    virtual bool Open(const QString& pathOrURL);
    virtual OSErr Reveal(const QString& path);

    // The launcher in use: the desktop one unless a test installed another.
    static Launcher& Current();
    // Installs `launcher` (not owned; null restores the desktop one).
    static void Install(Launcher* launcher);

    // True for an absolute path or a text with a URL scheme, never for one starting with "-".
    static bool IsOpenableText(const QString& pathOrURL);

protected:
    // The D-Bus request; false when no file manager took it.
    virtual bool AskFileManagerToShow(const QString& fileURI);
};
