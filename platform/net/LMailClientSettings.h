// LMailClientSettings: the program's settings that the framework's mail clients (SMTP, POP3)
// follow, read from the application's preference domain when a conversation starts:
// "Network Timeout" (seconds for every reply; absent, empty or below 1 counts as 15, since a
// zero deadline would fail every exchange), "SMTP Hello" (EHLO unless the text is something
// other than exactly "EHLO"), "Do DNS" (on unless exactly "false"; absent is off) and
// "Use External Address" (on only for exactly "true").
// Reading never fails: a value that is absent or not text gives the default. Any thread.
#pragma once

#include "Events.h"
#include "MacTypes.h"

struct LMailClientSettings {
    static constexpr SInt32 kDefaultTimeoutSeconds = 15;

    SInt32 timeoutSeconds = kDefaultTimeoutSeconds;
    bool sayEHLO = true;
    bool doDNS = false;
    bool useExternalAddress = false;

    static LMailClientSettings FromPreferences();

    // Now plus the time-out: the deadline of one reply.
    LDeadline ReplyDeadline() const;
};
