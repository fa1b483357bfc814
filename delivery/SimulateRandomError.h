// The error simulation of a send: with "Simulate Errors" on, each call logs "Simulate: Random
// error" and draws n = floor(100 x r / 2^31) from the build's one seedable random source
// (MessageBuildSources::NextRandom); n >= 61 is a failure, as if the server had answered
// "550 Relaying Denied". With the option off nothing is drawn or logged.
// The send thread only.
#pragma once

#include "MacTypes.h"

inline constexpr SInt32 kSimulatedErrorCode = 550;
inline constexpr char kSimulatedErrorText[] = "550 Relaying Denied";

// True when the draw made this send fail.
bool SimulatedErrorDrawn();
// Raises LSMTPResponse("550 Relaying Denied") when the draw made this send fail.
void SimulateRandomError();
