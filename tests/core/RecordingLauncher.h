// Test helper: a launcher that records what it was asked to open or reveal instead of
// starting anything, installed while it lives.
#pragma once

#include "Launcher.h"

#include <QStringList>

class RecordingLauncher : public Launcher {
public:
    RecordingLauncher() { Launcher::Install(this); }
    ~RecordingLauncher() override { Launcher::Install(nullptr); }

    bool Open(const QString& pathOrURL) override
    {
        opened += pathOrURL;
        return true;
    }
    OSErr Reveal(const QString& path) override
    {
        revealed += path;
        return noErr;
    }

    QStringList opened;
    QStringList revealed;
};
