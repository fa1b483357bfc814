#include "CCleanupAttachment.h"

#include "CCleanupObject.h"

CCleanupAttachment::CCleanupAttachment()
    : LAttachment(msg_Event, true)
{
}

CCleanupAttachment::~CCleanupAttachment() = default;

void CCleanupAttachment::DoExecute(MessageT, void*) { CCleanupObject::DeleteAll(); }
