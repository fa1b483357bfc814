// The one Mac OS Roman table: decoding, the UTF-8-else-Mac-Roman choice, and encoding back.
#include "MacRomanText.h"

#include <gtest/gtest.h>

TEST(MacRomanText, KnownBytesDecodeToTheirCharacters)
{
    EXPECT_EQ(DecodeMacRoman("caf\x8E"), QString::fromUtf8("café"));
    EXPECT_EQ(DecodeMacRoman("\x80\xA5\xD2\xD3\xDB"), QString::fromUtf8("Ä•“”€"));
    EXPECT_EQ(DecodeMacRoman(QByteArray("a\0b", 3)), QString::fromUtf8("a\0b", 3));
}

TEST(MacRomanText, EveryByteEncodesBackToItself)
{
    for (int value = 0; value < 256; ++value) {
        const QString text = DecodeMacRoman(QByteArray(1, char(value)));
        const std::u32string characters = text.toStdU32String();
        ASSERT_EQ(characters.size(), 1u) << value;
        char byte = 0;
        ASSERT_TRUE(MacRomanByteFor(characters[0], &byte)) << value;
        EXPECT_EQ(uint8_t(byte), value);
    }
    char byte = 0;
    EXPECT_FALSE(MacRomanByteFor(U'中', &byte));
}

TEST(MacRomanText, ValidUtf8StaysUtf8AndAnythingElseIsMacRoman)
{
    EXPECT_EQ(DecodeUtf8OrMacRoman("caf\xC3\xA9"), QString::fromUtf8("café"));
    EXPECT_EQ(DecodeUtf8OrMacRoman("caf\x8E"), QString::fromUtf8("café"));
    EXPECT_EQ(DecodeUtf8OrMacRoman(""), QString());
}
