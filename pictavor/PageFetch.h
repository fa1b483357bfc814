// The title pre-fetch's read of a page: at most the first 1 MiB of its body (a title sits in the
// head), 15 seconds in all. http and https go through the HTTP client (a status of 400 or more
// is no data); file URLs are read directly (regular files only: a pipe or device never blocks
// the run); any other scheme gives no data.
// Main thread; it blocks for its deadline at most, and ends early when Stop() was called (a
// signal handler may call it).
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace pictavor {

class PageFetch {
public:
    static constexpr qsizetype kMaxBytes = 1 << 20;
    static constexpr int kDeadlineSeconds = 15;

    // The body's first bytes (possibly cut at kMaxBytes), or nothing.
    static std::optional<QByteArray> Fetch(const QString& url);
    // Whether the last successful Fetch cut the body.
    static bool LastWasCut();

    static void Stop();
};

} // namespace pictavor
