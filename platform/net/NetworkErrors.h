// NetworkErrors: the framework's result codes for a failed network exchange, raised as
// LException codes by the yielding stream and the mail clients. Code that shows a failure to
// the user maps these four numbers to its own texts, so no other code is used for a broken
// connection.
#pragma once

#include "MacTypes.h"

// No answer, or no progress, before the caller's deadline.
inline constexpr SInt32 err_NetTimedOut = 0x10000064;
// The exchange was stopped on purpose (LYieldingStream::Abort).
inline constexpr SInt32 err_NetAborted = 0x10000065;
// The peer closed the connection in order (end of stream where more was expected).
inline constexpr SInt32 err_NetDisconnected = 0x10000066;
// The connection broke or never came up: reset, refused, unreachable, unknown host, or a
// peer that broke the protocol badly enough that the connection was dropped.
inline constexpr SInt32 err_NetDisconnectedAbortive = 0x10000067;
