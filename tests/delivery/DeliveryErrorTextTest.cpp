// Error texts of failed deliveries: an empty text is named by its code; a server's own text is
// kept, its control characters made blanks; the code always follows.

#include "DeliveryErrorText.h"

#include <gtest/gtest.h>

TEST(DeliveryErrorText, EmptyTextsAreNamedByTheirCode)
{
    const std::string longText(300, 'x');
    const struct {
        SInt32 code;
        const char* text;
        const char* completed;
    } cases[] = {
        {0x10000065, "", "Connection was aborted. (Error code = 268435557)"},
        {0x10000066, "", "Server disconnected. (Error code = 268435558)"},
        {0x10000067, "", "Server disconnected. (Error code = 268435559)"},
        {0x10000064, "", "Connection timed out. (Error code = 268435556)"},
        {-1, "", "No available error message. (Error code = -1)"},
        {550, "550 Relaying Denied\r\n (Check authentication settings)",
         "550 Relaying Denied   (Check authentication settings) (Error code = 550)"},
        {33, longText.c_str(), nullptr},
    };
    for (const auto& c : cases) {
        CString256 text(c.text);
        CompleteDeliveryErrorText(c.code, text);
        if (c.completed) {
            EXPECT_STREQ(text.text, c.completed) << c.code;
            continue;
        }
        EXPECT_EQ(text.Length(), CString256::kLimit);
        EXPECT_TRUE(std::string(text.text).ends_with("xx (Error code = 33)"));
    }
}
