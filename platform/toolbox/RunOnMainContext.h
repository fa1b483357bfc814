// RunOnMainContext: hands a call to the GUI thread's main context, from any OS thread (the
// Message Monitor's and HTTP request's threads use it instead of touching widgets). The call
// runs at the next pass of the loop (also under a modal loop of the main context), never
// inside PumpEvents, a round of threads or a cooperative thread; what it throws is reported.
// The main context must exist (the application or a thread made it) before an OS thread calls.
#pragma once

#include <functional>

void RunOnMainContext(std::function<void()> inCall);
