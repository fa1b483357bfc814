// The software-update windows of the nib "SoftwareUpdate": the "checking" window shown during a
// check, one window for each of its three results, and the result of a download. Each window
// that closes by a command is deleted through the deferred-deletion list; a close by the window
// manager (or Esc) counts as its "no"/"ok" button. GUI thread only.
#pragma once

#include "CCleanupObject.h"
#include "SoftwareUpdate.h"
#include "UITypes.h"

#include <memory>

class CSoftwareUpdaterThread;
class NibLoader;
struct WindowEvent;

// One window of the nib, shown at construction; a missing nib or window leaves it null.
class CUpdateWindow : public CCleanupObject {
public:
    explicit CUpdateWindow(const char* inWindowName);
    ~CUpdateWindow() override;

    // Hides the window and queues the object; once only.
    void Cleanup() override;
    WindowRef Window() const { return mWindow; }

protected:
    // A command of the window's buttons; a close from outside arrives as inCloseCommand.
    virtual void HandleCommand(CommandT inCommand) = 0;
    void SetCloseCommand(CommandT inCommand) { mCloseCommand = inCommand; }

private:
    OSStatus HandleEvent(WindowEvent& ioEvent);

    std::unique_ptr<NibLoader> mNib;
    WindowRef mWindow = nullptr;
    CommandT mCloseCommand = 'ok  ';
    bool mClosed = false;
};

// Shown while a check runs; its owner deletes it. Closing it asks the check to give up.
class CCheckingForSoftwareWindow {
public:
    CCheckingForSoftwareWindow();
    ~CCheckingForSoftwareWindow();
    WindowRef Window() const { return mWindow; }
    bool CloseRequested() const { return mCloseRequested; }

private:
    std::unique_ptr<NibLoader> mNib;
    WindowRef mWindow = nullptr;
    bool mCloseRequested = false;
};

// The three results; each owns the record of its check.
class CUpToDateWindow : public CUpdateWindow {
public:
    explicit CUpToDateWindow(std::unique_ptr<CUpdateInfo> inInfo);

protected:
    void HandleCommand(CommandT inCommand) override;
    std::unique_ptr<CUpdateInfo> mInfo;
};

class CUpdateCheckFailedWindow : public CUpdateWindow {
public:
    explicit CUpdateCheckFailedWindow(std::unique_ptr<CUpdateInfo> inInfo);

protected:
    void HandleCommand(CommandT inCommand) override;
    std::unique_ptr<CUpdateInfo> mInfo;
};

// Download ('yes '), not now ('no  '), or save the release notes ('SAVE'), which it shows
// read-only.
class CUpdateAvailableWindow : public CUpdateWindow {
public:
    explicit CUpdateAvailableWindow(std::unique_ptr<CUpdateInfo> inInfo);
    const CUpdateInfo& Info() const { return *mInfo; }

protected:
    void HandleCommand(CommandT inCommand) override;

private:
    void SaveReleaseNotes();
    std::unique_ptr<CUpdateInfo> mInfo;
};

// The download's progress: a bar ('CNTL' 128) and Cancel ('not!', also a close from outside).
// The download thread owns it.
class CDownloadUpdateWindow {
public:
    explicit CDownloadUpdateWindow(CSoftwareUpdaterThread* inThread);
    ~CDownloadUpdateWindow();
    WindowRef Window() const { return mWindow; }
    void SetRange(SInt32 inMinimum, SInt32 inMaximum);
    void SetValue(SInt32 inValue);
    void SetDeterminate(bool inDeterminate);

private:
    std::unique_ptr<NibLoader> mNib;
    WindowRef mWindow = nullptr;
    ControlRef mBar = nullptr;
};

// The end of a download: the message ('CNTL' 1) and OK, which opens the archive after a
// successful download.
class CUpdateResultWindow : public CUpdateWindow {
public:
    CUpdateResultWindow(bool inSucceeded, bool inCancelled, const QString& inPath);
    static QString MessageFor(bool inSucceeded, bool inCancelled, const QString& inPath);

protected:
    void HandleCommand(CommandT inCommand) override;

private:
    bool mSucceeded;
    QString mPath;
};
