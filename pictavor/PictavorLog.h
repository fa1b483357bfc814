// The page imager's log: each entry is one record on standard error,
// "YYYY-MM-DD HH:MM:SS.mmm pictavor[pid] text" (local time), and one message to the system log
// (ident "pictavor", facility user). Texts are written as they stand, line ends included.
// Tests may install a capture that also receives each text.
// Main thread only (the program has no other).
#pragma once

#include <QString>

#include <functional>

namespace pictavor {

void LogEntry(const QString& text);

// Receives every logged text while installed; replaces the previous one. Null removes it.
void SetLogCapture(std::function<void(const QString&)> capture);

} // namespace pictavor
