// CMessageMonitorWindow: the Message Monitor window of the nib "Brevanto": the recorded hits,
// newest first, and the monitor's status line; exports the hits as CSV text, keeps its column
// layout and bounds in the settings, and restarts the monitor when this computer's IPv4
// addresses change (so new tracking addresses carry the new one). Made hidden at start-up and
// refreshed by the application's one-second timer when something marked it for reload; closing
// only hides it. GUI thread only (MarkForReload is a one-byte flag any thread may set).
#pragma once

#include "MonitorStore.h"
#include "UITypes.h"

#include <QString>

#include <atomic>
#include <memory>
#include <vector>

class DataBrowser;
class InterfaceAddressWatch;
class NibLoader;
class QWidget;
struct WindowEvent;

class CMessageMonitorWindow {
public:
    CMessageMonitorWindow();
    ~CMessageMonitorWindow();
    CMessageMonitorWindow(const CMessageMonitorWindow&) = delete;
    CMessageMonitorWindow& operator=(const CMessageMonitorWindow&) = delete;

    // Reloads the list when it was marked for reload (the application's one-second timer).
    void SetRequests();
    void MarkForReload() { mReload = true; }
    void ClearRequests();
    void UpdateStatusText();
    // The command "Export...": the rows as CSV text in a file the user names.
    void ExportRequests();
    // Before the window goes at quit: keeps the list's layout in the settings.
    void Cleanup();

    DataBrowser* Browser() const { return mBrowser; }
    InterfaceAddressWatch* AddressWatch() const { return mWatch.get(); }

    QWidget* mWindow = nullptr;

private:
    OSStatus HandleEvent(WindowEvent& ioEvent);
    void SetUpBrowser();
    void Reload();
    void SaveState();
    void RestartOnAddressChange();

    std::unique_ptr<NibLoader> mNib;
    DataBrowser* mBrowser = nullptr;
    QWidget* mStatus = nullptr;
    std::vector<MonitorRecord> mRequests;
    std::unique_ptr<InterfaceAddressWatch> mWatch;
    std::atomic<bool> mReload {true};
    bool mBusy = false;
};

// The one monitor window object; made by the start-up, null before.
extern CMessageMonitorWindow* gMessageMonitorWindow;

// The 'MIDP' column: a mailing identifier that reads as "2008-03-01 14:05:09 +0100" shown as
// "Sat 01 Mar, 2008 02:05:09 PM (+0100)" in its own zone; empty for anything else.
QString MailerIDDateText(const QString& inMailerID);
// One CSV line: address (from "Name <address>"), name, subject, date; a field holding a comma, a
// double quote, CR or LF is quoted with its quotes doubled.
QString ExportLine(const MonitorRecord& inRecord);
