// LSanitizerFiber: tells ThreadSanitizer about the cooperative threads' stack switches. Every
// LThread runs on a stack of its own on the GUI thread; unless each switch is announced, the
// race detector takes the threads for one OS thread whose stack jumps about, mixes their call
// histories and reports nonsense across them (or misses what it should see). A switch
// announced this way also orders everything before it with everything after it, as the switch
// itself does.
//
// Only in a build with -fsanitize=thread; elsewhere every call is empty and costs nothing.
// GUI thread only, like the threads themselves.
#pragma once

#include "ThreadSanitizer.h"

class LSanitizerFiber {
public:
    LSanitizerFiber() = default;
    ~LSanitizerFiber() { Destroy(); }
    LSanitizerFiber(const LSanitizerFiber&) = delete;
    LSanitizerFiber& operator=(const LSanitizerFiber&) = delete;

    // The stack running now (a cooperative thread's or the OS thread's own), to switch back to.
    static void* Running()
    {
#if BREVANTO_THREAD_SANITIZER
        return __tsan_get_current_fiber();
#else
        return nullptr;
#endif
    }

    // Immediately before jumping onto inFiber's stack (from Running()).
    static void SwitchTo(void* inFiber)
    {
#if BREVANTO_THREAD_SANITIZER
        __tsan_switch_to_fiber(inFiber, 0);
#else
        (void)inFiber;
#endif
    }

    // Immediately before jumping onto this thread's stack; made on the first switch.
    void SwitchTo()
    {
#if BREVANTO_THREAD_SANITIZER
        if (!mFiber)
            mFiber = __tsan_create_fiber(0);
        __tsan_switch_to_fiber(mFiber, 0);
#endif
    }

private:
    // Never while the fiber runs: its thread has ended or never started.
    void Destroy()
    {
#if BREVANTO_THREAD_SANITIZER
        if (mFiber)
            __tsan_destroy_fiber(mFiber);
#endif
    }

#if BREVANTO_THREAD_SANITIZER
    void* mFiber = nullptr;
#endif
};
