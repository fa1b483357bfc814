// MonitorSeams: the least the application needs of the Message Monitor until it is built. The
// model, the store, the log commands and the listener's stop do nothing; starting "runs" a
// listener that is only a flag; the toggle does what the monitor's toggle promises (flag, menu
// mark, alert, the "MessageMonitor" setting); the monitor window is an empty hidden window.
// GUI thread only; nothing fails.
#pragma once

#include "MacTypes.h"

#include <QString>

class CBrevantoApp;
class QWidget;

void CreateMessageMonitorModel(CBrevantoApp& inApplication);
void OpenMessageMonitorStore(CBrevantoApp& inApplication);
// 0; the listener counts as running until StopMessageMonitor.
OSStatus StartMessageMonitor(SInt32 inRequestCount);
void StopMessageMonitor();
bool IsMessageMonitorRunning();
// The listener's "host:port" for the tracking image; empty: no listener address known.
QString CopyMessageMonitorHostAndPort();
// Starts or stops the listener by the environment's monitor flag, inverts the flag, updates the
// menu mark, shows the ON/OFF alert unless quiet and stores "true" or "false" under
// "MessageMonitor".
void ToggleMessageMonitor(bool inQuiet);
void OpenMessageMonitorLog(CBrevantoApp& inApplication);
void RollMessageMonitorLog(CBrevantoApp& inApplication);

// The Message Monitor window: made hidden, with nothing in it yet.
class CMessageMonitorWindow {
public:
    CMessageMonitorWindow();
    ~CMessageMonitorWindow();
    CMessageMonitorWindow(const CMessageMonitorWindow&) = delete;
    CMessageMonitorWindow& operator=(const CMessageMonitorWindow&) = delete;

    // Refreshes the list of requests (the application's one-second timer).
    void SetRequests();
    void UpdateStatusText();

    QWidget* mWindow;
};

// The one monitor window object; made by the start-up, null before.
extern CMessageMonitorWindow* gMessageMonitorWindow;
