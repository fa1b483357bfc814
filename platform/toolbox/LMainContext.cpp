#include "LMainContext.h"

#include "LEventLoopTimer.h"
#include "LExceptionReporter.h"
#include "LQtApplication.h"
#include "LThreadScheduler.h"
#include "ThreadSanitizer.h"
#include "ToolboxAssert.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <thread>

namespace {
const std::thread::id sProcessMainThread = std::this_thread::get_id();
QPointer<LMainContext> sInstance;
constexpr QEvent::Type kWakeEvent = QEvent::User;
} // namespace

bool LMainContext::OnGuiThread()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        return app->thread() == QThread::currentThread();
    return std::this_thread::get_id() == sProcessMainThread;
}

LMainContext& LMainContext::Get()
{
    if (sInstance)
        return *sInstance;
    Assert_(OnGuiThread());
    sInstance = new LMainContext();
    return *sInstance;
}

LMainContext::LMainContext()
    : QObject(LQtApplication::Instance())
    , mDriver(new QTimer(this))
{
    mDriver->setSingleShot(true);
    mDriver->setTimerType(Qt::PreciseTimer);
    connect(mDriver, &QTimer::timeout, this, [this] { OnDriver(); });
    QCoreApplication::instance()->installEventFilter(this);
}

LMainContext::~LMainContext() = default;

bool LMainContext::IsInternal(const QObject* inObject) const
{
    return inObject == this || inObject == mDriver;
}

bool LMainContext::eventFilter(QObject* inWatched, QEvent* inEvent)
{
    switch (inEvent->type()) {
    case QEvent::Timer:
    case QEvent::ZeroTimerEvent:
    case QEvent::SockAct:
    case QEvent::SockClose:
        break;
    default:
        if (!IsInternal(inWatched))
            ++mEventCount;
    }
    return false;
}

void LMainContext::customEvent(QEvent* inEvent)
{
    if (inEvent->type() != kWakeEvent)
        return;
    mWakePosted = false;
    ArmDriver(LDeadline::min());
}

void LMainContext::Enqueue(std::function<void()> inCall)
{
    {
        std::lock_guard lock(mQueueLock);
        mQueue.push_back(std::move(inCall));
        ++mQueuedCount;
    }
    if (mWakePosted.exchange(true))
        return;
    auto* wake = new QEvent(kWakeEvent);
    AnnounceHandOver(wake); // Qt's event queue orders it for the GUI thread (LQtApplication::notify)
    QCoreApplication::postEvent(this, wake);
}

void LMainContext::RunQueuedCalls()
{
    std::deque<std::function<void()>> calls;
    {
        std::lock_guard lock(mQueueLock);
        calls.swap(mQueue);
        mQueuedCount -= int(calls.size());
    }
    for (auto& call : calls)
        LExceptionReporter::CallReporting("queued call", call);
}

bool LMainContext::WaitForEvents(LDeadline inUntil, bool inExcludeInput)
{
    QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents;
    if (inUntil > std::chrono::steady_clock::now()) {
        ArmDriver(inUntil);
        flags |= QEventLoop::WaitForMoreEvents;
    }
    const quint64 before = mEventCount;
    QAbstractEventDispatcher* dispatcher = QThread::currentThread()->eventDispatcher();
    if (inExcludeInput) {
        LQtApplication::InputDeferral deferral;
        dispatcher->processEvents(flags | QEventLoop::ExcludeUserInputEvents);
    } else {
        dispatcher->processEvents(flags);
    }
    return mEventCount != before;
}

LDeadline LMainContext::NextDue() const
{
    if (mQueuedCount.load() > 0)
        return LDeadline::min();
    return std::min(LThreadScheduler::Get().NextDue(), LEventLoopTimer::NextDue());
}

void LMainContext::ArmDriver(LDeadline inDue)
{
    if (inDue == kNoDeadline)
        return;
    if (mDriver->isActive() && mDriverDue <= inDue)
        return;
    const auto now = std::chrono::steady_clock::now();
    int64_t ms = 0;
    if (inDue > now) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(inDue - now).count();
        ms = std::min<int64_t>(wait, INT_MAX);
    }
    mDriverDue = inDue;
    mDriver->start(int(ms));
}

void LMainContext::RearmDriver()
{
    mDriverMissed = false;
    ArmDriver(NextDue());
}

void LMainContext::RearmIfMissed()
{
    if (mDriverMissed && mGuardDepth == 0)
        RearmDriver();
}

bool LMainContext::NestedPassAllowed() const
{
    const LThreadScheduler& scheduler = LThreadScheduler::Get();
    return mGuardDepth == 0 && scheduler.Current() == nullptr && !scheduler.InRound()
        && QThread::currentThread()->loopLevel() > 0;
}

void LMainContext::OnDriver()
{
    mDriverDue = kNoDeadline;
    if (!NestedPassAllowed()) {
        mDriverMissed = true;
        return;
    }
    RunQueuedCalls();
    LEventLoopTimer::FireDue();
    LThreadScheduler::Get().RunRound();
    RearmDriver();
}

LMainContext::PassGuard::PassGuard() { ++LMainContext::Get().mGuardDepth; }

LMainContext::PassGuard::~PassGuard()
{
    LMainContext& context = LMainContext::Get();
    --context.mGuardDepth;
    context.RearmIfMissed();
}
