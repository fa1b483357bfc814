// EventPass: "let one event through", for long work that must keep the window alive. On the
// main context it delivers the pending non-input events once (LThread::PumpEvents); inside a
// cooperative thread it yields, so the loop runs its pass. It never re-enters the thread
// scheduler. GUI thread only.
#pragma once

class EventPass {
public:
    static void LetOneEventThrough();
};
