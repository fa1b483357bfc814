// The recent-items list and its menu, with real documents in a folder of the test.
#include "ApplicationFixture.h"

#include "CRecentItems.h"
#include "CommandRouter.h"
#include "FileManager.h"
#include "MenuBar.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QProcess>

namespace {

class RecentItemsTest : public ApplicationFixture {
protected:
    void SetUp() override
    {
        ApplicationFixture::SetUp();
        MakeApplication().BuildMenuBar();
        app->SetUpApplication();
    }
    void TearDown() override
    {
        ApplicationFixture::TearDown();
        MenuBar::Get().RemoveAllMenus();
    }

    CRecentItems& Recent() { return *dynamic_cast<CRecentItems*>(gEnvironment->recentItems.get()); }

    void Add(const QString& inPath)
    {
        FSRef ref;
        ASSERT_EQ(FSPathMakeRef(inPath, &ref), noErr);
        Recent().AddItem(ref);
    }

    QStringList Titles() const
    {
        QStringList titles;
        for (QAction* item : const_cast<RecentItemsTest*>(this)->Recent().Menu()->actions())
            titles << item->text();
        return titles;
    }

    bool Enabled(CommandT inCommand)
    {
        Boolean enabled = false, usesMark = false;
        UInt16 mark = 0;
        QString name;
        app->FindCommandStatus(inCommand, enabled, usesMark, mark, name);
        return enabled;
    }
};

} // namespace

TEST_F(RecentItemsTest, NewestFirstOnceEachAtMostTen)
{
    EXPECT_FALSE(Enabled('RCNT')) << "nothing to show";
    QMenu* file = MenuBar::Get().GetMenu(129);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(MenuBar::Item(file, MenuBar::FindItemWithCommand(file, 'RCNT'))->menu(), Recent().Menu())
        << "the list is the Open Recent submenu";
    QStringList paths;
    for (int n = 0; n < 11; ++n)
        paths << MakeDocument(QStringLiteral("Mailing %1.bvto").arg(n));
    Add(paths[0]);
    EXPECT_TRUE(Enabled('RCNT'));
    Add(paths[1]);
    Add(paths[0]); // listed already: keeps its place
    EXPECT_EQ(Titles(), (QStringList{"Mailing 1.bvto", "Mailing 0.bvto"}));
    for (int n = 2; n < 11; ++n)
        Add(paths[n]);
    ASSERT_EQ(Titles().size(), 10);
    EXPECT_EQ(Titles().front(), "Mailing 10.bvto");
    EXPECT_FALSE(Titles().contains("Mailing 0.bvto")) << "the eleventh drops the oldest";

    // The list outlives the program: at most ten records under "Recent Items".
    app->CleanUp();
    app.reset();
    const QString script = QStringLiteral(
        "import plistlib, sys\n"
        "d = plistlib.load(open(sys.argv[1], 'rb'))\n"
        "print(len(d['Recent Items']), all(isinstance(e, bytes) for e in d['Recent Items']))\n");
    QProcess python;
    python.start(BREVANTO_PYTHON, {"-c", script,
                                   qEnvironmentVariable("XDG_CONFIG_HOME") + "/Brevanto/org.brevanto.Brevanto.plist"});
    ASSERT_TRUE(python.waitForFinished(20000));
    EXPECT_EQ(python.readAllStandardOutput().trimmed(), "10 True") << python.readAllStandardError().toStdString();
}

TEST_F(RecentItemsTest, AVanishedDocumentShiftsNoOtherItem)
{
    const QString first = MakeDocument("First.bvto");
    const QString gone = MakeDocument("Gone.bvto");
    const QString last = MakeDocument("Last.bvto");
    Add(first);
    Add(gone);
    Add(last);
    ASSERT_TRUE(QFile::remove(gone));
    Recent().Rebuild();
    const QList<QAction*> items = Recent().Menu()->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->toolTip(), last);
    EXPECT_EQ(CommandRouter::CommandOf(items[0]), CRecentItems::SlotCommand(0));
    EXPECT_EQ(items[1]->toolTip(), first);
    EXPECT_EQ(CommandRouter::CommandOf(items[1]), CRecentItems::SlotCommand(2)) << "the slot keeps its command";

    const size_t before = Windows().size();
    EXPECT_TRUE(app->ObeyCommand(CRecentItems::SlotCommand(1), nullptr)) << "a vanished one is handled";
    EXPECT_EQ(Windows().size(), before) << "and opens nothing";
    EXPECT_TRUE(app->ObeyCommand(CRecentItems::SlotCommand(2), nullptr));
    ASSERT_EQ(Windows().size(), before + 1);
    EXPECT_TRUE(Enabled(CRecentItems::SlotCommand(0)));
    for (CommandT command : {CommandT('RCNT'), CommandT('SRVS'), CommandT('UPDT'), CommandT(cmd_Open)}) {
        SInt32 slot = 0;
        EXPECT_FALSE(Recent().FindItemIndex(command, slot)) << "slot commands are their own";
    }
}
