#include "Events.h"

namespace {
const auto sProcessStart = std::chrono::steady_clock::now();
}

UInt32 TickCount()
{
    const auto elapsed = std::chrono::steady_clock::now() - sProcessStart;
    return static_cast<UInt32>(std::chrono::duration_cast<LTicks>(elapsed).count());
}
