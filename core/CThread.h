// CThread: the base of every worker thread of the program (send, preview, time, importer,
// updater, download threads). It adds to LThread a stop request, a stop check that is also the
// thread's yield point, and the one list of all live worker threads, so that the application
// can ask every thread to stop and wait until all are gone before it quits.
// Invariants: a CThread is on gThreadList from the end of its constructor to the start of its
// destructor; its stop flag goes from false to true once and stays.
// Threads: RequestStop and IsStopRequested from any OS thread (the flag is atomic); all else
// on the GUI thread. CheckStop fails only by throwing CStopException.
#pragma once

#include "CList.h"
#include "LException.h"
#include "LThread.h"

#include <atomic>

class CThread : public LThread {
public:
    // Thrown by CheckStop once a stop was requested: code -1, message "CStopException".
    class CStopException : public LException {
    public:
        CStopException();
        ~CStopException() override;
    };

    CThread();
    ~CThread() override;

    void RequestStop();
    Boolean IsStopRequested() const;

    // Yields to any other thread, then throws CStopException when a stop was requested
    // (also one requested while this call was yielding).
    void CheckStop();

    // The quit wait, on the main context only: asks every listed thread to stop, then runs
    // rounds and delivers non-input events until the list is empty. A thread that never checks
    // for a stop or never returns keeps this from returning.
    static void StopAllAndWait();

private:
    std::atomic<bool> mStopRequested{false};
};

// Every live CThread, oldest first.
extern CList<CThread*> gThreadList;
