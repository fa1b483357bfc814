// RunFolder: the private folder of one browser run, "<root>/pictavor-<pid>-<random>", mode 0700,
// holding the browser's profile, home, configuration, cache, data and temporary folders.
// It is removed when the run ends (Remove, or the destructor). Run folders left in the root by
// processes that no longer exist (a killed run) are removed before a new one is made.
// The root itself is the caller's private temporary folder.
// The browser makes a local socket inside its temporary folder, and socket paths hold at most
// 107 bytes: when the run folder's "tmp" is too deep for that, the temporary folder is a fresh
// "/tmp/pictavor-<pid>-XXXXXX" (mkdtemp: 0700, an unguessable name), removed with the run.
// One thread (the caller's); what can fail: the folder cannot be made (Create answers false).
#pragma once

#include <QString>

class RunFolder {
public:
    RunFolder() = default;
    ~RunFolder() { Remove(); }
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    // Removes the dead runs' folders in `root`, then makes this run's folder with its
    // sub-folders. False (with a text) when it cannot be made.
    bool Create(const QString& root, QString* error);
    // Removes the folder and all it holds (links are removed, never followed).
    void Remove();

    const QString& Path() const { return fPath; }
    // The browser's temporary folder (see above).
    const QString& TempPath() const { return fTempPath; }
    QString Sub(const char* name) const { return fPath + QLatin1Char('/') + QLatin1StringView(name); }

    static void RemoveDeadRunFolders(const QString& root);

    // Longest temporary folder path under which the browser's socket path still fits.
    static constexpr int kMaxTempPathBytes = 62;

private:
    bool MakeTempFolder(QString* error);

    QString fPath;
    QString fTempPath;
};
