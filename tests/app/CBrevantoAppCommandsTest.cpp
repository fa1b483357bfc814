// The application's commands, their enabling, the menus it builds (Help menu, help tags,
// "Report Logs..."), the help pages, the simulation switch, the program's alert and its log
// line, and the about window.
#include "ApplicationFixture.h"

#include "CFileItems.h"
#include "CMessageMonitorWindow.h"
#include "CommandRouter.h"
#include "FileManager.h"
#include "LException.h"
#include "MenuBar.h"
#include "MessageMonitor.h"
#include "NibLoader.h"
#include "PreferenceGetters.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>

namespace {

QString CodeString(CommandT inCode)
{
    QString text;
    for (int shift = 24; shift >= 0; shift -= 8)
        text += QChar::fromLatin1(char((inCode >> shift) & 0xFF));
    return text;
}

QMenu* HelpMenu()
{
    for (QMenu* menu : MenuBar::Get().Menus()) {
        if (menu->objectName() == QLatin1String("menu:Help"))
            return menu;
    }
    return nullptr;
}

CommandT CommandOf(const QAction* inItem) { return CommandRouter::CommandOf(inItem); }

class CommandsTest : public ApplicationFixture {
protected:
    void SetUp() override
    {
        ApplicationFixture::SetUp();
        MakeApplication().BuildMenuBar();
        app->SetUpApplication();
    }
    void TearDown() override
    {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == QLatin1String("About"))
                delete window;
            else if (window->isVisible() && (window->objectName() == QLatin1String("ServersWindow") ||
                                             window->objectName() == QLatin1String("PreferencesWindow") ||
                                             window->objectName() == QLatin1String("UpdateCheckFailedWindow")))
                window->close(); // 'SRVS', 'OPNP' and 'UPDT' opened them; their objects go with the cleanup list
        }
        ApplicationFixture::TearDown();
        MenuBar::Get().RemoveAllMenus();
        NibLoader::SetNibFolder(QString());
    }

    bool Enabled(CommandT inCommand)
    {
        Boolean enabled = true, usesMark = true;
        UInt16 mark = 0;
        QString name;
        app->FindCommandStatus(inCommand, enabled, usesMark, mark, name);
        EXPECT_FALSE(usesMark) << CodeString(inCommand).toStdString();
        return enabled;
    }

    bool SimulateMarked()
    {
        QMenu* mailing = MenuBar::Get().GetMenu(128);
        QAction* item = MenuBar::Item(mailing, MenuBar::FindItemWithCommand(mailing, 'SIMS'));
        return item && item->isChecked();
    }
};

} // namespace

TEST_F(CommandsTest, ObeyCommandAnswers)
{
    // What each command asks of the user comes first.
    presenter->QueueChooseOneFile(std::nullopt); // 3 Open
    presenter->QueueChooseOneFile(std::nullopt); // 'IPRT'
    presenter->QueueAlert(1);                    // 'MsgM'
    presenter->QueueAlert(1);                    // 'SIMS'
    presenter->QueueOpenFile(std::nullopt);      // 'OPNL'
    presenter->QueueAlert(2);                    // 'ROLL'
    const struct {
        CommandT command;
        bool answer;
    } cases[] = {{cmd_Open, true}, {'IPRT', true}, {'MsgM', true}, {'SIMS', true}, {'CONS', true},
                 {'ERLM', true},   {'SRVS', true}, {'UPDT', true},  {cmd_Preferences, true},
                 {'OPNL', false},  {'OPNP', false}, {'RLGS', false}, {'ROLL', false}};
    for (const auto& entry : cases)
        EXPECT_EQ(app->ObeyCommand(entry.command, nullptr), entry.answer) << CodeString(entry.command).toStdString();
    EXPECT_EQ(presenter->PendingAnswers(), 0u);

    FSRef reports;
    ASSERT_TRUE(GetReportsFolder(&reports));
    EXPECT_EQ(launcher.opened.back(), QString::fromStdString(reports.path)) << "'RLGS' opens the Reports folder";
    EXPECT_TRUE(gMessageMonitorWindow->mWindow->isVisible()) << "'ERLM' shows the monitor window";

    const size_t before = Windows().size();
    EXPECT_TRUE(app->ObeyCommand(cmd_New, nullptr));
    EXPECT_EQ(Windows().size(), before + 1);
}

TEST_F(CommandsTest, CommandStatus)
{
    for (CommandT command : {CommandT(cmd_New), CommandT(cmd_Open), CommandT(cmd_Close), CommandT(cmd_Save),
                             CommandT(cmd_SaveAs), CommandT(cmd_Revert), CommandT(cmd_Preferences), CommandT('CONS'),
                             CommandT('ERLM'), CommandT('IPRT'), CommandT('MsgM'), CommandT('OPNL'), CommandT('OPNP'),
                             CommandT('RLGS'), CommandT('ROLL'), CommandT('SAVE'), CommandT('SIMS'), CommandT('SRVS'),
                             CommandT('UPDT'), CommandT(cmd_About), CommandT('pref'), CommandT('Mhlp'),
                             CommandT('Ndig'), CommandT(cmd_Quit)})
        EXPECT_TRUE(Enabled(command)) << CodeString(command).toStdString();
    EXPECT_FALSE(Enabled('Zzzz'));

    EXPECT_FALSE(Enabled('RCNT')) << "no recent item yet";
    FSRef document;
    ASSERT_EQ(FSPathMakeRef(MakeDocument("recent.bvto"), &document), noErr);
    gEnvironment->recentItems->AddItem(document);
    EXPECT_TRUE(Enabled('RCNT'));
}

TEST_F(CommandsTest, SimulateSwitchesFlagMarkAndAlert)
{
    const struct {
        const char* simulateToSelf;
        bool on;
        const char* message;
        const char* explanation;
    } cases[] = {
        {"true", true, "Simulate Send: ON",
         "Brevanto is now running in simulation mode: all messages will be sent to you."},
        {"true", false, "Simulate Send: OFF", "Brevanto is not running in simulation mode."},
        {"false", true, "Simulate Send: ON",
         "Brevanto is now running in simulation mode: Message sending and errors are simulated."},
    };
    for (const auto& entry : cases) {
        SetSetting(kSimulateToSelfKey, entry.simulateToSelf);
        presenter->QueueAlert(1);
        EXPECT_TRUE(app->ObeyCommand('SIMS', nullptr));
        EXPECT_EQ(gEnvironment->simulate != 0, entry.on);
        EXPECT_EQ(SimulateMarked(), entry.on);
        const ScriptedPresenter::Request& alert = presenter->Requests().back();
        EXPECT_EQ(alert.message, QString::fromUtf8(entry.message));
        EXPECT_EQ(alert.explanation, QString::fromUtf8(entry.explanation));
        EXPECT_EQ(alert.alertKind, AlertKind::stop);
    }
}

TEST_F(CommandsTest, ShowAlertLogsOnlyWhenVerbose)
{
    const struct {
        bool verbose;
        const char* explanation;
        const char* logged; // null: nothing logged
    } cases[] = {
        {true, "Why it failed", "Alert: Quiet one(Why it failed)"},
        {true, nullptr, "Alert: Quiet one\n"},
        {false, "Not logged", nullptr},
    };
    for (const auto& entry : cases) {
        gEnvironment->verboseLogging = entry.verbose;
        presenter->QueueAlert(1);
        const int beeps = presenter->Beeps();
        const QString before = LogText();
        ShowAlert(QStringLiteral("Quiet one"), entry.explanation ? QString::fromUtf8(entry.explanation) : QString());
        EXPECT_EQ(presenter->Beeps(), beeps + 1);
        const QString added = LogText().mid(before.size());
        if (entry.logged)
            EXPECT_TRUE(added.contains(QString::fromUtf8(entry.logged))) << added.toStdString();
        else
            EXPECT_TRUE(added.isEmpty()) << added.toStdString();
    }
}

TEST_F(CommandsTest, HelpMenuHoldsItsItemsInOrder)
{
    const struct {
        const char* text;
        CommandT command;
    } expected[] = {
        {"Brevanto Help", 'Mhlp'},
        {"-", 0},
        {"View in Mac App Store...", 'MAS1'},
        {"View in Tessaroc Website...", 'WEB1'},
        {"-", 0},
        {"Welcome to Brevanto", 'pMoR'},
        {"Brevanto Quick Start", 'qsRT'},
        {"Brevanto Tour", 'mTer'},
        {"-", 0},
        {"Troubleshooting", 'Trbl'},
        {"-", 0},
        {"Creating Brevanto", 'cMAI'},
        {"Creating Templates", 'cTMP'},
        {"Importing Recipients", 'IRts'},
        {"Using Message Monitor", 'UssR'},
        {"Using Mail Stationary", 'AppM'},
        {"Using Custom Address Book Labels", 'UsRB'},
        {"Using Custom Import Template Tags", 'ucmA'},
        {"Creating HTML Messages with Embedded Images", 'Cnhw'},
        {"-", 0},
        {"Mailer Window", 'RTeF'},
        {"Attachments Window", 'KLXd'},
        {"Plain Text Alternative Window", 'lKjh'},
        {"Preamble and Epilogue Windows", 'POdO'},
        {"Select Recipients Window", 'uhTG'},
        {"Progress Window", 'dpwH'},
        {"Scheduling Window", 'SplH'},
        {"-", 0},
        {"Server Settings Window", 'SsHP'},
        {"Preferences Window", 'PrfH'},
        {"-", 0},
        {"Network Diagnostics...", 'Ndig'},
    };
    QMenu* help = HelpMenu();
    ASSERT_NE(help, nullptr);
    const QList<QAction*> items = help->actions();
    ASSERT_EQ(items.size(), qsizetype(std::size(expected)));
    for (size_t index = 0; index < std::size(expected); ++index) {
        const QAction* item = items.at(qsizetype(index));
        if (std::strcmp(expected[index].text, "-") == 0) {
            EXPECT_TRUE(item->isSeparator()) << "item " << index + 1;
            continue;
        }
        EXPECT_EQ(item->text(), QString::fromUtf8(expected[index].text)) << "item " << index + 1;
        EXPECT_EQ(CommandOf(item), expected[index].command) << "item " << index + 1;
    }
}

TEST_F(CommandsTest, HelpCommandsOpenTheirPages)
{
    const QString base = QStringLiteral("http://www.tessaroc.com/products/brevanto/BrevantoHelp/");
    const struct {
        CommandT command;
        const char* page;
    } pages[] = {
        {'Mhlp', "BrevantoHelp.html"},           {'pMoR', "WelcomeToBrevanto.html"},
        {'qsRT', "BrevantoQuickStart.html"},     {'mTer', "BrevantoTour.html"},
        {'Trbl', "Troubleshooting.html"},        {'cMAI', "CreateAMailing.html"},
        {'cTMP', "Templates.html"},              {'IRts', "ImportingRecipients.html"},
        {'UssR', "UsingMessageMonitor.html"},    {'AppM', "UsingAppleMailStationary.html"},
        {'UsRB', "UsingCustomAddressBookLabels.html"}, {'ucmA', "UsingCustomImportTags.html"},
        {'RTeF', "Mailer.html"},                 {'KLXd', "Attachments.html"},
        {'lKjh', "PlainTextAlternative.html"},   {'POdO', "Preamble.html"},
        {'uhTG', "SelectRecipients.html"},       {'dpwH', "Progress.html"},
        {'SplH', "SchedulingBrevanto.html"},     {'SsHP', "ServerSettings.html"},
        {'PrfH', "Preferences.html"},            {'Cnhw', "CreatingHTMLMessagesWithEmbeddedImages.html"},
        {'Mrnt', "BrevantoReleaseNotes.html"},
    };
    for (const auto& entry : pages) {
        launcher.opened.clear();
        EXPECT_TRUE(app->HandleHelpMenuCommand(entry.command));
        EXPECT_EQ(launcher.opened, std::vector<QString>{base + QString::fromUtf8(entry.page)})
            << CodeString(entry.command).toStdString();
    }
    for (CommandT command : {CommandT('MAIL'), CommandT('MAS1'), CommandT('WEB1')}) {
        launcher.opened.clear();
        EXPECT_TRUE(app->HandleHelpMenuCommand(command));
        ASSERT_EQ(launcher.opened.size(), 1u) << CodeString(command).toStdString();
    }
    EXPECT_TRUE(launcher.opened.front().startsWith("http://www.tessaroc.com/"));

    launcher.opened.clear();
    EXPECT_FALSE(app->HandleHelpMenuCommand('Zzzz'));
    EXPECT_FALSE(app->HandleHelpMenuCommand('SIMS'));
    EXPECT_TRUE(launcher.opened.empty());

    // The menu route reaches the Help handler first.
    EXPECT_TRUE(CommandRouter::Get().SendMenuCommand('Trbl'));
    EXPECT_EQ(launcher.opened, std::vector<QString>{base + "Troubleshooting.html"});
}

TEST_F(CommandsTest, MenusCarryHelpTagsAndReportLogsLast)
{
    QMenu* file = MenuBar::Get().GetMenu(129);
    QMenu* mailing = MenuBar::Get().GetMenu(128);
    ASSERT_TRUE(file && mailing);
    QAction* last = file->actions().back();
    EXPECT_EQ(last->text(), "Report Logs...");
    EXPECT_EQ(CommandOf(last), CommandT('RLGS'));

    const struct {
        QMenu* menu;
        SInt32 item;
        CommandT command;
        const char* tagStart;
    } tags[] = {
        {file, 3, 'IPRT', "Create a new document containing recipients imported"},
        {file, 11, 'CONS', "Open the general log file"},
        {file, 12, 'RLGS', "Open the location of automatically generated report logs"},
        {mailing, 3, 'SIMS', "Turn simulation on or off."},
        {mailing, 5, 'MsgM', "Turn the Message Monitor on or off."},
        {mailing, 6, 'ERLM', "Open the Message Monitor window"},
        {mailing, 8, 'ROLL', "When a log is rolled"},
        {mailing, 9, 'OPNL', "Switch between log files"},
        {mailing, 11, 'OPNP', "Open the Preferences window to the Message Monitor pane."},
    };
    for (const auto& entry : tags) {
        QAction* item = MenuBar::Item(entry.menu, entry.item);
        ASSERT_NE(item, nullptr) << entry.item;
        EXPECT_EQ(CommandOf(item), entry.command) << entry.item;
        EXPECT_TRUE(item->toolTip().startsWith(QString::fromUtf8(entry.tagStart))) << item->toolTip().toStdString();
    }
}

TEST_F(CommandsTest, AboutBoxFillsCopyrightCaptions)
{
    EXPECT_TRUE(app->ObeyCommand(cmd_About, nullptr));
    QWidget* about = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("About") && window->isVisible())
            about = window;
    }
    ASSERT_NE(about, nullptr);
    int copyrights = 0;
    for (QLabel* caption : about->findChildren<QLabel*>()) {
        if (!caption->text().startsWith("Copyright"))
            continue;
        ++copyrights;
        EXPECT_TRUE(caption->text().contains("Tessaroc Software")) << caption->text().toStdString();
    }
    EXPECT_GE(copyrights, 1);
}

TEST_F(CommandsTest, MissingAboutWindowThrowsNilPointer)
{
    QTemporaryDir nibs;
    ASSERT_TRUE(QDir(nibs.path()).mkpath("Brevanto"));
    NibLoader::SetNibFolder(nibs.path());
    try {
        app->ShowAboutBox();
        ADD_FAILURE() << "no exception";
    } catch (const LException& error) {
        EXPECT_EQ(error.GetErrorCode(), SInt32('nilP'));
    }
}
