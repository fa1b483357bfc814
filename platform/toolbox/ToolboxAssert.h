// Always-on checks for misuse of the toolbox (an OS thread yielding, a loop run from a
// cooperative thread, ...). Unlike assert() they stay in release builds: such misuse would
// corrupt the loop or a thread's stack, so the process stops at once with a message on stderr.
// Any thread may hit one.
#pragma once

[[noreturn]] void ToolboxAssertFailed(const char* inCondition, const char* inFile, int inLine);

#define Assert_(condition) \
    ((condition) ? static_cast<void>(0) : ToolboxAssertFailed(#condition, __FILE__, __LINE__))
