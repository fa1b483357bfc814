#include "CThread.h"

#include "ToolboxAssert.h"

CList<CThread*> gThreadList;

CThread::CStopException::CStopException()
    : LException(-1, "CStopException")
{
}

CThread::CStopException::~CStopException() = default;

CThread::CThread() { gThreadList.Append(this); }

CThread::~CThread() { gThreadList.Remove(this); }

void CThread::RequestStop() { mStopRequested.store(true); }

Boolean CThread::IsStopRequested() const { return mStopRequested.load(); }

void CThread::CheckStop()
{
    LThread::Yield();
    if (mStopRequested.load())
        throw CStopException();
}

void CThread::StopAllAndWait()
{
    Assert_(LThread::InMainContext());
    gThreadList.Rewind();
    while (CThread** thread = gThreadList.Next())
        (*thread)->RequestStop();
    LThread::WaitUntil([] { return gThreadList.Count() == 0; }, kNoDeadline);
}
