#include "CServersWindow.h"

#include "HelpLinks.h"
#include "LException.h"
#include "NibLoader.h"
#include "WindowEvents.h"

CServersWindow::CServersWindow()
{
    const OSStatus error = NibLoader::CreateNibReference(QStringLiteral("Servers"), mNib);
    if (error != noErr)
        throw LException(error, "the nib \"Servers\" could not be opened");
    mWindow = mNib->CreateWindow(QStringLiteral("ServersWindow"));
    if (!mWindow)
        throw LException(paramErr, mNib->LastError().toStdString());
    WindowEvents::InstallWindowEventHandler(mWindow, [this](WindowEvent& ioEvent) { return HandleEvent(ioEvent); });
    mWindow->show();
    mWindow->raise();
    mWindow->activateWindow();
}

CServersWindow::~CServersWindow()
{
    if (!mWindow)
        return;
    WindowEvents::InstallWindowEventHandler(mWindow, {});
    mWindow->deleteLater(); // it may be delivering the event that closed it
}

void CServersWindow::Cleanup()
{
    if (mClosed)
        return;
    mClosed = true;
    mNib.reset();
    CCleanupObject::Cleanup();
}

OSStatus CServersWindow::HandleEvent(WindowEvent& ioEvent)
{
    if (mClosed)
        return eventNotHandledErr;
    if (ioEvent.kind == WindowEventKind::commandProcess && ioEvent.command == 'HELP') {
        LaunchThroughInternetConfig(HelpFolderURL(QStringLiteral("BrevantoReference.html")));
        return noErr;
    }
    if (ioEvent.kind == WindowEventKind::close)
        Cleanup();
    return eventNotHandledErr;
}

void OpenServersWindow() { new CServersWindow; } // lives until it closes
