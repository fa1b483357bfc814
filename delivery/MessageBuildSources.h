// MessageBuildSources: where a message build takes what changes from run to run — the current
// time with its zone offset, new UUIDs, the program version for X-Mailer, and the random draws
// of the error simulation. The defaults are the system's; tests replace them to get byte-exact
// sources and repeatable draws, and Reset puts the defaults back.
// Process-wide; replace them only while no build runs. The random source is one seedable
// generator giving values in [0, 2^31).
#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>

struct MessageBuildSources {
    std::function<QDateTime()> now;        // a moment with its offset from UTC
    std::function<QString()> newUUID;      // the standard text form, with or without braces
    std::function<QString()> version;      // the program version

    static MessageBuildSources& Current();
    static void Reset();

    // The next value of the simulation's random source, in [0, 2^31).
    static uint32_t NextRandom();
    static void SeedRandom(uint32_t seed);
};
