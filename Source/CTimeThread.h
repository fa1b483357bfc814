// CTimeThread: keeps a caption showing the time since the thread started ("1 min 5 secs"),
// measured on the program's clock and redrawn when the second changes. Between seconds it
// sleeps but for a check of the stop request and the UTC clock at each tick, and it ends at the
// first stop request. The caption must outlive the thread: its window adopts it. GUI thread
// (cooperative) only.
#pragma once

#include "CThread.h"
#include "UITypes.h"

class CTimeThread : public CThread {
public:
    explicit CTimeThread(ControlRef inCaption) : mCaption(inCaption) {}

    void* Run() override;

private:
    ControlRef mCaption;
};
