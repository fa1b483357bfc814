// CCleanupAttachment: the application's attachment for message 810 that deletes the objects
// waiting in gCleanupList on every pass of the loop (CCleanupObject::DeleteAll). The loop
// sends 810 only at its top level, so no handler of a deleted object is on the stack.
// Executes the host. GUI thread only.
#pragma once

#include "LAttachment.h"

class CCleanupAttachment : public LAttachment {
public:
    CCleanupAttachment();
    ~CCleanupAttachment() override;

protected:
    void DoExecute(MessageT inMessage, void* ioParam) override;
};
