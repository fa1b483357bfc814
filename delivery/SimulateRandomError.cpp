#include "SimulateRandomError.h"

#include "CEnvironment.h"
#include "LSMTPResponse.h"
#include "MessageBuildSources.h"
#include "PreferenceGetters.h"

#include <cstdint>

bool SimulatedErrorDrawn()
{
    if (!GetSimulateErrors())
        return false;
    if (gEnvironment != nullptr)
        gEnvironment->LogLine("Simulate: Random error");
    const uint64_t r = MessageBuildSources::NextRandom();
    const uint64_t n = (100 * r) >> 31;
    return n >= 61;
}

void SimulateRandomError()
{
    if (SimulatedErrorDrawn())
        throw LSMTPResponse(kSimulatedErrorText);
}
