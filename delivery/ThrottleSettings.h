// ThrottleSettings: how a mailing is paced, read from the throttle preferences at the start of
// every run. Period delay waits "Throttle Period Delay" x 10 seconds between messages;
// Frequency spreads "Throttle Message Number" messages (0 or missing: 12) over a minute, hour
// or day ("Throttle Time Unit" 1-3, else a minute); Batch gathers "Throttle Batch Size"
// messages (0 or missing: 25) and waits the period delay after each batch. An unknown type is
// Batch of 25 without delay. Any thread.
#pragma once

#include "MacTypes.h"

#include <QString>

struct ThrottleSettings {
    QString typeName = QStringLiteral("Period delay"); // "Period delay", "Frequency", "Batch"
    SInt32 delaySeconds = 0;
    bool batchMode = false;
    SInt32 batchSize = 25;
    SInt32 batchType = 1; // 1 a message each, 2 recipients in Cc, 3 in Bcc

    static ThrottleSettings Read();
};
