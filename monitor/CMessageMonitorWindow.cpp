#include "CMessageMonitorWindow.h"

#include <QWidget>

CMessageMonitorWindow* gMessageMonitorWindow = nullptr;

CMessageMonitorWindow::CMessageMonitorWindow()
    : mWindow(new QWidget)
{
    mWindow->setWindowTitle(QStringLiteral("Message Monitor"));
    mWindow->setObjectName(QStringLiteral("MessageMonitor"));
}

CMessageMonitorWindow::~CMessageMonitorWindow() { delete mWindow; }

void CMessageMonitorWindow::SetRequests() { mReload = false; }

void CMessageMonitorWindow::ClearRequests() {}

void CMessageMonitorWindow::UpdateStatusText() {}

void CMessageMonitorWindow::Cleanup() {}
