// The retry loop's last failure as a delivery record gets it: a framework error with no text of
// its own is named by its code once the record's text is completed; the code always follows.
#include <gtest/gtest.h>

#include "DeliveryErrorText.h"
#include "LException.h"
#include "PreferenceGetters.h"
#include "Preferences.h"
#include "SendAttempts.h"

TEST(SendAttempts, FrameworkErrorWithoutTextIsNamedByItsCodeInTheRecord)
{
    const struct {
        SInt32 code;
        const char* text;
        const char* recorded;
    } cases[] = {
        {0x10000065, "", "Connection was aborted. (Error code = 268435557)"},
        {0x10000064, "", "Connection timed out. (Error code = 268435556)"},
        {0x10000066, "refused\r\nby peer", "refused  by peer (Error code = 268435558)"},
    };
    SetPreference("0", CString256(kMessageRetriesKey));
    for (const auto& c : cases) {
        int attempts = 0;
        SendAttemptResult result = RunSendAttempts(kBatchTexts, [&](CText&) -> bool {
            ++attempts;
            throw LException(c.code, c.text);
        });
        EXPECT_FALSE(result.sent);
        EXPECT_EQ(attempts, 1);
        EXPECT_EQ(result.errorCode, c.code);
        CompleteDeliveryErrorText(result.errorCode, result.errorText);
        EXPECT_STREQ(result.errorText.CharAt(0), c.recorded) << c.code;
    }
    SetPreference(nullptr, CString256(kMessageRetriesKey));
}
