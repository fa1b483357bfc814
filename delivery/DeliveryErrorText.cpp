#include "DeliveryErrorText.h"

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
    if (text.Length() == 0) {
        text = ErrorMessageForCode(code);
        text.Append((" (Error code = " + std::to_string(code) + ")").c_str());
    }
    text.ReplaceNonPrintable();
}
