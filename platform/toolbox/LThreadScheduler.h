// LThreadScheduler: the ready queue, the sleepers and the switching of LThread coroutines.
// Internal to the toolbox (LThread and LMainContext use it). Invariants: only the main context
// resumes a thread; at most one thread runs; a thread is in at most one of the ready queue and
// the sleepers; the C++ exception state of the OS thread always belongs to whoever runs.
// GUI thread only.
#pragma once

#include "Events.h"
#include "LSanitizerFiber.h"

#include <boost/context/fiber.hpp>

#include <deque>
#include <functional>
#include <vector>

class LThread;
class QThread;

// The C++ runtime's per-OS-thread exception state (caught-exception stack, uncaught count).
struct LExceptionState {
    void* caughtExceptions = nullptr;
    unsigned int uncaughtExceptions = 0;
    void SaveCurrent();
    void MakeCurrent() const;
};

struct LThreadContext {
    enum class EState { suspended, ready, running, sleeping, finished };
    EState state = EState::suspended;
    bool started = false;
    LSanitizerFiber sanitizerFiber; // the race detector's view of the stack below (outlives it)
    boost::context::fiber fiber;
    LExceptionState exceptions;
    int resumeLoopLevel = 0; // the main context's Qt loop level when last resumed
    int eventDepth = 0;      // PumpEvents and waits delivering events on this thread's stack
    LDeadline wakeAt = kNoDeadline;
};

class LThreadScheduler {
public:
    static LThreadScheduler& Get();

    LThread* Current() const { return mCurrent; }
    bool InRound() const { return mInRound; }
    LDeadline NextDue() const;

    // Whether the running thread may be switched out (not inside a nested loop or dispatch).
    bool CanSwitchOut(const LThread* inThread) const;

    void MakeReady(LThread* inThread);
    void Wake(LThread* inThread);             // a sleeper becomes ready now
    void Forget(LThread* inThread);           // takes it off every queue
    void YieldCurrent();                      // the running thread: ready, back to main
    void SleepCurrentUntil(LDeadline inWake); // the running thread: asleep, back to main
    void RunRound();                          // main context only; nested calls do nothing

    // Waits on the current stack without switching it out, until inDone answers true (true)
    // or inDeadline passes (false): the main context runs rounds and delivers non-input events;
    // a thread that cannot be switched out only delivers events. Blocks at most inSlice at once.
    bool WaitInPlace(LDeadline inDeadline, const std::function<bool()>& inDone,
                     std::chrono::steady_clock::duration inSlice);

    // Marks events being dispatched on the current stack while it lives.
    class DispatchScope {
    public:
        DispatchScope();
        ~DispatchScope();
        DispatchScope(const DispatchScope&) = delete;
        DispatchScope& operator=(const DispatchScope&) = delete;

    private:
        LThread* mThread;
    };

private:
    LThreadScheduler();
    void WakeDueSleepers();
    void SwitchInto(LThread* inThread);
    void SwitchOut();
    boost::context::fiber RunBody(LThread* inThread, boost::context::fiber&& inMain);
    int LoopLevel() const;

    std::deque<LThread*> mReady;
    std::vector<LThread*> mSleepers;
    std::vector<LThread*>* mRound = nullptr; // the threads of the running round
    LThread* mCurrent = nullptr;
    bool mInRound = false;
    boost::context::fiber mMain;             // the main context while a thread runs
    void* mMainSanitizerFiber = nullptr;     // and the race detector's view of it
    LExceptionState mMainExceptions;
};
