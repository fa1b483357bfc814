// Deferred deletion, the yield attachment and the pending revert, on the application's loop.
#include "CCleanupAttachment.h"
#include "CCleanupObject.h"
#include "CRevertHost.h"
#include "CYieldAttachment.h"

#include "LApplication.h"
#include "LThread.h"
#include "ToolboxCommands.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <functional>
#include <string>
#include <vector>

namespace {
std::vector<std::string> gDeleted;

class Doomed : public CCleanupObject {
public:
    explicit Doomed(std::string inName, std::function<void()> inOnDelete = {})
        : mName(std::move(inName))
        , mOnDelete(std::move(inOnDelete))
    {
        ++sLive;
    }
    ~Doomed() override
    {
        --sLive;
        gDeleted.push_back(mName);
        if (mOnDelete)
            mOnDelete();
    }
    static inline int sLive = 0;

private:
    std::string mName;
    std::function<void()> mOnDelete;
};

class LoopFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        gDeleted.clear();
        mApp.AddAttachment(new CCleanupAttachment);
    }
    void TearDown() override
    {
        mApp.ProcessNextEvent();
        mApp.ProcessNextEvent();
        EXPECT_EQ(Doomed::sLive, 0);
    }
    LApplication mApp;
};

using CleanupTest = LoopFixture;
} // namespace

TEST_F(CleanupTest, TwoCleanupsInOneEventDieAtTheNextPassOldestFirst)
{
    auto* first = new Doomed("first");
    auto* second = new Doomed("second");
    second->Cleanup();
    first->Cleanup();
    EXPECT_TRUE(gDeleted.empty()) << "nothing dies before the pass";
    mApp.ProcessNextEvent();
    EXPECT_EQ(gDeleted, (std::vector<std::string>{"second", "first"}));
}

TEST_F(CleanupTest, ADoubleCleanupDeletesOnceAndAnOwnerMayDeleteAListedObject)
{
    auto* twice = new Doomed("twice");
    twice->Cleanup();
    twice->Cleanup();
    auto* ownerDeleted = new Doomed("owner-deleted");
    ownerDeleted->Cleanup();
    delete ownerDeleted;
    mApp.ProcessNextEvent();
    EXPECT_EQ(gDeleted, (std::vector<std::string>{"owner-deleted", "twice"}));
    EXPECT_EQ(gCleanupList.Count(), 0);
}

TEST_F(CleanupTest, ACleanupAskedFromADestructorIsHonouredAPassLater)
{
    auto* child = new Doomed("child");
    auto* sibling = new Doomed("sibling");
    auto* parent = new Doomed("parent", [&] {
        child->Cleanup();
        delete sibling; // listed in the same batch: taken off it, not deleted twice
    });
    parent->Cleanup();
    sibling->Cleanup();
    mApp.ProcessNextEvent();
    EXPECT_EQ(gDeleted, (std::vector<std::string>{"parent", "sibling"}));
    mApp.ProcessNextEvent();
    EXPECT_EQ(gDeleted, (std::vector<std::string>{"parent", "sibling", "child"}));
}

namespace {
class Counter : public LThread {
public:
    explicit Counter(int& ioCount, const bool& inStop)
        : mCount(ioCount)
        , mStop(inStop)
    {
    }
    void* Run() override
    {
        while (!mStop) {
            ++mCount;
            LThread::Yield();
        }
        return nullptr;
    }

private:
    int& mCount;
    const bool& mStop;
};
} // namespace

TEST_F(CleanupTest, QuantumMinusOneYieldsOncePerPass)
{
    mApp.AddAttachment(new CYieldAttachment(-1));
    int count = 0;
    bool stop = false;
    (new Counter(count, stop))->Resume();
    for (int pass = 0; pass < 4; ++pass)
        mApp.ProcessNextEvent();
    EXPECT_EQ(count, 4);
    stop = true;
    mApp.ProcessNextEvent();
}

TEST_F(CleanupTest, UnderAModalLoopOfTheMainContextThreadsAdvanceWhileACleanupWaits)
{
    mApp.AddAttachment(new CYieldAttachment(-1));
    auto* window = new Doomed("window");
    window->Cleanup();
    int count = 0;
    bool stop = false;
    (new Counter(count, stop))->Resume();

    QEventLoop modal;
    QTimer::singleShot(100, &modal, [&] { modal.quit(); });
    modal.exec();
    EXPECT_GT(count, 1) << "rounds went on under the modal loop";
    EXPECT_EQ(Doomed::sLive, 1) << "the deletion waits for the top-level pass";
    mApp.ProcessNextEvent();
    EXPECT_EQ(Doomed::sLive, 0);
    stop = true;
    mApp.ProcessNextEvent();
}

namespace {
// Stand-ins for the mailing window and the application.
class StandInWindow : public CRevertWindow {
public:
    StandInWindow(FSRef inFile, bool inRefuse, std::vector<std::string>& ioLog)
        : mFile(std::move(inFile))
        , mRefuse(inRefuse)
        , mLog(ioLog)
    {
    }
    FSRef GetDocumentFile() const override { return mFile; }
    void AttemptClose() override { mLog.push_back(mRefuse ? "close refused" : "closed"); }

private:
    FSRef mFile;
    bool mRefuse;
    std::vector<std::string>& mLog;
};

class StandInHost : public CRevertHost {
public:
    CRevertWindow* marked = nullptr;
    std::vector<std::string> log;
    CRevertWindow* TakeWindowToReopen() override { return std::exchange(marked, nullptr); }
    void OpenDocumentFile(const FSSpec& inFile) override { log.push_back("open " + inFile.name); }
    Boolean ObeyCommand(CommandT inCommand, void*) override
    {
        log.push_back("command " + std::to_string(inCommand));
        return true;
    }
};
} // namespace

TEST_F(CleanupTest, PendingRevertClosesThenReopensTheFileOrOpensANewMailing)
{
    const std::string present = std::string(getenv("TMPDIR")) + "/Mailing.bvto";
    QFile(QString::fromStdString(present)).open(QIODevice::WriteOnly);
    const std::string gone = std::string(getenv("TMPDIR")) + "/Deleted.bvto";

    struct Case {
        std::string file;
        bool refuse;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {present, false, {"closed", "open Mailing.bvto"}},
        {gone, false, {"closed", "command 2"}},
        {"", false, {"closed", "command 2"}}, // never saved
        {present, true, {"close refused", "open Mailing.bvto"}},
    };
    StandInHost host;
    auto* yield = new CYieldAttachment(-1, &host);
    mApp.AddAttachment(yield);
    for (const Case& c : cases) {
        host.log.clear();
        StandInWindow window(FSRef{c.file}, c.refuse, host.log);
        host.marked = &window;
        mApp.ProcessNextEvent();
        EXPECT_EQ(host.log, c.expected) << c.file;
        EXPECT_EQ(host.marked, nullptr) << "the mark is cleared";
        mApp.ProcessNextEvent();
        EXPECT_EQ(host.log, c.expected) << "a revert is carried out once";
    }
    delete yield; // leaves the application before the host goes
}
