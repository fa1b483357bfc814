// CMessageMonitorWindow: the Message Monitor window: the list of recorded hits, newest first, and
// the monitor's status line. Made hidden at start-up; refreshed by the application's one-second
// timer when something marked it for reload. GUI thread only.
#pragma once

class QWidget;

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
    // Before the window goes at quit: keeps its layout in the settings.
    void Cleanup();

    QWidget* mWindow;

private:
    bool mReload = true;
};

// The one monitor window object; made by the start-up, null before.
extern CMessageMonitorWindow* gMessageMonitorWindow;
