// Catalog dates: whole seconds since 1904-01-01 00:00 UTC, the epoch the program's files and
// documents count from, and their conversion to and from Unix time. Header-only; any thread.
#pragma once

#include <cstdint>

constexpr int64_t kMacEpochOffset = 2082844800; // seconds from 1904-01-01 to 1970-01-01, UTC

constexpr int64_t UnixToMacSeconds(int64_t unixSeconds) { return unixSeconds + kMacEpochOffset; }
constexpr int64_t MacToUnixSeconds(int64_t macSeconds) { return macSeconds - kMacEpochOffset; }
