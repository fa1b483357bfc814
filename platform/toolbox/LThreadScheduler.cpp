#include "LThreadScheduler.h"

#include "LException.h"
#include "LExceptionReporter.h"
#include "LMainContext.h"
#include "LThread.h"
#include "ToolboxAssert.h"

#include <QThread>

#include <boost/context/stack_context.hpp>
#include <cxxabi.h>

#include <algorithm>
#include <new>
#include <sys/mman.h>
#include <unistd.h>

namespace {
std::size_t sLiveStacks = 0;

// Mirrors the layout of the C++ runtime's per-thread globals (libstdc++/libsupc++).
struct EHGlobals {
    void* caughtExceptions;
    unsigned int uncaughtExceptions;
};

EHGlobals* CurrentEHGlobals() { return reinterpret_cast<EHGlobals*>(abi::__cxa_get_globals()); }

std::size_t RoundUpToPages(std::size_t inBytes)
{
    static const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    return (inBytes + page - 1) / page * page;
}

// A stack of LThread::kStackBytes with LThread::kGuardBytes of inaccessible memory below it
// (see LThread.h), counted while it lives.
class LThreadStack {
public:
    boost::context::stack_context allocate()
    {
        const std::size_t guard = RoundUpToPages(LThread::kGuardBytes);
        const std::size_t usable = RoundUpToPages(LThread::kStackBytes);
        void* base = mmap(nullptr, guard + usable, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
        if (base == MAP_FAILED)
            throw std::bad_alloc();
        if (mprotect(base, guard, PROT_NONE) != 0) {
            munmap(base, guard + usable);
            throw std::bad_alloc();
        }
        boost::context::stack_context stack;
        stack.size = usable;
        stack.sp = static_cast<char*>(base) + guard + usable;
        ++sLiveStacks;
        return stack;
    }
    void deallocate(boost::context::stack_context& ioStack) noexcept
    {
        const std::size_t guard = RoundUpToPages(LThread::kGuardBytes);
        munmap(static_cast<char*>(ioStack.sp) - ioStack.size - guard, ioStack.size + guard);
        --sLiveStacks;
    }
};
} // namespace

size_t LThread::CountLiveStacks() { return sLiveStacks; }

void LExceptionState::SaveCurrent()
{
    EHGlobals* globals = CurrentEHGlobals();
    caughtExceptions = globals->caughtExceptions;
    uncaughtExceptions = globals->uncaughtExceptions;
}

void LExceptionState::MakeCurrent() const
{
    EHGlobals* globals = CurrentEHGlobals();
    globals->caughtExceptions = caughtExceptions;
    globals->uncaughtExceptions = uncaughtExceptions;
}

LThreadScheduler& LThreadScheduler::Get()
{
    static LThreadScheduler* sScheduler = new LThreadScheduler();
    return *sScheduler;
}

LThreadScheduler::LThreadScheduler() = default;

int LThreadScheduler::LoopLevel() const { return QThread::currentThread()->loopLevel(); }

LDeadline LThreadScheduler::NextDue() const
{
    if (!mReady.empty())
        return LDeadline::min();
    LDeadline next = kNoDeadline;
    for (const LThread* sleeper : mSleepers)
        next = std::min(next, sleeper->mContext->wakeAt);
    return next;
}

bool LThreadScheduler::CanSwitchOut(const LThread* inThread) const
{
    const LThreadContext& context = *inThread->mContext;
    return context.eventDepth == 0 && LoopLevel() <= context.resumeLoopLevel;
}

void LThreadScheduler::MakeReady(LThread* inThread)
{
    inThread->mContext->state = LThreadContext::EState::ready;
    mReady.push_back(inThread);
    if (!mInRound)
        LMainContext::Get().ArmDriver(LDeadline::min());
}

void LThreadScheduler::Wake(LThread* inThread)
{
    if (inThread->mContext->state != LThreadContext::EState::sleeping)
        return;
    std::erase(mSleepers, inThread);
    MakeReady(inThread);
}

void LThreadScheduler::Forget(LThread* inThread)
{
    std::erase(mReady, inThread);
    std::erase(mSleepers, inThread);
    if (mRound)
        std::replace(mRound->begin(), mRound->end(), inThread, static_cast<LThread*>(nullptr));
}

void LThreadScheduler::YieldCurrent()
{
    LThread* thread = mCurrent;
    thread->mContext->state = LThreadContext::EState::ready;
    mReady.push_back(thread);
    SwitchOut();
}

void LThreadScheduler::SleepCurrentUntil(LDeadline inWake)
{
    LThread* thread = mCurrent;
    thread->mContext->state = LThreadContext::EState::sleeping;
    thread->mContext->wakeAt = inWake;
    mSleepers.push_back(thread);
    SwitchOut();
}

void LThreadScheduler::WakeDueSleepers()
{
    if (mSleepers.empty())
        return;
    const LDeadline now = std::chrono::steady_clock::now();
    std::vector<LThread*> due;
    for (LThread* sleeper : mSleepers) {
        if (sleeper->mContext->wakeAt <= now)
            due.push_back(sleeper);
    }
    if (due.empty())
        return;
    std::stable_sort(due.begin(), due.end(), [](const LThread* a, const LThread* b) {
        return a->mContext->wakeAt < b->mContext->wakeAt;
    });
    for (LThread* thread : due) {
        std::erase(mSleepers, thread);
        thread->mContext->state = LThreadContext::EState::ready;
        mReady.push_back(thread);
    }
}

void LThreadScheduler::RunRound()
{
    Assert_(mCurrent == nullptr);
    if (mInRound)
        return;
    mInRound = true;
    WakeDueSleepers();
    std::vector<LThread*> round(mReady.begin(), mReady.end());
    mReady.clear();
    mRound = &round;
    for (LThread*& slot : round) {
        LThread* thread = slot;
        if (!thread)
            continue; // deleted while waiting for its turn
        SwitchInto(thread);
        if (thread->mContext->state == LThreadContext::EState::finished)
            delete thread;
    }
    mRound = nullptr;
    mInRound = false;
    LMainContext::Get().RearmDriver();
}

bool LThreadScheduler::WaitInPlace(LDeadline inDeadline, const std::function<bool()>& inDone,
                                   std::chrono::steady_clock::duration inSlice)
{
    LMainContext::PassGuard guard;
    LMainContext& context = LMainContext::Get();
    const bool onMain = mCurrent == nullptr;
    for (;;) {
        if (inDone && inDone())
            return true;
        const LDeadline now = std::chrono::steady_clock::now();
        if (now >= inDeadline)
            return false;
        if (onMain) {
            RunRound();
            if (inDone && inDone())
                return true;
        }
        LDeadline until = std::min(inDeadline, now + inSlice);
        if (onMain)
            until = std::min(until, NextDue());
        DispatchScope dispatching;
        context.WaitForEvents(until, true);
    }
}

LThreadScheduler::DispatchScope::DispatchScope()
    : mThread(LThreadScheduler::Get().Current())
{
    if (mThread)
        ++mThread->mContext->eventDepth;
}

LThreadScheduler::DispatchScope::~DispatchScope()
{
    if (mThread)
        --mThread->mContext->eventDepth;
}

void LThreadScheduler::SwitchInto(LThread* inThread)
{
    LThreadContext& context = *inThread->mContext;
    context.state = LThreadContext::EState::running;
    context.resumeLoopLevel = LoopLevel();
    mCurrent = inThread;
    mMainExceptions.SaveCurrent();
    context.exceptions.MakeCurrent();
    if (!context.started) {
        context.started = true;
        context.fiber = boost::context::fiber(std::allocator_arg, LThreadStack(),
            [this, inThread](boost::context::fiber&& inMain) { return RunBody(inThread, std::move(inMain)); });
    }
    mMainSanitizerFiber = LSanitizerFiber::Running();
    context.sanitizerFiber.SwitchTo();
    context.fiber = std::move(context.fiber).resume();
    context.exceptions.SaveCurrent();
    mMainExceptions.MakeCurrent();
    mCurrent = nullptr;
}

void LThreadScheduler::SwitchOut()
{
    LSanitizerFiber::SwitchTo(mMainSanitizerFiber);
    mMain = std::move(mMain).resume();
}

boost::context::fiber LThreadScheduler::RunBody(LThread* inThread, boost::context::fiber&& inMain)
{
    mMain = std::move(inMain);
    try {
        inThread->Run();
    } catch (const boost::context::detail::forced_unwind&) {
        throw; // the stack is being unwound by Boost.Context itself
    } catch (const LException&) {
        // The framework's own errors end a thread quietly (a stop request among them).
    } catch (...) {
        LExceptionReporter::ReportCurrent("cooperative thread");
    }
    inThread->mContext->state = LThreadContext::EState::finished;
    LSanitizerFiber::SwitchTo(mMainSanitizerFiber); // the return below jumps back to the main context
    return std::move(mMain);
}
