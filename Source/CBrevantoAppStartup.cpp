// The application's start-up and clean-up: program-wide values, the start-up sequence, the
// restore of the last session's documents, the activation and preferences handlers, the
// monitor's refresh timer and the watch that quits when the last window goes.
#include "CBrevantoApp.h"

#include "CAboutBox.h"
#include "CBrevantoWindow.h"
#include "CCleanupAttachment.h"
#include "CEnvironment.h"
#include "CFBundle.h"
#include "CFileItems.h"
#include "CLiveResizeAttachment.h"
#include "CMessageMonitorWindow.h"
#include "CRecentItems.h"
#include "CYieldAttachment.h"
#include "CommandRouter.h"
#include "ApplicationDocuments.h"
#include "FileManager.h"
#include "FileUtilities.h"
#include "HelpTags.h"
#include "LEventLoopTimer.h"
#include "LExceptionReporter.h"
#include "MenuBar.h"
#include "NibLoader.h"
#include "MessageMonitor.h"
#include "NetworkChecks.h"
#include "PreferenceGetters.h"
#include "Preferences.h"
#include "CPreferencesWindow.h"
#include "CDDTextField.h"
#include "CURLPushButton.h"
#include "ProgramRequests.h"
#include "RunOnMainContext.h"
#include "SystemLookups.h"
#include "ToolboxCommands.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QWidget>

#include <cstdio>
#include <cstring>
#include <vector>

CBrevantoApp* gApplication = nullptr;
QIcon gScheduleIcons[5];

namespace {

constexpr SInt32 kOpenItemsCapacity = 25;
constexpr SInt32 kMonitorRequestCount = 24;
constexpr EventTimerInterval kRefreshInterval = 1.0;
constexpr CommandT kPreferencesCommand = 'pref';
constexpr char kMenuBarShownProperty[] = "brevantoMenuBar";

// Frames of the schedule animation, as indexes into gScheduleIcons.
constexpr int kScheduleFrames[kScheduleFrameCount] = {0, 1, 2, 3, 4, 3, 2, 1};

std::unique_ptr<char[]> ReadSetting(const char* inKey) { return GetPreference(CString256(inKey)); }

bool SettingIs(const std::unique_ptr<char[]>& inValue, const char* inText)
{
    return inValue && std::strcmp(inValue.get(), inText) == 0;
}

CFPropertyList SettingValue(const char* inKey)
{
    const auto value = ReadSetting(inKey);
    return value ? CFPropertyList(QString::fromUtf8(value.get())) : CFPropertyList();
}

bool IsMessageMonitorOpenOnLaunch() { return SettingIs(ReadSetting(kMessageMonitorOpenOnLaunchKey), "true"); }

void RefreshMessageMonitorWindow(EventLoopTimerRef, void*)
{
    if (gMessageMonitorWindow)
        gMessageMonitorWindow->SetRequests();
}

// The preferences command, wherever it comes from.
bool HandlePreferencesCommand(CommandT inCommand)
{
    if (inCommand != kPreferencesCommand)
        return false;
    OpenPreferencesWindow();
    return true;
}

void ReportToLog(const std::string& inWhere, const std::string& inWhat)
{
    std::fprintf(stderr, "Brevanto: exception in %s: %s\n", inWhere.c_str(), inWhat.c_str());
    if (!gEnvironment)
        return;
    const std::string line = "Exception in " + inWhere + ": " + inWhat;
    gEnvironment->LogLine(line.c_str());
}

// A window a person can see and close: not a menu, tooltip or other pop-up.
bool IsProgramWindow(const QWidget* inWidget)
{
    if (!inWidget->isWindow() || !inWidget->isVisible())
        return false;
    const Qt::WindowType type = inWidget->windowType();
    return type != Qt::Popup && type != Qt::ToolTip && type != Qt::Desktop && type != Qt::SplashScreen;
}

} // namespace

// The window-to-reopen as the yield attachment sees it.
class CBrevantoApp::RevertWindow : public CRevertWindow {
public:
    explicit RevertWindow(CBrevantoWindow* inWindow)
        : mWindow(inWindow)
    {
    }
    FSRef GetDocumentFile() const override
    {
        FSRef file;
        if (!mWindow->GetDocumentPath().isEmpty())
            FSPathMakeRef(mWindow->GetDocumentPath(), &file);
        return file;
    }
    void AttemptClose() override { mWindow->AttemptClose(); }

private:
    CBrevantoWindow* mWindow;
};

// Watches top-level windows: a mailing window shown gets its view of the menu bar; a window
// closed or hidden makes the application ask, at the next pass, whether any window is left.
class CBrevantoApp::WindowWatch : public QObject {
public:
    static void ShowMenuBarIn(QWidget* inWindow)
    {
        auto* main = qobject_cast<QMainWindow*>(inWindow);
        if (!main || main->property(NibLoader::kWindowNameProperty).toString() != QLatin1String("Mailer"))
            return;
        if (MenuBar::Get().Menus().isEmpty() || main->property(kMenuBarShownProperty).toBool())
            return;
        main->setProperty(kMenuBarShownProperty, true);
        MenuBar::Get().AttachTo(main);
    }

    WindowWatch() { qApp->installEventFilter(this); }
    ~WindowWatch() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* inWatched, QEvent* inEvent) override
    {
        const auto type = inEvent->type();
        auto* widget = qobject_cast<QWidget*>(inWatched);
        if (!widget || !widget->isWindow())
            return false;
        if (type == QEvent::Show) {
            ShowMenuBarIn(widget);
            return false;
        }
        if (type != QEvent::Close && type != QEvent::Hide)
            return false;
        RunOnMainContext([] {
            if (gApplication)
                gApplication->QuitIfNoWindowLeft();
        });
        return false;
    }
};

const QIcon& ScheduleFrameIcon(int inFrame)
{
    static const QIcon sNone;
    if (inFrame < 0 || inFrame >= kScheduleFrameCount)
        return sNone;
    return gScheduleIcons[kScheduleFrames[inFrame]];
}

CBrevantoApp::CBrevantoApp(int* ioArgc, char** ioArgv)
    : LDocApplication(ioArgc, ioArgv)
{
    gApplication = this;
    gEnvironment = nullptr;
    CLiveResizeAttachment::Register();
    CAboutBox::Register();
    CURLPushButton::Register();
    CDDTextField::Register();
    CEnvironment::SetRecentItemsFactory(&CRecentItems::New);
    AddAttachment(new CCleanupAttachment, nullptr, true);
    CreateMessageMonitorModel(*this);
    OpenMessageMonitorStore(*this);
    SetNetworkAlertPresenter([](const QString& inMessage, const QString& inExplanation) {
        ShowAlert(inMessage, inExplanation);
    });
    // A launch by the import request alone has no open-application event before it.
    InstallEventHandler(kImportEventClass, kImportEventID,
                        [](const AppleEvent& inEvent, AppleEvent&, void*) {
                            HandleDayliteImportEvent(inEvent);
                            return OSErr(noErr);
                        },
                        this);
}

CBrevantoApp::~CBrevantoApp()
{
    RemoveEventHandler(kImportEventClass, kImportEventID);
    if (mPreferencesHandler)
        CommandRouter::Get().RemoveApplicationHandler(mPreferencesHandler);
    CommandRouter::Get().SetHelpHandler({});
    SetNetworkAlertPresenter({});
    mWindowWatch.reset();
    QObject::disconnect(mActivation);
    if (mRefreshTimer)
        RemoveEventLoopTimer(mRefreshTimer);
    if (gApplication == this)
        gApplication = nullptr;
}

void CBrevantoApp::StartUp()
{
    LDocApplication::StartUp();
    // Without a window there is no menu bar to start from.
    if (mSetUp && gWindowList.Count() == 0)
        OpenNewWindowReporting();
}

void CBrevantoApp::Initialize() { SetUpApplication(); }

void CBrevantoApp::SetUpApplication()
{
    if (mSetUp)
        return;
    mSetUp = true;
    mWindowWatch = std::make_unique<WindowWatch>();
    gEnvironment = new CEnvironment;
    LoadVersionString();
    AddAttachment(new CYieldAttachment(-1, this), nullptr, true);
    StartMessageMonitorIfWanted();
    OpenLogIfWanted();
    if (GetRestoreWorkspace())
        RestoreOpenItems();
    else
        OpenNewWindowReporting();
    mActivation = QObject::connect(qApp, &QGuiApplication::applicationStateChanged, qApp,
                                   [](Qt::ApplicationState inState) {
                                       if (inState == Qt::ApplicationActive)
                                           RefreshWindowsOnActivate();
                                   });
    ApplyHelpTagSettings();
    mPreferencesHandler = CommandRouter::Get().AddApplicationHandler(&HandlePreferencesCommand);
    RegisterScheduleIcons();
    gMessageMonitorWindow = new CMessageMonitorWindow;
    if (IsMessageMonitorOpenOnLaunch())
        ShowMessageMonitorWindow();
    InstallEventLoopTimer(kRefreshInterval, kRefreshInterval, &RefreshMessageMonitorWindow, this, &mRefreshTimer);
}

void CBrevantoApp::LoadVersionString()
{
    if (!gEnvironment)
        return;
    const CFPropertyList version =
        CFBundle::Main().ValueForInfoDictionaryKey(QStringLiteral("CFBundleShortVersionString"));
    if (version.IsString())
        gEnvironment->version.AssignCFString(version.ToString());
}

void CBrevantoApp::StartMessageMonitorIfWanted()
{
    gEnvironment->monitorOn = 0;
    // A start that fails (the port is taken) leaves the monitor off; the setting stays for the
    // next launch.
    if (SettingIs(ReadSetting(kMessageMonitorKey), "true"))
        gEnvironment->monitorOn = StartMessageMonitor(kMonitorRequestCount) == noErr;
    UpdateMessageMonitorMenuMark();
}

// Missing or "true" opens the log; any other value leaves it closed.
void CBrevantoApp::OpenLogIfWanted()
{
    const auto value = ReadSetting(kLogKey);
    if (value && !SettingIs(value, "true"))
        return;
    gEnvironment->OpenLog();
    if (gEnvironment->logFile)
        LExceptionReporter::Set(&ReportToLog);
}

void CBrevantoApp::ApplyHelpTagSettings()
{
    HelpTags::Get().ApplySettings(SettingValue(kTagDelayKey), SettingValue(kDisplayHelpTagsKey));
}

void CBrevantoApp::RegisterScheduleIcons()
{
    static const char* const kNames[5] = {"O1", "O2", "O3", "O4", "O5"};
    static const OSType kTypes[5] = {'O1  ', 'O2  ', 'O3  ', 'O4  ', 'O5  '};
    for (int i = 0; i < 5; ++i)
        RegisterBundleIcon(QString::fromLatin1(kNames[i]), kTypes[i], &gScheduleIcons[i]);
}

void CBrevantoApp::RestoreOpenItems()
{
    std::vector<QString> paths;
    {
        CFileItems items(QString::fromUtf8(kOpenItemsKey), kOpenItemsCapacity);
        for (SInt32 index = 0; index < items.Count(); ++index) {
            FSRef file;
            if (items.GetItemRef(index, file) == noErr && IsFile(file))
                paths.push_back(QString::fromStdString(file.path));
        }
    }
    for (const QString& path : paths)
        OpenDocumentReporting(path, true);
}

void CBrevantoApp::OpenNewWindowReporting()
{
    LExceptionReporter::CallReporting("new mailing", [this] { ObeyCommand(cmd_New, nullptr); });
}

void CBrevantoApp::OpenDocumentReporting(const QString& inPath, bool inFromWorkspace)
{
    const auto by = inFromWorkspace ? CBrevantoWindow::EOpenedBy::workspaceRestore : CBrevantoWindow::EOpenedBy::user;
    LExceptionReporter::CallReporting("open document", [&] { CBrevantoWindow::OpenDocumentFile(inPath, by); });
}

void CBrevantoApp::QuitIfNoWindowLeft()
{
    if (GetState() != EProgramState::processingEvents)
        return;
    for (const QWidget* window : QApplication::topLevelWidgets()) {
        if (IsProgramWindow(window))
            return;
    }
    PerformQuit(kAEAsk);
}

void CBrevantoApp::SetWindowToReopen(CBrevantoWindow* inWindow)
{
    mWindowToReopen = inWindow ? std::make_unique<RevertWindow>(inWindow) : nullptr;
}

CRevertWindow* CBrevantoApp::TakeWindowToReopen()
{
    // The attachment uses the window at once; the wrapper lives until the next mark.
    mTakenWindow = std::move(mWindowToReopen);
    return mTakenWindow.get();
}

void CBrevantoApp::CleanUp()
{
    StopMessageMonitor();
    CloseMessageMonitorStore();
    if (mRefreshTimer) {
        RemoveEventLoopTimer(mRefreshTimer);
        mRefreshTimer = nullptr;
    }
    if (gMessageMonitorWindow)
        gMessageMonitorWindow->Cleanup();
    delete gMessageMonitorWindow;
    gMessageMonitorWindow = nullptr;
    mWindowWatch.reset();
    LExceptionReporter::Set({});
    if (gPreferencesWindow)
        gPreferencesWindow->Cleanup(); // its fields are stored while the environment exists
    delete gEnvironment;
    gEnvironment = nullptr;
}
