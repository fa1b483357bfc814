// CPreferencesWindow: the one window where the program-wide settings are edited (nib
// "Preferences", window "PreferencesWindow"): a tab control ('PRTT' 1000) over nine panes
// ('PRTB' 1000-1008) whose controls carry the IDs 'PREF' n. Check boxes, popups, the radio
// group, the slider and the arrows store their setting the moment they change; text fields are
// stored when the window closes (Cleanup, also at quit). Some changes apply at once: help tags,
// the log, verbose logging, the priority and character-set popups of the open mailing windows
// and a restart of the Message Monitor. The Blacklist pane imports, exports and clears the
// addresses no mailing sends to.
//
// Only one window exists at a time: gPreferencesWindow names it from construction to
// destruction. The window is deleted through the deferred-deletion list after it closes.
// GUI thread only.
#pragma once

#include "CCleanupObject.h"
#include "UITypes.h"

#include <QString>
#include <QStringList>

#include <memory>

class DataBrowser;
class NibLoader;
struct WindowEvent;

class CPreferencesWindow : public CCleanupObject {
public:
    static constexpr SInt32 kPaneCount = 9;
    static constexpr SInt32 kMonitorPane = 2;
    static constexpr SInt32 kThrottlePane = 3;

    // Builds and shows the window on the last pane used. A nib that cannot be loaded throws
    // LException (gPreferencesWindow stays null, so the next request tries again).
    CPreferencesWindow();
    ~CPreferencesWindow() override;

    // Stores the pane and the text fields, then queues the object for deletion; once only.
    void Cleanup() override;

    // Shows pane 1-9 (anything else shows pane 1).
    void SelectPane(SInt32 inPane);
    SInt32 CurrentPane() const { return mCurrentPane; }
    WindowRef Window() const { return mWindow; }
    void BringToFront();

    // The control 'PREF' inID of this window (null when missing).
    ControlRef Control(SInt32 inID) const;

    // Reads an address list as the import does: lines split at CR LF, LF or CR; a final line end
    // adds no entry; bytes decoded as UTF-8 (a mark dropped), UTF-16 with a mark, or else
    // Windows-1252.
    static QStringList ReadAddressLines(const QByteArray& inBytes);

private:
    OSStatus HandleEvent(WindowEvent& ioEvent);
    bool HandleCommand(CommandT inCommand);
    void LoadControls();
    void LoadFlags();
    void LoadTexts();
    void LoadChoices();
    void InstallTabs();
    void InstallBlacklist();
    void InstallSliderAndArrows();
    void StoreTexts();
    void RegroupThrottle(SInt32 inType);
    void ApplyFlagEffect(CommandT inCommand, bool inOn);
    void StoreFlag(CommandT inCommand);
    void StoreChoice(CommandT inCommand);
    void StoreSlider();
    void StoreArrows();
    void ShowDownloadFolder();
    void ChooseDownloadFolder();
    void RestartMessageMonitor();
    void OpenHelp();
    void FillBlacklist();
    void StoreBlacklist();
    void ImportBlacklist();
    void ExportBlacklist();
    void ClearBlacklist();
    void EnableGroup(std::initializer_list<ControlRef> inControls, bool inEnabled);

    std::unique_ptr<NibLoader> mNib;
    WindowRef mWindow = nullptr;
    SInt32 mCurrentPane = 1;
    bool mClosed = false;
};

// The open preferences window, or null.
extern CPreferencesWindow* gPreferencesWindow;

// The existing window to the front, or a new one (which may throw, see above).
void OpenPreferencesWindow();
// The same, on the Message Monitor pane.
void ShowPreferencesWindow();
