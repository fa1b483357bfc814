// LExceptionReporter: the one place where exceptions caught at the program's entries from Qt
// (event handlers, slots, timers, attachments, periodicals, queued calls) are reported, so the
// loop can go on. The default writes a line to stderr; the log replaces it when it exists, and
// tests replace it to see what was reported. Callable from any thread (calls are serialised);
// the reporter must not throw.
#pragma once

#include <functional>
#include <string>

class LExceptionReporter {
public:
    // inWhere names the entry ("attachment", "timer", ...); inWhat describes the exception.
    using Reporter = std::function<void(const std::string& inWhere, const std::string& inWhat)>;

    // Installs inReporter; an empty one restores the stderr default. Returns the previous one.
    static Reporter Set(Reporter inReporter);

    // Reports the exception being handled; call only from inside a catch block.
    static void ReportCurrent(const std::string& inWhere);

    // Runs inCall, reporting (and swallowing) whatever it throws.
    template <class Call>
    static void CallReporting(const char* inWhere, Call&& inCall)
    {
        try {
            inCall();
        } catch (...) {
            ReportCurrent(inWhere);
        }
    }
};
