// ThrottleDelay: the pause between messages or batches, measured on the program's clock. The
// caller's thread waits (other threads and the event loop run; an hour-long delay lets the loop
// sleep between whole seconds); the caption reads "Delaying " and the time left, once a second.
// An abort ends the wait at once. Cooperative threads or the main context.
#pragma once

#include "MacTypes.h"

#include <QString>

#include <functional>

// Waits inSeconds unless inAbort is set; answers the whole seconds waited. The caption is
// cleared at the end.
SInt32 WaitThrottleDelay(SInt32 inSeconds, const UInt8& inAbort, const std::function<void(const QString&)>& inCaption);
