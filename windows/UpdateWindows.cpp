#include "UpdateWindows.h"

#include "AlertHelpers.h"
#include "CSoftwareUpdaterThread.h"
#include "ControlValues.h"
#include "Launcher.h"
#include "ControlLookup.h"
#include "NibLoader.h"
#include "Presenter.h"
#include "WholeFileWrite.h"
#include "WindowEvents.h"

#include <QFileInfo>
#include <QTextEdit>

namespace {
constexpr char kNibName[] = "SoftwareUpdate";
constexpr CommandT kOK = 'ok  ', kYes = 'yes ', kNo = 'no  ', kSave = 'SAVE';

WindowRef MakeWindow(std::unique_ptr<NibLoader>& outNib, const char* inWindowName)
{
    if (NibLoader::CreateNibReference(QString::fromLatin1(kNibName), outNib) != noErr)
        return nullptr;
    WindowRef window = outNib->CreateWindow(QString::fromLatin1(inWindowName));
    if (window) {
        window->show();
        window->raise();
        window->activateWindow();
    }
    return window;
}
} // namespace

CUpdateWindow::CUpdateWindow(const char* inWindowName)
    : mWindow(MakeWindow(mNib, inWindowName))
{
    if (mWindow)
        WindowEvents::InstallWindowEventHandler(mWindow, [this](WindowEvent& ioEvent) { return HandleEvent(ioEvent); });
}

CUpdateWindow::~CUpdateWindow()
{
    if (!mWindow)
        return;
    WindowEvents::InstallWindowEventHandler(mWindow, {});
    mWindow->deleteLater(); // it may be delivering the event that closed it
}

void CUpdateWindow::Cleanup()
{
    if (mClosed)
        return;
    mClosed = true;
    if (mWindow)
        mWindow->hide();
    CCleanupObject::Cleanup();
}

OSStatus CUpdateWindow::HandleEvent(WindowEvent& ioEvent)
{
    if (mClosed)
        return eventNotHandledErr;
    if (ioEvent.kind == WindowEventKind::commandProcess) {
        HandleCommand(ioEvent.command);
        return noErr;
    }
    if (ioEvent.kind == WindowEventKind::close) {
        HandleCommand(mCloseCommand);
        return eventNotHandledErr;
    }
    return eventNotHandledErr;
}

CCheckingForSoftwareWindow::CCheckingForSoftwareWindow()
    : mWindow(MakeWindow(mNib, "CheckingForSoftwareWindow"))
{
    if (!mWindow)
        return;
    WindowEvents::InstallWindowEventHandler(mWindow, [this](WindowEvent& ioEvent) {
        if (ioEvent.kind != WindowEventKind::close)
            return OSStatus(eventNotHandledErr);
        mCloseRequested = true; // the check ends and deletes the window
        return OSStatus(noErr);
    });
}

CCheckingForSoftwareWindow::~CCheckingForSoftwareWindow()
{
    if (!mWindow)
        return;
    WindowEvents::InstallWindowEventHandler(mWindow, {});
    mWindow->hide();
    mWindow->deleteLater();
}

CUpToDateWindow::CUpToDateWindow(std::unique_ptr<CUpdateInfo> inInfo)
    : CUpdateWindow("UpToDateWindow")
    , mInfo(std::move(inInfo))
{
}

void CUpToDateWindow::HandleCommand(CommandT inCommand)
{
    if (inCommand == kOK)
        Cleanup();
}

CUpdateCheckFailedWindow::CUpdateCheckFailedWindow(std::unique_ptr<CUpdateInfo> inInfo)
    : CUpdateWindow("UpdateCheckFailedWindow")
    , mInfo(std::move(inInfo))
{
}

void CUpdateCheckFailedWindow::HandleCommand(CommandT inCommand)
{
    if (inCommand == kOK)
        Cleanup();
}

CUpdateAvailableWindow::CUpdateAvailableWindow(std::unique_ptr<CUpdateInfo> inInfo)
    : CUpdateWindow("UpdateAvailableWindow")
    , mInfo(std::move(inInfo))
{
    SetCloseCommand(kNo);
    // The notes are shown as plain text: nothing in them is fetched or followed.
    if (auto* notes = qobject_cast<QTextEdit*>(ControlLookup::FindControl(Window(), 'CNTL', 2)))
        notes->setPlainText(mInfo->releaseNotes);
}

void CUpdateAvailableWindow::HandleCommand(CommandT inCommand)
{
    switch (inCommand) {
    case kYes:
        StartUpdateDownload(mInfo->downloadLocation);
        Cleanup();
        break;
    case kNo:
        Cleanup();
        break;
    case kSave:
        SaveReleaseNotes();
        break;
    default:
        break;
    }
}

void CUpdateAvailableWindow::SaveReleaseNotes()
{
    const std::optional<QString> path = Presenter::Get().AskSaveFile(
        QStringLiteral("Save Release Notes"), QStringLiteral("Brevanto Release Notes.html"), nullptr);
    if (!path)
        return;
    const QByteArray bytes = mInfo->releaseNotes.toUtf8();
    const OSErr error = WriteWholeFileAtomically(path->toUtf8().toStdString(), bytes.constData(), size_t(bytes.size()),
                                                 WholeFileMode::ReplaceAsNew);
    if (error != noErr)
        ShowStandardAlert(QStringLiteral("The release notes could not be saved to \"%1\".").arg(*path),
                          QStringLiteral("The file could not be written (error %1).").arg(error));
}

CDownloadUpdateWindow::CDownloadUpdateWindow(CSoftwareUpdaterThread* inThread)
    : mWindow(MakeWindow(mNib, "DownloadUpdateWindow"))
{
    if (!mWindow)
        return;
    mBar = ControlLookup::FindControl(mWindow, 'CNTL', 128);
    WindowEvents::InstallWindowEventHandler(mWindow, [inThread](WindowEvent& ioEvent) {
        const bool cancel = (ioEvent.kind == WindowEventKind::commandProcess && ioEvent.command == 'not!') ||
                            ioEvent.kind == WindowEventKind::close;
        if (!cancel)
            return OSStatus(eventNotHandledErr);
        inThread->Cancel();
        return OSStatus(noErr); // the thread closes the window when the transfer has ended
    });
}

CDownloadUpdateWindow::~CDownloadUpdateWindow()
{
    if (!mWindow)
        return;
    WindowEvents::InstallWindowEventHandler(mWindow, {});
    mWindow->hide();
    mWindow->deleteLater();
}

void CDownloadUpdateWindow::SetRange(SInt32 inMinimum, SInt32 inMaximum)
{
    SetControl32BitMinimum(mBar, inMinimum);
    SetControl32BitMaximum(mBar, inMaximum);
}

void CDownloadUpdateWindow::SetValue(SInt32 inValue) { SetControl32BitValue(mBar, inValue); }

void CDownloadUpdateWindow::SetDeterminate(bool inDeterminate) { SetProgressIndeterminate(mBar, !inDeterminate); }

CUpdateResultWindow::CUpdateResultWindow(bool inSucceeded, bool inCancelled, const QString& inPath)
    : CUpdateWindow("DownloadUpdateResultWindow")
    , mSucceeded(inSucceeded)
    , mPath(inPath)
{
    SetControlTitleWithCFString(ControlLookup::FindControl(Window(), 'CNTL', 1),
                                MessageFor(inSucceeded, inCancelled, inPath));
}

QString CUpdateResultWindow::MessageFor(bool inSucceeded, bool inCancelled, const QString& inPath)
{
    if (inSucceeded)
        return QStringLiteral("The archive was successfully downloaded to \"") + inPath +
               QStringLiteral("\" and will now be opened so that you can replace this application by the update.");
    return inCancelled ? QStringLiteral("The download has been cancelled.")
                       : QStringLiteral("The update was not downloaded.");
}

void CUpdateResultWindow::HandleCommand(CommandT inCommand)
{
    if (inCommand != kOK)
        return;
    // A failed download may have left an older file of that name: only a success opens it.
    if (mSucceeded && QFileInfo::exists(mPath))
        Launcher::Current().Open(mPath);
    Cleanup();
}
