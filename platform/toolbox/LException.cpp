#include "LException.h"

#include <cstdio>

namespace {
// "-43" for result codes, "'nilP' (1852402768)" for four printable characters.
std::string DescribeCode(SInt32 inCode)
{
    const FourCharText text(static_cast<FourCharCode>(inCode));
    bool printable = true;
    for (int i = 0; i < 4; ++i)
        printable = printable && text.text[i] >= 0x20 && text.text[i] < 0x7F;
    char buffer[48];
    if (printable)
        std::snprintf(buffer, sizeof buffer, "'%s' (%d)", text.text, int(inCode));
    else
        std::snprintf(buffer, sizeof buffer, "%d", int(inCode));
    return buffer;
}
} // namespace

LException::LException(SInt32 inErrorCode, std::string inMessage)
    : mErrorCode(inErrorCode)
    , mMessage(std::move(inMessage))
{
    mWhat = "LException " + DescribeCode(inErrorCode);
    if (!mMessage.empty())
        mWhat += ": " + mMessage;
}

LException::~LException() = default;

const char* LException::what() const noexcept { return mWhat.c_str(); }

void ThrowIfOSErr_(OSStatus inErr)
{
    if (inErr != noErr)
        throw LException(inErr);
}
