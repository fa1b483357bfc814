// LMainContext: the GUI thread's loop machinery shared by the application's loop, the
// cooperative threads, the toolbox timers and queued calls.
//
// - WaitForEvents delivers Qt events, blocking until one comes or a deadline passes, and says
//   whether any real event (not a timer tick or internal wake-up) was delivered.
// - Queued calls (RunOnMainContext) may be added from any OS thread; they run at the next pass.
// - The driver is a single-shot Qt timer armed for the next due work (ready threads, sleepers,
//   toolbox timers, queued calls). It is the wake-up of every wait, and under a nested event
//   loop of the main context (a modal dialog of main-context code) it runs the queued calls,
//   due toolbox timers and one round of threads after each of that loop's passes. It does
//   nothing on a cooperative thread, inside PumpEvents or a main-context wait (PassGuard), at
//   the top level (the application's own pass does that work there) or inside a round.
//
// Everything but Enqueue runs on the GUI thread only.
#pragma once

#include "Events.h"

#include <QObject>

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>

class QTimer;

class LMainContext final : public QObject {
public:
    static LMainContext& Get();  // made on first use (GUI thread), with the application object
    static bool OnGuiThread();   // the OS thread of the Qt application (or of main() before it)

    void Enqueue(std::function<void()> inCall); // any OS thread
    void RunQueuedCalls();

    // Delivers events (input excluded on request); blocks while nothing comes and inUntil is
    // in the future. True when a real event was delivered.
    bool WaitForEvents(LDeadline inUntil, bool inExcludeInput);

    // Earliest time work is due: now when a thread is ready or a call queued.
    LDeadline NextDue() const;

    void ArmDriver(LDeadline inDue);
    void RearmDriver();
    void RearmIfMissed();

    // While one lives, the driver does no nested pass (it rearms when the last one ends).
    class PassGuard {
    public:
        PassGuard();
        ~PassGuard();
        PassGuard(const PassGuard&) = delete;
        PassGuard& operator=(const PassGuard&) = delete;
    };

protected:
    bool eventFilter(QObject* inWatched, QEvent* inEvent) override;
    void customEvent(QEvent* inEvent) override;

private:
    LMainContext();
    ~LMainContext() override;
    void OnDriver();
    bool NestedPassAllowed() const;
    bool IsInternal(const QObject* inObject) const;

    QTimer* mDriver;
    LDeadline mDriverDue = kNoDeadline;
    bool mDriverMissed = false;
    int mGuardDepth = 0;
    quint64 mEventCount = 0;

    std::mutex mQueueLock;
    std::deque<std::function<void()>> mQueue;
    std::atomic<int> mQueuedCount{0};
    std::atomic<bool> mWakePosted{false};
};
