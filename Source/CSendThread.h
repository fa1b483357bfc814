// CSendThread: runs one mailing of a window (RunMailing) on a cooperative thread, then clears
// the window's sending and started-by-schedule flags. StartSending makes it, the window adopts
// it (closing the window aborts the run and waits for the thread) and the scheduler deletes it
// after Run. GUI thread (cooperative) only.
#pragma once

#include "CThread.h"

class CBrevantoWindow;

class CSendThread : public CThread {
public:
    explicit CSendThread(CBrevantoWindow& inWindow) : mWindow(inWindow) {}

    void* Run() override;

private:
    CBrevantoWindow& mWindow;
};
