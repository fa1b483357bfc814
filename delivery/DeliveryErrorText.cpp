#include "DeliveryErrorText.h"

#include "TextHelpers.h"

#include <string>

const char* ErrorMessageForCode(SInt32 code)
{
    switch (code) {
    case 0x10000066:
    case 0x10000067:
        return "Server disconnected.";
    case 0x10000065:
        return "Connection was aborted.";
    case 0x10000064:
        return "Connection timed out.";
    default:
        return "No available error message.";
    }
}

void CompleteDeliveryErrorText(SInt32 code, CString256& text)
{
    std::string whole = text.Length() == 0 ? ErrorMessageForCode(code) : std::string(text.text, text.Length());
    // A long server text gives way so that the code always shows.
    const std::string suffix = " (Error code = " + std::to_string(code) + ")";
    whole.resize(CutAtCharacterBoundary(whole.data(), whole.size(), CString256::kLimit - suffix.size()));
    text = (whole + suffix).c_str();
    text.ReplaceNonPrintable();
}
