// CYieldAttachment: the application's attachment for message 810 that gives the cooperative
// threads processor time from the main loop, and first carries out a pending revert of a
// mailing window (close it, then reopen its file, or open a new mailing when the file is gone).
// Quantum, in ticks: negative yields once per pass (what the application uses); zero or more
// keeps yielding until the tick count passes the deadline, which then moves on by the quantum.
// Executes the host. GUI thread, main context only (the loop's top-level pass).
#pragma once

#include "LAttachment.h"

class CRevertHost;

class CYieldAttachment : public LAttachment {
public:
    explicit CYieldAttachment(SInt32 inQuantum, CRevertHost* inRevertHost = nullptr);
    ~CYieldAttachment() override;

protected:
    void DoExecute(MessageT inMessage, void* ioParam) override;

private:
    void CarryOutPendingRevert();
    void GiveThreadsTime();

    SInt32 mQuantum;
    UInt32 mNextDeadline = 0;
    CRevertHost* mRevertHost;
};
