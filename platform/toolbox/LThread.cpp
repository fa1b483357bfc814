#include "LThread.h"

#include "LMainContext.h"
#include "LQtApplication.h"
#include "LThreadScheduler.h"
#include "ToolboxAssert.h"

#include <QAbstractEventDispatcher>
#include <QSocketNotifier>
#include <QThread>

#include <poll.h>

namespace {
using Clock = std::chrono::steady_clock;
constexpr auto kPollSlice = std::chrono::ceil<Clock::duration>(LTicks{1});  // WaitUntil yields for this long, then sleeps this long between polls
constexpr auto kIdleSlice = std::chrono::ceil<Clock::duration>(LTicks{6});  // longest single block of a wait woken by events

LThreadScheduler& Scheduler() { return LThreadScheduler::Get(); }

void AssertGuiThread() { Assert_(LMainContext::OnGuiThread()); }

// The running thread when it may be switched out; null on the main context or when it may not.
LThread* SwitchableCurrent()
{
    LThread* current = Scheduler().Current();
    return current && Scheduler().CanSwitchOut(current) ? current : nullptr;
}

bool DescriptorReady(int inFD, LThread::EDescriptorEvent inEvent)
{
    const short wanted = inEvent == LThread::EDescriptorEvent::readable ? POLLIN : POLLOUT;
    pollfd entry{inFD, wanted, 0};
    return ::poll(&entry, 1, 0) > 0;
}
} // namespace

LThread::LThread()
    : mContext(std::make_unique<LThreadContext>())
{
    AssertGuiThread();
}

LThread::~LThread()
{
    Assert_(!mContext->started || mContext->state == LThreadContext::EState::finished);
    Scheduler().Forget(this);
}

void LThread::Resume()
{
    AssertGuiThread();
    if (mContext->state == LThreadContext::EState::suspended)
        Scheduler().MakeReady(this);
}

LThread* LThread::GetCurrentThread() { return Scheduler().Current(); }

Boolean LThread::InMainContext() { return LMainContext::OnGuiThread() && Scheduler().Current() == nullptr; }

void LThread::Yield()
{
    AssertGuiThread();
    LThread* current = Scheduler().Current();
    if (!current) {
        Scheduler().RunRound();
        return;
    }
    if (Scheduler().CanSwitchOut(current))
        Scheduler().YieldCurrent();
}

void LThread::Delay(UInt32 inTicks)
{
    AssertGuiThread();
    const LDeadline deadline = DeadlineAfter(LTicks(inTicks));
    if (SwitchableCurrent()) {
        Scheduler().SleepCurrentUntil(deadline);
        return;
    }
    Scheduler().WaitInPlace(deadline, nullptr, kIdleSlice);
}

Boolean LThread::WaitUntil(const std::function<bool()>& inCondition, LDeadline inDeadline)
{
    AssertGuiThread();
    if (!SwitchableCurrent())
        return Scheduler().WaitInPlace(inDeadline, inCondition, kPollSlice);
    const LDeadline start = Clock::now();
    for (;;) {
        if (inCondition())
            return true;
        const LDeadline now = Clock::now();
        if (now >= inDeadline)
            return false;
        if (now - start < kPollSlice)
            Scheduler().YieldCurrent();
        else
            Scheduler().SleepCurrentUntil(std::min(inDeadline, DeadlineAfter(kPollSlice)));
    }
}

LThread::EWaitResult LThread::WaitForDescriptor(int inFD, EDescriptorEvent inEvent, LDeadline inDeadline)
{
    AssertGuiThread();
    auto ready = [&] { return DescriptorReady(inFD, inEvent); };
    if (ready())
        return EWaitResult::ready;
    if (Clock::now() >= inDeadline)
        return EWaitResult::timedOut;
    const auto type = inEvent == EDescriptorEvent::readable ? QSocketNotifier::Read : QSocketNotifier::Write;
    QSocketNotifier notifier(inFD, type);
    LThread* current = SwitchableCurrent();
    if (!current)
        return Scheduler().WaitInPlace(inDeadline, ready, kIdleSlice) ? EWaitResult::ready : EWaitResult::timedOut;
    QObject::connect(&notifier, &QSocketNotifier::activated, &notifier, [&notifier, current] {
        notifier.setEnabled(false);
        LThreadScheduler::Get().Wake(current);
    });
    Scheduler().SleepCurrentUntil(inDeadline);
    return ready() ? EWaitResult::ready : EWaitResult::timedOut;
}

void LThread::PumpEvents()
{
    AssertGuiThread();
    LMainContext::Get();
    LMainContext::PassGuard guard;
    LThreadScheduler::DispatchScope dispatching;
    LQtApplication::InputDeferral deferral;
    QThread::currentThread()->eventDispatcher()->processEvents(QEventLoop::ExcludeUserInputEvents);
}
