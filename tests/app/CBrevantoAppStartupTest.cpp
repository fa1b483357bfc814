// Start-up of the application: the log rule, the Message Monitor setting and its menu mark, the
// restore of the last session's documents, launches by a document, one start-up only, a new
// window when start-up opened none, and the quit when the last window closes.
#include "ApplicationFixture.h"

#include "CFileItems.h"
#include "CMessageMonitorWindow.h"
#include "FileManager.h"
#include "MenuBar.h"
#include "MessageMonitor.h"
#include "PreferenceGetters.h"

#include <QAction>
#include <QMenu>

namespace {

class StartingApp : public CBrevantoApp {
public:
    using CBrevantoApp::StartUp;
};

QStringList DocumentPaths(const std::vector<CBrevantoWindow*>& inWindows)
{
    QStringList paths;
    for (CBrevantoWindow* window : inWindows)
        paths << window->GetDocumentPath();
    return paths;
}

// Stores the list so that item 0 is the first path.
void StoreOpenItems(const QStringList& inPaths)
{
    CFileItems items(QString::fromUtf8(kOpenItemsKey), 25);
    for (auto path = inPaths.rbegin(); path != inPaths.rend(); ++path) {
        FSRef file;
        ASSERT_EQ(FSPathMakeRef(*path, &file), noErr);
        items.AddItem(file);
    }
}

bool MessageMonitorMarked()
{
    QMenu* mailing = MenuBar::Get().GetMenu(128);
    QAction* item = MenuBar::Item(mailing, MenuBar::FindItemWithCommand(mailing, 'MsgM'));
    return item && item->isChecked();
}

class StartupTest : public ApplicationFixture {
protected:
    void TearDown() override
    {
        ApplicationFixture::TearDown();
        MenuBar::Get().RemoveAllMenus();
    }
};

} // namespace

TEST_F(StartupTest, LogOpensWhenMissingOrTrueOnly)
{
    const struct {
        const char* value; // null: missing
        bool open;
    } cases[] = {{nullptr, true}, {"true", true}, {"false", false}, {"yes", false}};
    for (const auto& entry : cases) {
        SetPreference(entry.value, CString256(kLogKey));
        CBrevantoApp& application = MakeApplication();
        application.SetUpApplication();
        ASSERT_NE(gEnvironment, nullptr);
        EXPECT_EQ(gEnvironment->logFile != nullptr, entry.open) << (entry.value ? entry.value : "(missing)");
        CloseAllWindows();
        application.CleanUp();
        app.reset();
    }
}

TEST_F(StartupTest, MessageMonitorSettingStartsTheMonitorAndSetsTheMark)
{
    for (const char* value : {"true", "false"}) {
        SetSetting(kMessageMonitorKey, value);
        CBrevantoApp& application = MakeApplication();
        application.BuildMenuBar();
        application.SetUpApplication();
        const bool on = std::strcmp(value, "true") == 0;
        EXPECT_EQ(gEnvironment->monitorOn != 0, on) << value;
        EXPECT_EQ(IsMessageMonitorRunning(), on) << value;
        EXPECT_EQ(MessageMonitorMarked(), on) << value;
        CloseAllWindows();
        application.CleanUp();
        app.reset();
        MenuBar::Get().RemoveAllMenus();
        EXPECT_FALSE(IsMessageMonitorRunning()) << "clean-up stops the monitor";
    }
}

TEST_F(StartupTest, RestoreWorkspaceReopensOpenItemsInListOrder)
{
    const QStringList paths = {MakeDocument("first.bvto"), MakeDocument("second.bvto"), MakeDocument("third.bvto")};
    StoreOpenItems(paths);
    SetSetting(kRestoreWorkspaceKey, "true");
    MakeApplication().SetUpApplication();
    EXPECT_EQ(DocumentPaths(Windows()), paths);
}

TEST_F(StartupTest, WithoutRestoreOneUntitledWindowOpens)
{
    StoreOpenItems({MakeDocument("kept.bvto")});
    MakeApplication().SetUpApplication();
    EXPECT_EQ(DocumentPaths(Windows()), QStringList{QString()});
}

TEST_F(StartupTest, LaunchByDocumentRunsStartUpFirst)
{
    const QString document = MakeDocument("launched.bvto");
    CBrevantoApp& application = MakeApplication();
    EXPECT_EQ(application.DispatchAppleEvent(AppleEvent::Make(kCoreEventClass, kAEOpenDocuments, {document})), noErr);
    EXPECT_TRUE(application.IsSetUp());
    EXPECT_EQ(DocumentPaths(Windows()), (QStringList{QString(), document}));
}

TEST_F(StartupTest, StartUpRunsOnce)
{
    CBrevantoApp& application = MakeApplication();
    application.Initialize();
    CEnvironment* environment = gEnvironment;
    application.Initialize();
    application.DispatchAppleEvent(AppleEvent::Make(kCoreEventClass, kAEReopenApplication));
    EXPECT_EQ(gEnvironment, environment);
    EXPECT_EQ(Windows().size(), 1u);
}

TEST_F(StartupTest, StartUpThatOpensNoWindowOpensANewOne)
{
    const QString gone = MakeDocument("gone.bvto");
    StoreOpenItems({gone});
    QFile::remove(gone);
    SetSetting(kRestoreWorkspaceKey, "true");
    auto* application = new StartingApp;
    app.reset(application);
    application->StartUp();
    EXPECT_EQ(DocumentPaths(Windows()), QStringList{QString()});
}

TEST_F(StartupTest, ClosingTheLastWindowQuits)
{
    CBrevantoApp& application = MakeApplication();
    application.SetUpApplication();
    application.ObeyCommand(cmd_New, nullptr);
    ASSERT_EQ(Windows().size(), 2u);
    application.SetState(LApplication::EProgramState::processingEvents);

    Windows().front()->AttemptClose();
    application.ProcessNextEvent();
    EXPECT_EQ(application.GetState(), LApplication::EProgramState::processingEvents) << "one window is left";

    Windows().front()->AttemptClose();
    application.ProcessNextEvent();
    EXPECT_EQ(application.GetState(), LApplication::EProgramState::quitting);
}
