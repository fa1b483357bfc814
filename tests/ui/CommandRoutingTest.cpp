// Where commands go: controls to their window's handler and then the application's handlers,
// never the commander chain; menus to the Help handler, the application's handlers and then the
// chain; menu enabling and marks from FindCommandStatus.
#include "UiTestSupport.h"

#include "CommandRouter.h"
#include "ControlLookup.h"
#include "LCommander.h"
#include "MenuBar.h"
#include "SheetController.h"
#include "WindowEvents.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QMenu>
#include <QTest>
#include <QToolButton>

namespace {
// A commander that records what reaches it and handles the commands it is given.
class RecordingCommander : public LCommander {
public:
    RecordingCommander(LCommander* inSuper, std::vector<CommandT> inHandles)
        : LCommander(inSuper)
        , mHandles(std::move(inHandles))
    {
    }
    Boolean ObeyCommand(CommandT inCommand, void* ioParam) override
    {
        mSeen.push_back(inCommand);
        if (std::find(mHandles.begin(), mHandles.end(), inCommand) != mHandles.end())
            return true;
        return LCommander::ObeyCommand(inCommand, ioParam);
    }
    void FindCommandStatus(CommandT inCommand, Boolean& outEnabled, Boolean& outUsesMark, UInt16& outMark,
                           QString& outName) override
    {
        if (inCommand == 'SIMS') {
            outEnabled = true;
            outUsesMark = true;
            outMark = 1;
            return;
        }
        LCommander::FindCommandStatus(inCommand, outEnabled, outUsesMark, outMark, outName);
    }
    std::vector<CommandT> mSeen;

private:
    std::vector<CommandT> mHandles;
};

class RoutingTest : public NibTest {
protected:
    void SetUp() override
    {
        NibTest::SetUp();
        mWindow = Load(QStringLiteral("Main"));
        WindowEvents::InstallWindowEventHandler(mWindow, [this](WindowEvent& event) {
            if (event.kind != WindowEventKind::commandProcess)
                return OSStatus(eventNotHandledErr);
            mWindowSaw.push_back(event.command);
            mWindowSawControl = event.control;
            return mWindowHandles == event.command ? OSStatus(noErr) : OSStatus(eventNotHandledErr);
        });
        mAppHandler = CommandRouter::Get().AddApplicationHandler([this](CommandT command) {
            mAppSaw.push_back(command);
            return command == 'pref';
        });
        LCommander::SetTarget(&mMailingWindow);
    }
    void TearDown() override
    {
        LCommander::SetTarget(nullptr);
        CommandRouter::Get().RemoveApplicationHandler(mAppHandler);
        CommandRouter::Get().SetHelpHandler(nullptr);
        NibTest::TearDown();
    }

    QWidget* mWindow = nullptr;
    CommandT mWindowHandles = 'SEND';
    std::vector<CommandT> mWindowSaw;
    ControlRef mWindowSawControl = nullptr;
    std::vector<CommandT> mAppSaw;
    int mAppHandler = 0;
    RecordingCommander mApplication{nullptr, {}};
    RecordingCommander mMailingWindow{&mApplication, {'CLSE'}};
};
} // namespace

TEST_F(RoutingTest, ButtonCommandReachesItsWindowHandler)
{
    auto* button = qobject_cast<QAbstractButton*>(ControlLookup::FindControl(mWindow, 'CNTL', 1));
    button->click();
    EXPECT_EQ(mWindowSaw, std::vector<CommandT>{'SEND'});
    EXPECT_EQ(mWindowSawControl, button);
    EXPECT_TRUE(mAppSaw.empty());
}

TEST_F(RoutingTest, ControlsSendTheirCommandsAndPullDownsTheItems)
{
    mWindowHandles = 0;
    qobject_cast<QAbstractButton*>(ControlLookup::FindControl(mWindow, 'CNTL', 2))->click();
    auto* popup = qobject_cast<QComboBox*>(ControlLookup::FindControl(mWindow, 'CNTL', 3));
    popup->setCurrentIndex(1);
    emit popup->activated(1); // as the user's choice does
    auto* pullDown = qobject_cast<QToolButton*>(ControlLookup::FindControl(mWindow, 'CNTL', 4));
    pullDown->menu()->actions()[2]->trigger();

    const std::vector<CommandT> expected{'CHCK', 'POPC', 'ITM2'};
    EXPECT_EQ(mWindowSaw, expected);
    EXPECT_EQ(mAppSaw, expected); // unhandled by the window, offered to the application
    EXPECT_TRUE(mMailingWindow.mSeen.empty());
    EXPECT_TRUE(mApplication.mSeen.empty());
}

TEST_F(RoutingTest, SheetCloseCommandNeverReachesTheCommanderChain)
{
    QWidget* sheet = Load(QStringLiteral("Sheet"));
    ASSERT_EQ(SheetController::ShowSheetWindow(sheet, mWindow), noErr);
    qobject_cast<QAbstractButton*>(ControlLookup::FindControl(sheet, 'CNTL', 1))->click();

    EXPECT_EQ(mAppSaw, std::vector<CommandT>{'CLSE'});
    EXPECT_TRUE(mMailingWindow.mSeen.empty()); // it would have closed the mailing window
    EXPECT_TRUE(mWindowSaw.empty());           // the sheet's own handler, not the main window's
    EXPECT_TRUE(SheetController::IsSheetShown(sheet));
}

TEST_F(RoutingTest, MenuCommandsGoToHelpThenApplicationThenTheChain)
{
    std::vector<CommandT> helpSaw;
    CommandRouter::Get().SetHelpHandler([&](CommandT command) {
        helpSaw.push_back(command);
        return command == 'Mrnt';
    });
    CommandRouter& router = CommandRouter::Get();
    EXPECT_TRUE(router.SendMenuCommand('Mrnt'));
    EXPECT_TRUE(router.SendMenuCommand('pref'));
    EXPECT_FALSE(router.SendMenuCommand('MYST'));

    EXPECT_EQ(helpSaw, (std::vector<CommandT>{'Mrnt', 'pref', 'MYST'}));
    EXPECT_EQ(mAppSaw, (std::vector<CommandT>{'pref', 'MYST'}));
    EXPECT_EQ(mMailingWindow.mSeen, std::vector<CommandT>{'MYST'});
    EXPECT_EQ(mApplication.mSeen, std::vector<CommandT>{'MYST'});
}

TEST_F(RoutingTest, MenuBarItemsTakeEnablingAndMarksFromTheChainAndRouteAsMenuCommands)
{
    MenuBar& bar = MenuBar::Get();
    bar.RemoveAllMenus();
    QString error;
    ASSERT_TRUE(bar.LoadFromNib(*mNib, QStringLiteral("MenuBar"), &error)) << error.toStdString();
    QMenu* mailing = bar.GetMenu(128);
    ASSERT_NE(mailing, nullptr);
    ASSERT_NE(bar.GetMenu(129), nullptr);

    bar.UpdateAllStatus();
    QAction* simulate = MenuBar::Item(mailing, 1);
    QAction* unknown = MenuBar::Item(mailing, 3);
    EXPECT_TRUE(simulate->isEnabled());
    EXPECT_TRUE(simulate->isChecked());
    EXPECT_FALSE(unknown->isEnabled());

    simulate->trigger();
    EXPECT_EQ(mMailingWindow.mSeen, std::vector<CommandT>{'SIMS'});

    auto* recent = new QMenu;
    EXPECT_TRUE(bar.SetRecentItemsMenu(recent));
    EXPECT_EQ(MenuBar::Item(bar.GetMenu(129), 1)->menu(), recent);
    bar.RemoveAllMenus();
}

TEST_F(RoutingTest, MenuKeysWorkFromAWindowThatShowsNoMenuBar)
{
    MenuBar& bar = MenuBar::Get();
    bar.RemoveAllMenus();
    ASSERT_TRUE(bar.LoadFromNib(*mNib, QStringLiteral("MenuBar")));
    bar.AttachTo(mWindow);
    mWindow->show();
    MenuBar::Item(bar.GetMenu(128), 1)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K)); // 'SIMS'

    QWidget preferences; // a window of the program without a view of the bar
    preferences.show();
    preferences.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&preferences));
    QTest::keyClick(&preferences, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(mMailingWindow.mSeen, std::vector<CommandT>{'SIMS'});
    bar.RemoveAllMenus();
}
