#include "LApplication.h"

#include "LAttachment.h"
#include "LEventLoopTimer.h"
#include "LExceptionReporter.h"
#include "LMainContext.h"
#include "LPeriodical.h"
#include "LQtApplication.h"
#include "LThread.h"
#include "ToolboxAssert.h"
#include "ToolboxCommands.h"

#include <QThread>

LApplication* LApplication::sApplication = nullptr;

namespace {
constexpr LTicks kLongestWait{6};
}

LApplication::LApplication(int* ioArgc, char** ioArgv)
{
    Assert_(LMainContext::OnGuiThread());
    Assert_(sApplication == nullptr);
    if (!QCoreApplication::instance() && ioArgc && ioArgv)
        new LQtApplication(*ioArgc, ioArgv);
    LMainContext::Get(); // makes the Qt application when none was given
    QGuiApplication::setQuitOnLastWindowClosed(false);
    sApplication = this;
}

LApplication::~LApplication()
{
    if (sApplication == this)
        sApplication = nullptr;
}

void LApplication::Run()
{
    Assert_(LThread::InMainContext() && !mInPass);
    LExceptionReporter::CallReporting("BuildMenuBar", [this] { BuildMenuBar(); });
    LExceptionReporter::CallReporting("StartUp", [this] { StartUp(); });
    if (mState == EProgramState::startingUp)
        mState = EProgramState::processingEvents;
    while (mState != EProgramState::quitting)
        ProcessNextEvent();
}

void LApplication::ProcessNextEvent()
{
    Assert_(LThread::InMainContext() && !mInPass && QThread::currentThread()->loopLevel() == 0);
    mInPass = true;
    LMainContext& context = LMainContext::Get();
    const LDeadline until = std::min(DeadlineAfter(kLongestWait), context.NextDue());
    const bool hadEvents = context.WaitForEvents(until, false);

    context.RunQueuedCalls();
    LEventLoopTimer::FireDue();
    RunDeferredQuit();

    EventRecord event;
    event.what = hadEvents ? osEvt : nullEvent;
    event.when = TickCount();
    const Boolean executeHost = ExecuteAttachments(msg_Event, &event);
    LPeriodical::DevoteTimeToRepeaters(event);
    if (executeHost && !hadEvents)
        LPeriodical::DevoteTimeToIdlers(event);
    mInPass = false;
    context.RearmDriver();
}

void LApplication::DoQuit(SInt32 inSaveOption)
{
    if (!LThread::InMainContext()) {
        mQuitDeferred = true;
        mDeferredSaveOption = inSaveOption;
        return;
    }
    if (AttemptQuit(inSaveOption))
        mState = EProgramState::quitting;
}

void LApplication::RunDeferredQuit()
{
    if (!mQuitDeferred)
        return;
    mQuitDeferred = false;
    LExceptionReporter::CallReporting("quit", [this] { DoQuit(mDeferredSaveOption); });
}

void LApplication::StartUp() { Initialize(); }

void LApplication::Initialize() {}

void LApplication::BuildMenuBar() {}

void LApplication::OpenDocumentFile(const QString&) {}

Boolean LApplication::ObeyCommand(CommandT inCommand, void* ioParam)
{
    if (inCommand == cmd_Quit) {
        PerformQuit(kAEAsk);
        return true;
    }
    return LCommander::ObeyCommand(inCommand, ioParam);
}

void LApplication::FindCommandStatus(CommandT inCommand, Boolean& outEnabled, Boolean& outUsesMark, UInt16& outMark,
                                     QString& outName)
{
    if (inCommand == cmd_Quit) {
        outEnabled = true;
        outUsesMark = false;
        return;
    }
    LCommander::FindCommandStatus(inCommand, outEnabled, outUsesMark, outMark, outName);
}

void LApplication::PerformQuit(SInt32 inSaveOption) { DoQuit(inSaveOption); }

Boolean LApplication::ConfirmQuitSelf(SInt32) { return true; }

void LApplication::CleanUp() {}

Boolean LApplication::AttemptQuitSelf(SInt32 inSaveOption) { return ConfirmQuitSelf(inSaveOption); }
