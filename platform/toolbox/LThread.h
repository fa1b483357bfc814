// LThread: a cooperative thread. Each one is a stackful coroutine (its stack made when it first
// runs, sizes below) on the GUI thread; all of them take turns with the main context, which
// alone resumes them.
//
// Life: constructed suspended; Resume makes it ready and it first runs at the next round,
// never inside Resume. When Run returns, or an exception leaves it (an LException silently,
// anything else reported), the scheduler deletes the object on the main context and frees the
// stack. A thread that never ran may be deleted by its owner, and its Run may be called inline
// on another thread's stack (a yield inside then suspends the caller). Deleting a thread that
// started and has not ended is a misuse.
//
// Scheduling: a round resumes each ready thread once, in the order they became ready; a
// thread readied or yielding during a round runs in the next. Rounds run from any Yield on the
// main context (the application's yield attachment does one per pass) and, under a modal loop
// of the main context, after each of that loop's passes. Each switch saves and restores the
// C++ runtime's exception state, so threads may yield or throw inside catch handlers.
//
// Waits never block the OS thread: Yield, Delay, WaitUntil and WaitForDescriptor suspend a
// thread; on the main context they run rounds and non-input events instead. A thread inside a
// nested event loop (a modal dialog, any QEventLoop, PumpEvents) is never switched out: its
// yields return at once and its waits deliver events without running other threads.
//
// Everything here is for the GUI thread only: an OS thread calling in fails an assertion.
#pragma once

#include "Events.h"
#include "MacTypes.h"

#include <functional>
#include <memory>

struct LThreadContext;

class LThread {
public:
    enum class EDescriptorEvent { readable, writable };
    enum class EWaitResult { ready, timedOut };

    LThread();
    virtual ~LThread();
    LThread(const LThread&) = delete;
    LThread& operator=(const LThread&) = delete;

    // Suspended → ready. Does nothing for a thread that is already ready, running, asleep or ended.
    void Resume();

    // The thread's body.
    virtual void* Run() = 0;

    // The running thread, or null on the main context.
    static LThread* GetCurrentThread();
    static Boolean InMainContext();

    // A thread: returns at its next round. The main context: runs one round.
    static void Yield();
    static void YieldToAnyThread() { Yield(); }

    // Sleeps until inTicks (1/60 s) have passed; the thread is resumed once, after that.
    static void Delay(UInt32 inTicks);

    // Polls inCondition, yielding between polls; false when inDeadline passed first. For its
    // first tick a thread polls every round, then once a tick, so a long wait lets the loop block.
    static Boolean WaitUntil(const std::function<bool()>& inCondition, LDeadline inDeadline);

    // Suspends until inFD is readable or writable (an error or hang-up counts as ready) or
    // inDeadline passes.
    static EWaitResult WaitForDescriptor(int inFD, EDescriptorEvent inEvent, LDeadline inDeadline);

    // Delivers pending events except user input, without waiting. Runs no round, attachment,
    // periodical, toolbox timer or queued call: those and the input wait for the next pass.
    static void PumpEvents();

    // Every cooperative stack: kStackBytes for the thread's frames, with kGuardBytes below them
    // that no access may touch. 1 MiB holds what the threads run (a send through the secure
    // road with its TLS handshake, an import, a modal dialog opened from a thread with Qt
    // painting on that stack) many times over. Running past it, by deep recursion or one huge
    // frame, is a crash (SIGSEGV at the guard), never a silent write into another stack: every
    // target is built with -fstack-clash-protection, so a frame larger than a page touches each
    // page on its way down and meets the guard; the guard's 64 KiB also stops the smaller
    // frames of libraries built without it.
    static constexpr size_t kStackBytes = size_t(1) << 20;
    static constexpr size_t kGuardBytes = size_t(64) << 10;

    // Stacks currently allocated (for tests and benchmarks).
    static size_t CountLiveStacks();

private:
    friend class LThreadScheduler;
    std::unique_ptr<LThreadContext> mContext;
};
