#include "ThrottleSettings.h"

#include "PreferenceGetters.h"

#include <algorithm>
#include <climits>

namespace {
SInt32 PositiveOr(long inValue, SInt32 inDefault) { return inValue > 0 && inValue <= INT_MAX ? SInt32(inValue) : inDefault; }

SInt32 SecondsPerUnit(long inUnit)
{
    switch (inUnit) {
    case 2: return 3600;
    case 3: return 86400;
    default: return 60;
    }
}
} // namespace

ThrottleSettings ThrottleSettings::Read()
{
    ThrottleSettings settings;
    settings.batchType = GetThrottleBatchType();
    const long type = ReadNumber(kThrottleTypeKey, 1);
    // Delays beyond a year are taken as a year rather than overflowing.
    const SInt32 periodDelay = SInt32(std::clamp<long>(ReadNumber(kThrottlePeriodDelayKey, 0), 0, 3153600) * 10);
    if (type == 1) {
        settings.delaySeconds = periodDelay;
        return settings;
    }
    if (type == 2) {
        settings.typeName = QStringLiteral("Frequency");
        settings.delaySeconds = SecondsPerUnit(ReadNumber(kThrottleTimeUnitKey, 1))
            / PositiveOr(ReadNumber(kThrottleMessageNumberKey, 12), 12);
        return settings;
    }
    settings.typeName = QStringLiteral("Batch");
    settings.batchMode = true;
    if (type == 3) {
        settings.batchSize = PositiveOr(ReadNumber(kThrottleBatchSizeKey, 25), 25);
        settings.delaySeconds = periodDelay;
    }
    return settings;
}
