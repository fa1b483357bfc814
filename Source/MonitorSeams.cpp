#include "MonitorSeams.h"

#include "CBrevantoApp.h"
#include "CEnvironment.h"
#include "PreferenceGetters.h"
#include "Preferences.h"

#include <QWidget>

CMessageMonitorWindow* gMessageMonitorWindow = nullptr;

namespace {
bool gListenerRunning = false;
}

void CreateMessageMonitorModel(CBrevantoApp&) {}

void OpenMessageMonitorStore(CBrevantoApp&) {}

OSStatus StartMessageMonitor(SInt32)
{
    gListenerRunning = true;
    return noErr;
}

void StopMessageMonitor() { gListenerRunning = false; }

bool IsMessageMonitorRunning() { return gListenerRunning; }

QString CopyMessageMonitorHostAndPort() { return QString(); }

void ToggleMessageMonitor(bool inQuiet)
{
    if (!gEnvironment)
        return;
    if (gEnvironment->monitorOn)
        StopMessageMonitor();
    else
        StartMessageMonitor(24);
    gEnvironment->monitorOn = !gEnvironment->monitorOn;
    UpdateMessageMonitorMenuMark();
    const bool on = gEnvironment->monitorOn != 0;
    if (!inQuiet) {
        if (on)
            ShowAlert(QStringLiteral("Message Monitor: ON"),
                      QStringLiteral("Brevanto will now monitor the delivery of HTML messages. Note that plain "
                                     "text messages can not be monitored."));
        else
            ShowAlert(QStringLiteral("Message Monitor: OFF"),
                      QStringLiteral("Brevanto will not monitor the delivery of messages"));
    }
    if (gMessageMonitorWindow)
        gMessageMonitorWindow->UpdateStatusText();
    SetPreference(on ? "true" : "false", CString256(kMessageMonitorKey));
}

void OpenMessageMonitorLog(CBrevantoApp&) {}

void RollMessageMonitorLog(CBrevantoApp&) {}

CMessageMonitorWindow::CMessageMonitorWindow()
    : mWindow(new QWidget)
{
    mWindow->setWindowTitle(QStringLiteral("Message Monitor"));
    mWindow->setObjectName(QStringLiteral("MessageMonitor"));
}

CMessageMonitorWindow::~CMessageMonitorWindow() { delete mWindow; }

void CMessageMonitorWindow::SetRequests() {}

void CMessageMonitorWindow::UpdateStatusText() {}
