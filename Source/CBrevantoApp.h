// CBrevantoApp: the one application object. It starts the program up (environment, log,
// Message Monitor, the documents of the last session or a new mailing window, help tags,
// handlers and the monitor's refresh timer), carries out the application's commands and builds
// its menus and Help menu, takes the events that reach the program from outside (documents,
// web addresses, the people-import request) and runs the quit sequence, which remembers the
// open documents and stops every worker thread.
//
// Invariants: one instance at a time, reachable through gApplication while it lives; the
// start-up sequence runs at most once (gEnvironment exists from then until CleanUp); a start-up
// that leaves no mailing window open opens a new one, and once the loop runs, closing the last
// visible window of the program runs the quit path.
// GUI thread, main context only. Window construction failures are reported (never thrown out of
// the start-up, the open-document path or the import); a missing about window throws 'nilP'.
#pragma once

#include "AppleEvent.h"
#include "CRevertHost.h"
#include "LDocApplication.h"

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class CBrevantoWindow;
class CFPropertyList;
class LEventLoopTimer;
class QMenu;

class CBrevantoApp : public LDocApplication, public CRevertHost {
public:
    explicit CBrevantoApp(int* ioArgc = nullptr, char** ioArgv = nullptr);
    ~CBrevantoApp() override;

    // Start-up.
    void Initialize() override;
    void SetUpApplication();
    Boolean IsSetUp() const { return mSetUp; }
    void RestoreOpenItems();
    void CleanUp() override;

    // Commands and menus.
    Boolean ObeyCommand(CommandT inCommand, void* ioParam) override;
    void FindCommandStatus(CommandT inCommand, Boolean& outEnabled, Boolean& outUsesMark, UInt16& outMark,
                           QString& outName) override;
    void BuildMenuBar() override;
    // Throws LException('nilP') when the about window cannot be made.
    void ShowAboutBox();
    // The Help menu's commands (pages go to the desktop's launcher, Launcher::Current); false
    // for a command it does not know.
    bool HandleHelpMenuCommand(CommandT inCommand);
    static QString HelpPageURL(CommandT inCommand); // empty for no help page

    // Events, documents and quit.
    void HandleAppleEvent(const AppleEvent& inEvent, AppleEvent& outReply, AppleEvent& outResult,
                          SInt32 inAENumber) override;
    void OpenURLInNewWindow(const AppleEvent& inEvent);
    // An explicit open (file event, Open, recent item, import): a document whose path asks for
    // it starts sending.
    void OpenDocumentFile(const QString& inPath) override;
    void OpenDocumentFile(const FSSpec& inFile) override;
    void PerformQuit(SInt32 inSaveOption) override;
    Boolean ConfirmQuitSelf(SInt32 inSaveOption) override;
    // "Open Items": the documents of the open windows, the last window first (at most 25).
    void SaveOpenItems();
    static QStringList OpenDocumentPaths();
    static void StoreOpenItems(const QStringList& inPaths);

    // The mailing window that a revert closes and reopens from its file.
    void SetWindowToReopen(CBrevantoWindow* inWindow);
    CRevertWindow* TakeWindowToReopen() override;

    // Server passwords read this session, by "server:user".
    QHash<QString, QString>& PasswordStore() { return mPasswordStore; }

    // Quits when no visible window of the program is left (checked after a window closes).
    void QuitIfNoWindowLeft();

protected:
    // The launch events, then a new mailing window when start-up left none open.
    void StartUp() override;

private:
    class RevertWindow;
    class WindowWatch;

    void LoadVersionString();
    void StartMessageMonitorIfWanted();
    void OpenLogIfWanted();
    void ApplyHelpTagSettings();
    void RegisterScheduleIcons();
    void InstallTimer();
    void OpenNewWindowReporting();
    void OpenDocumentReporting(const QString& inPath, bool inFromWorkspace);
    void ToggleSimulation();
    void InstallHelpItems(QMenu* inHelpMenu);
    void InstallMenuHelpTags();

    bool mSetUp = false;
    QHash<QString, QString> mPasswordStore;
    std::unique_ptr<RevertWindow> mWindowToReopen;
    std::unique_ptr<RevertWindow> mTakenWindow;
    std::unique_ptr<WindowWatch> mWindowWatch;
    LEventLoopTimer* mRefreshTimer = nullptr;
    int mPreferencesHandler = 0;
    QMetaObject::Connection mActivation;
};

// The application while it lives; null before and after.
extern CBrevantoApp* gApplication;

// The schedule animation: the icons "O1" to "O5" and the eight frames the schedule display
// cycles through (O1 O2 O3 O4 O5 O4 O3 O2); empty icons until start-up registers them.
constexpr int kScheduleFrameCount = 8;
extern QIcon gScheduleIcons[5];
const QIcon& ScheduleFrameIcon(int inFrame);

// The program's alert: a beep and a stop alert with OK; with verbose logging on, the log gets
// "Alert: " + message, then "(" + explanation + ")" when there is one.
void ShowAlert(const QString& inMessage, const QString& inExplanation = QString());

// The check mark of the Message Monitor item of menu 128, from the environment's monitor flag.
void UpdateMessageMonitorMenuMark();
void ShowMessageMonitorWindow();
void ShowServersWindow();

// The Daylite people import: a property-list array of people written as a text file of
// "first,last,address" lines in the support folder and opened as a new mailing.
void HandleDayliteImportEvent(const AppleEvent& inEvent);
void ReadDayliteImportFile(const QString& inPath);
OSErr WriteDayliteImportFile(const CFPropertyList& inPeople);
// The line of one person ("first,last,address\n"), empty without an address; commas, tabs,
// CR and LF inside a value become blanks, so the importer cannot split it in the wrong place.
QString DayliteImportLine(const CFPropertyList& inPerson);
// "Daylite Import [<date>].txt" with every ":" made ".".
QString DayliteImportFileName();
