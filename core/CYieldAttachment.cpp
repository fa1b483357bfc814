#include "CYieldAttachment.h"

#include "CRevertHost.h"
#include "FileManager.h"
#include "LThread.h"
#include "ToolboxCommands.h"

CYieldAttachment::CYieldAttachment(SInt32 inQuantum, CRevertHost* inRevertHost)
    : LAttachment(msg_Event, true)
    , mQuantum(inQuantum)
    , mRevertHost(inRevertHost)
{
}

CYieldAttachment::~CYieldAttachment() = default;

void CYieldAttachment::DoExecute(MessageT, void*)
{
    CarryOutPendingRevert();
    GiveThreadsTime();
}

void CYieldAttachment::CarryOutPendingRevert()
{
    if (!mRevertHost)
        return;
    CRevertWindow* window = mRevertHost->TakeWindowToReopen();
    if (!window)
        return;
    const FSRef file = window->GetDocumentFile();
    window->AttemptClose(); // a refusal shows its alert; the file is opened all the same
    FSSpec spec;
    if (!file.IsEmpty() && FSGetFSSpec(file, &spec) == noErr)
        mRevertHost->OpenDocumentFile(spec);
    else
        mRevertHost->ObeyCommand(cmd_New, nullptr);
}

void CYieldAttachment::GiveThreadsTime()
{
    if (mQuantum < 0) {
        LThread::Yield();
        return;
    }
    UInt32 now;
    do {
        LThread::Yield();
        now = TickCount();
    } while (now <= mNextDeadline);
    mNextDeadline = now + UInt32(mQuantum);
}
