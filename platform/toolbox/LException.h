// LException: the framework's error object, a 32-bit code (often a four-character code such
// as 'nilP', or a result code) with an optional message. ThrowIfOSErr_ and ThrowIfNil_ turn
// result codes and null pointers into it. Any thread may throw one; no exception may leave a
// Qt frame or a cooperative thread: those entries catch and hand it to LExceptionReporter.
#pragma once

#include "MacTypes.h"

#include <exception>
#include <string>

// Code thrown by ThrowIfNil_.
constexpr SInt32 err_NilPointer = 'nilP';

class LException : public std::exception {
public:
    explicit LException(SInt32 inErrorCode, std::string inMessage = std::string());
    ~LException() override;

    SInt32 GetErrorCode() const { return mErrorCode; }
    const std::string& GetErrorMessage() const { return mMessage; }
    const char* what() const noexcept override;

private:
    SInt32 mErrorCode;
    std::string mMessage;
    std::string mWhat;
};

// Throws LException(inErr) when inErr is not noErr.
void ThrowIfOSErr_(OSStatus inErr);

// Throws LException('nilP') when inPointer is null; otherwise gives the pointer back.
template <class T>
T* ThrowIfNil_(T* inPointer)
{
    if (inPointer == nullptr)
        throw LException(err_NilPointer);
    return inPointer;
}
