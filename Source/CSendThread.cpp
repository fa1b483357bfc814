#include "CSendThread.h"

#include "CBrevantoWindow.h"

void* CSendThread::Run()
{
    try {
        mWindow.RunMailing();
    } catch (const CStopException&) {
    }
    mWindow.mSending = 0;
    mWindow.mStartedBySchedule = 0;
    return nullptr;
}
