#include "EventPass.h"

#include "LThread.h"

void EventPass::LetOneEventThrough()
{
    if (LThread::InMainContext()) {
        LThread::PumpEvents();
        return;
    }
    LThread::Yield();
}
