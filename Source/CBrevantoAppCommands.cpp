// The application's commands and their enabling, the menus it adds to the menu bar (the Help
// menu, the help tags of the File and Mailing menus, "Report Logs..."), the Help menu's pages,
// the program's alert and the about window.
#include "CBrevantoApp.h"

#include "AlertHelpers.h"
#include "CAboutBox.h"
#include "CBrevantoWindow.h"
#include "CEnvironment.h"
#include "CInternetConfig.h"
#include "CMessageMonitorWindow.h"
#include "CRecentItems.h"
#include "CommandRouter.h"
#include "ApplicationDocuments.h"
#include "LException.h"
#include "LExceptionReporter.h"
#include "Launcher.h"
#include "MenuBar.h"
#include "MessageMonitor.h"
#include "NetworkChecks.h"
#include "NibLoader.h"
#include "PreferenceGetters.h"
#include "CPreferencesWindow.h"
#include "CServersWindow.h"
#include "HelpLinks.h"
#include "SoftwareUpdate.h"
#include "ToolboxCommands.h"
#include "WorkingFolders.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr ResIDT kMailingMenuID = 128;
constexpr ResIDT kFileMenuID = 129;
constexpr CommandT kRecentItemsCommand = 'RCNT';
constexpr CommandT kReportLogsCommand = 'RLGS';
constexpr CommandT kPreferencesCommand = 'pref';
constexpr CommandT kNetworkDiagnosticsCommand = 'Ndig';
constexpr CommandT kMailMakerCommand = 'MAIL';
constexpr CommandT kAppStoreCommand = 'MAS1';
constexpr CommandT kWebStoreCommand = 'WEB1';
constexpr OSType kHelpSignature = 'KWRD';

const char kAppStorePage[] = "http://www.tessaroc.com/store/brevanto/appstore.html";
const char kWebStorePage[] = "http://www.tessaroc.com/store/brevanto/";
const char kNoticeText[] = "Copyright \u00A9 Tessaroc Software. All rights reserved.";

struct HelpPage {
    CommandT command;
    const char* page;
};

constexpr HelpPage kHelpPages[] = {
    {'Mhlp', "BrevantoHelp.html"},
    {'pMoR', "WelcomeToBrevanto.html"},
    {'qsRT', "BrevantoQuickStart.html"},
    {'mTer', "BrevantoTour.html"},
    {'Trbl', "Troubleshooting.html"},
    {'cMAI', "CreateAMailing.html"},
    {'cTMP', "Templates.html"},
    {'IRts', "ImportingRecipients.html"},
    {'UssR', "UsingMessageMonitor.html"},
    {'AppM', "UsingAppleMailStationary.html"},
    {'UsRB', "UsingCustomAddressBookLabels.html"},
    {'ucmA', "UsingCustomImportTags.html"},
    {'RTeF', "Mailer.html"},
    {'KLXd', "Attachments.html"},
    {'lKjh', "PlainTextAlternative.html"},
    {'POdO', "Preamble.html"},
    {'uhTG', "SelectRecipients.html"},
    {'dpwH', "Progress.html"},
    {'SplH', "SchedulingBrevanto.html"},
    {'SsHP', "ServerSettings.html"},
    {'PrfH', "Preferences.html"},
    {'Cnhw', "CreatingHTMLMessagesWithEmbeddedImages.html"},
    {'Mrnt', "BrevantoReleaseNotes.html"},
};

// Inserted one by one at the top of the Help menu, so they end up in the reverse order.
struct HelpItem {
    const char* text; // "-" for a separator
    CommandT command;
};

constexpr HelpItem kTopHelpItems[] = {
    {"-", 0},
    {"Preferences Window", 'PrfH'},
    {"Server Settings Window", 'SsHP'},
    {"-", 0},
    {"Scheduling Window", 'SplH'},
    {"Progress Window", 'dpwH'},
    {"Select Recipients Window", 'uhTG'},
    {"Preamble and Epilogue Windows", 'POdO'},
    {"Plain Text Alternative Window", 'lKjh'},
    {"Attachments Window", 'KLXd'},
    {"Mailer Window", 'RTeF'},
    {"-", 0},
    {"Creating HTML Messages with Embedded Images", 'Cnhw'},
    {"Using Custom Import Template Tags", 'ucmA'},
    {"Using Custom Address Book Labels", 'UsRB'},
    {"Using Mail Stationary", 'AppM'},
    {"Using Message Monitor", 'UssR'},
    {"Importing Recipients", 'IRts'},
    {"Creating Templates", 'cTMP'},
    {"Creating Brevanto", 'cMAI'},
    {"-", 0},
    {"Troubleshooting", 'Trbl'},
    {"-", 0},
    {"Brevanto Tour", 'mTer'},
    {"Brevanto Quick Start", 'qsRT'},
    {"Welcome to Brevanto", 'pMoR'},
    {"Brevanto Help", 'Mhlp'},
};

struct MenuHelpTag {
    ResIDT menu;
    SInt32 item;
    const char* tag;
};

constexpr MenuHelpTag kMenuHelpTags[] = {
    {kFileMenuID, 3,
     "Create a new document containing recipients imported from a text file with comma, or tab, separated values"},
    {kFileMenuID, 11,
     "Open the general log file that contains progress information, including possible problems with the mail "
     "server"},
    {kFileMenuID, 12, "Open the location of automatically generated report logs for each completed mailing"},
    {kMailingMenuID, 3,
     "Turn simulation on or off. In simulation mode mail is not really delivered to recipients during a mailing. "
     "(It is ON when this items is checked)"},
    {kMailingMenuID, 5,
     "Turn the Message Monitor on or off. The Message Monitor tracks who opened their mail. Only HTML messages "
     "are tracked. It is ON when this item is checked."},
    {kMailingMenuID, 6, "Open the Message Monitor window to see which recipients have opened their mail."},
    {kMailingMenuID, 8, "When a log is rolled it is closed and renamed. Then a new, empty log is opened."},
    {kMailingMenuID, 9,
     "Switch between log files by opening a previous log file. Opening another log file will close the current "
     "log file."},
    {kMailingMenuID, 11, "Open the Preferences window to the Message Monitor pane."},
};

// The commands the application enables whatever window is in front.
constexpr CommandT kAlwaysEnabled[] = {
    cmd_New, cmd_Open, cmd_Close, cmd_Save, cmd_SaveAs, cmd_Revert, cmd_Preferences, 'CONS', 'ERLM', 'IPRT',
    'MsgM', 'OPNL', 'OPNP', 'RLGS', 'ROLL', 'SAVE', 'SIMS', 'SRVS', 'UPDT',
};

CRecentItems* RecentItems()
{
    return gEnvironment ? dynamic_cast<CRecentItems*>(gEnvironment->recentItems.get()) : nullptr;
}

bool IsHelpMenuCommand(CommandT inCommand)
{
    if (inCommand == kMailMakerCommand || inCommand == kAppStoreCommand || inCommand == kWebStoreCommand ||
        inCommand == kNetworkDiagnosticsCommand)
        return true;
    return !CBrevantoApp::HelpPageURL(inCommand).isEmpty();
}

QMenu* FindMenuNamed(const QString& inName)
{
    for (QMenu* menu : MenuBar::Get().Menus()) {
        if (menu->objectName() == inName)
            return menu;
    }
    return nullptr;
}

// Inserts an item after the 1-based item inAfter (0: at the top; past the end: at the end).
QAction* InsertItemAfter(QMenu* inMenu, SInt32 inAfter, const char* inText, CommandT inCommand)
{
    QAction* before = MenuBar::Item(inMenu, inAfter + 1);
    QAction* item = nullptr;
    if (std::strcmp(inText, "-") == 0) {
        item = new QAction(inMenu);
        item->setSeparator(true);
    } else {
        item = new QAction(QString::fromUtf8(inText), inMenu);
        if (inCommand != 0)
            item->setProperty("command", inCommand);
    }
    inMenu->insertAction(before, item);
    return item;
}

void SetMenuMark(ResIDT inMenuID, CommandT inCommand, bool inMarked)
{
    QMenu* menu = MenuBar::Get().GetMenu(inMenuID);
    if (!menu)
        return;
    if (const SInt32 item = MenuBar::FindItemWithCommand(menu, inCommand))
        MenuBar::SetItemMark(menu, item, inMarked);
}

} // namespace

Boolean CBrevantoApp::ObeyCommand(CommandT inCommand, void* ioParam)
{
    if (CRecentItems* recent = RecentItems(); recent && recent->OpenItem(inCommand))
        return true;
    switch (inCommand) {
    case cmd_New:
        new CBrevantoWindow(); // the window lives on gWindowList; a failure throws to the caller
        return true;
    case cmd_Open:
        ChooseAndOpenDocument();
        return true;
    case 'CONS':
        ShowLogFile();
        return true;
    case 'ERLM':
        if (gMessageMonitorWindow)
            ShowMessageMonitorWindow();
        return true;
    case 'IPRT':
        ImportRecipientsFile();
        return true;
    case 'MsgM':
        ToggleMessageMonitor(false);
        return true;
    case 'OPNL':
        OpenMessageMonitorLog(*this);
        return false;
    case 'OPNP':
        ShowPreferencesWindow();
        return false;
    case kReportLogsCommand:
        OpenReportsFolder();
        return false;
    case 'ROLL':
        RollMessageMonitorLog(*this);
        return false;
    case 'SIMS':
        ToggleSimulation();
        return true;
    case 'SRVS':
        ShowServersWindow();
        return true;
    case 'UPDT':
        CheckForUpdates(false);
        return true;
    case cmd_About:
        ShowAboutBox();
        return true;
    case cmd_Preferences:
        return true;
    default:
        return LDocApplication::ObeyCommand(inCommand, ioParam);
    }
}

void CBrevantoApp::FindCommandStatus(CommandT inCommand, Boolean& outEnabled, Boolean& outUsesMark, UInt16& outMark,
                                     QString& outName)
{
    outEnabled = false;
    outUsesMark = false;
    SInt32 index = 0;
    if (CRecentItems* recent = RecentItems(); recent && recent->FindItemIndex(inCommand, index)) {
        outEnabled = true;
        return;
    }
    if (std::find(std::begin(kAlwaysEnabled), std::end(kAlwaysEnabled), inCommand) != std::end(kAlwaysEnabled)) {
        outEnabled = true;
        return;
    }
    if (inCommand == kRecentItemsCommand) {
        outEnabled = gEnvironment && gEnvironment->recentItems && gEnvironment->recentItems->Count() > 0;
        return;
    }
    // What the menu bar of a Mac program enables by itself: About, Preferences and the Help
    // menu's items.
    if (inCommand == cmd_About || inCommand == kPreferencesCommand || IsHelpMenuCommand(inCommand)) {
        outEnabled = true;
        return;
    }
    LDocApplication::FindCommandStatus(inCommand, outEnabled, outUsesMark, outMark, outName);
}

void CBrevantoApp::ToggleSimulation()
{
    if (!gEnvironment)
        return;
    gEnvironment->simulate = !gEnvironment->simulate;
    const bool on = gEnvironment->simulate != 0;
    SetMenuMark(kMailingMenuID, 'SIMS', on);
    if (!on) {
        ShowAlert(QStringLiteral("Simulate Send: OFF"), QStringLiteral("Brevanto is not running in simulation mode."));
        return;
    }
    ShowAlert(QStringLiteral("Simulate Send: ON"),
              GetSimulateToSelf()
                  ? QStringLiteral("Brevanto is now running in simulation mode: all messages will be sent to you.")
                  : QStringLiteral("Brevanto is now running in simulation mode: Message sending and errors are "
                                   "simulated."));
}

void CBrevantoApp::BuildMenuBar()
{
    std::unique_ptr<NibLoader> nib;
    QString error;
    if (NibLoader::CreateNibReference(QString::fromLatin1(CBrevantoWindow::kNibName), nib) != noErr ||
        !MenuBar::Get().LoadFromNib(*nib, QStringLiteral("MenuBar"), &error)) {
        std::fprintf(stderr, "Brevanto: the menu bar could not be built: %s\n", qPrintable(error));
        return;
    }
    MenuBar& bar = MenuBar::Get();
    bar.AddMenu(bar.WindowMenu());
    MenuBar::AppendItem(bar.GetMenu(kFileMenuID), QStringLiteral("Report Logs..."), kReportLogsCommand);
    InstallMenuHelpTags();
    QMenu* help = FindMenuNamed(QStringLiteral("menu:Help"));
    if (!help)
        return;
    InstallHelpItems(help);
    CommandRouter::Get().SetHelpHandler([this](CommandT inCommand) { return HandleHelpMenuCommand(inCommand); });
}

void CBrevantoApp::InstallMenuHelpTags()
{
    for (const MenuHelpTag& tag : kMenuHelpTags)
        MenuBar::SetItemHelpTag(MenuBar::Get().GetMenu(tag.menu), tag.item, QString::fromUtf8(tag.tag));
}

// The Help menu, with F its first item of our own (an empty menu: 1).
void CBrevantoApp::InstallHelpItems(QMenu* inHelpMenu)
{
    SInt32 first = MenuBar::CountItems(inHelpMenu) + 1;
    InsertItemAfter(inHelpMenu, first, "Network Diagnostics...", kNetworkDiagnosticsCommand);
    ++first;
    for (const HelpItem& item : kTopHelpItems)
        InsertItemAfter(inHelpMenu, 0, item.text, item.command);
    InsertItemAfter(inHelpMenu, first - 1, "-", 0);
    InsertItemAfter(inHelpMenu, first - 1, "View in Tessaroc Website...", kWebStoreCommand);
    InsertItemAfter(inHelpMenu, first - 1, "View in Mac App Store...", kAppStoreCommand);
    InsertItemAfter(inHelpMenu, first - 1, "-", 0);
}

const char kHelpHost[] = "www.tessaroc.com";
const char kHelpFolder[] = "/products/brevanto/BrevantoHelp/";
const char kSupportAddress[] = "mailto:support@tessaroc.com";

QString HelpFolderURL(const QString& inPage)
{
    return QStringLiteral("http://") + QLatin1String(kHelpHost) + QLatin1String(kHelpFolder) + inPage;
}

void LaunchThroughInternetConfig(const QString& inURL)
{
    CInternetConfig session(kHelpSignature);
    if (session.Start() != noErr)
        return;
    session.LaunchURL(inURL.toUtf8().constData());
    session.Stop();
}

QString CBrevantoApp::HelpPageURL(CommandT inCommand)
{
    for (const HelpPage& page : kHelpPages) {
        if (page.command == inCommand)
            return HelpFolderURL(QLatin1String(page.page));
    }
    return QString();
}

bool CBrevantoApp::HandleHelpMenuCommand(CommandT inCommand)
{
    if (const QString url = HelpPageURL(inCommand); !url.isEmpty()) {
        LaunchThroughInternetConfig(url);
        return true;
    }
    switch (inCommand) {
    case kMailMakerCommand:
        LaunchThroughInternetConfig(QString::fromLatin1(kSupportAddress));
        return true;
    case kAppStoreCommand:
        Launcher::Current().Open(QString::fromLatin1(kAppStorePage));
        return true;
    case kWebStoreCommand:
        Launcher::Current().Open(QString::fromLatin1(kWebStorePage));
        return true;
    case kNetworkDiagnosticsCommand:
        RunNetworkDiagnostics();
        return true;
    default:
        return false;
    }
}

void CBrevantoApp::ShowAboutBox()
{
    std::unique_ptr<NibLoader> nib;
    WindowRef window = nullptr;
    if (NibLoader::CreateNibReference(QString::fromLatin1(CBrevantoWindow::kNibName), nib) == noErr)
        window = nib->CreateWindow(QStringLiteral("About"));
    if (!window)
        throw LException(err_NilPointer);
    for (QLabel* caption : window->findChildren<QLabel*>()) {
        if (caption->text().startsWith(QLatin1String("Copyright")))
            caption->setText(QString::fromUtf8(kNoticeText));
    }
    if (auto* box = dynamic_cast<CAboutBox*>(window))
        box->FinishCreateSelf(gEnvironment ? QString::fromUtf8(gEnvironment->version.CharAt(0)) : QString());
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

void ShowAlert(const QString& inMessage, const QString& inExplanation)
{
    ShowStandardAlert(inMessage, inExplanation);
    if (!gEnvironment || !gEnvironment->verboseLogging)
        return;
    QString line = QStringLiteral("Alert: ") + inMessage;
    if (!inExplanation.isEmpty())
        line += QLatin1Char('(') + inExplanation + QLatin1Char(')');
    gEnvironment->LogLine(line.toUtf8().constData());
}

void UpdateMessageMonitorMenuMark()
{
    SetMenuMark(kMailingMenuID, 'MsgM', gEnvironment && gEnvironment->monitorOn);
}

void ShowMessageMonitorWindow()
{
    if (!gMessageMonitorWindow)
        return;
    QWidget* window = gMessageMonitorWindow->mWindow;
    window->show();
    window->raise();
    window->activateWindow();
}

void ShowServersWindow() { OpenServersWindow(); }
