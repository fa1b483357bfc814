#include "CText.h"
#include "TextHelpers.h"
#include "TextHelpersFixtureMaps.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>

namespace {

std::string Owned(char* text)
{
    std::unique_ptr<char[]> owner(text);
    return owner.get();
}

std::string Escaped(void (*escape)(char*, unsigned char), unsigned char c)
{
    char out[4];
    escape(out, c);
    return out;
}

std::string PercentDecoded(const std::string& source)
{
    std::string out(source.size() + 1, '\0');
    out.resize(PercentDecodeBytes(out.data(), source.data(), source.size()));
    return out;
}

std::string FormDecoded(const std::string& source)
{
    std::string out(2 * source.size() + 1, '\0');
    out.resize(FormDecodeBytes(out.data(), source.data(), source.size()));
    return out;
}

}  // namespace

TEST(TextHelpers, CharacterBoundaries)
{
    struct Case {
        std::string text;
        size_t maximum;
        size_t expected;
    } cases[] = {
        {"abc", 5, 3},
        {"abc", 2, 2},
        {"aé", 2, 1},          // would split é
        {"aé", 3, 3},
        {"€x", 1, 0},
        {"€x", 2, 0},
        {"€x", 3, 3},
        {"😀", 3, 0},
        {"\xE9\xE9\xE9", 2, 2},  // stray Latin-1 bytes are characters of their own
        {"a\xE2\x82", 2, 2},     // a truncated sequence is not a character to keep whole
    };
    for (const auto& c : cases)
        EXPECT_EQ(CutAtCharacterBoundary(c.text.data(), c.text.size(), c.maximum), c.expected)
            << c.text << " at " << c.maximum;

    char32_t character;
    EXPECT_EQ(ReadCharacter("é", 2, character), 2u);
    EXPECT_EQ(character, U'é');
    EXPECT_EQ(ReadCharacter("\xC0\xAF", 2, character), 1u);  // overlong: a Latin-1 byte
    EXPECT_EQ(character, 0xC0u);
    EXPECT_EQ(ReadCharacter("\xED\xA0\x80", 3, character), 1u);  // surrogate: not UTF-8
}

TEST(TextHelpers, PascalStrings)
{
    unsigned char pascal[256];
    EXPECT_EQ(CToPString(std::string(254, 'a').c_str(), pascal), 254u);
    EXPECT_EQ(pascal[0], 254);
    EXPECT_EQ(CToPString(std::string(255, 'a').c_str(), pascal), 0u);
    EXPECT_EQ(pascal[0], 0);

    char buffer[256];
    unsigned char abc[] = {3, 'a', 'b', 'c'};
    PToCString(abc, buffer);
    EXPECT_STREQ(buffer, "abc");
    unsigned char full[256] = {255, 'x'};
    PToCString(full, buffer);
    EXPECT_STREQ(buffer, "");
}

TEST(TextHelpers, NumbersToText)
{
    EXPECT_EQ(Owned(IntToText(-45)), "-45");
    EXPECT_EQ(Owned(IntToText(INT32_MIN)), "-2147483648");
    EXPECT_EQ(Owned(IntToText(INT32_MAX)), "2147483647");
    EXPECT_EQ(Owned(NumToText(0)), "0");
    EXPECT_EQ(Owned(NumToText(UINT32_MAX)), "4294967295");
    EXPECT_EQ(Owned(ShortToText(-32768)), "-32768");

    struct Case {
        size_t size;
        SInt32 value;
        const char* expected;
    } buffers[] = {
        {31, INT32_MIN, "-2147483648"},
        {4, 12345, "345"},  // only the lowest digits fit
        {4, -123, "-23"},
        {2, 7, "7"},
        {1, 7, ""},
    };
    for (const auto& c : buffers) {
        char out[32];
        IntToTextBuffer(out, c.size, c.value);
        EXPECT_STREQ(out, c.expected) << c.value << " in " << c.size;
    }
}

TEST(TextHelpers, CaseInsensitiveSearchFoldsAsciiOnly)
{
    const char* text = "Hello World";
    EXPECT_EQ(FindTextNoCase(text, "WORLD"), text + 6);
    EXPECT_EQ(FindTextNoCase(text, "worlds"), nullptr);
    EXPECT_EQ(FindTextNoCase(text, ""), nullptr);
    EXPECT_EQ(FindTextNoCase("ÉCOLE", "école"), nullptr);

    EXPECT_EQ(CompareNoCaseN("abcX", "ABCy", 3), 0);
    EXPECT_LT(CompareNoCaseN("abc", "abd", 3), 0);
    EXPECT_EQ(CompareNoCaseN("ab", "AB", 10), 0);  // both end together
    EXPECT_NE(CompareNoCaseN("ab", "abc", 10), 0);
    EXPECT_TRUE(EqualNoCase("Brevanto", "bREVANTO"));
    EXPECT_FALSE(EqualNoCase("abc", "abcd"));
    EXPECT_FALSE(EqualNoCase("é", "É"));
}

TEST(TextHelpers, SmallConversions)
{
    char reversed[] = "abé€";
    ReverseString(reversed);
    EXPECT_STREQ(reversed, "€éba");

    char code[5];
    OSTypeToString('KWRD', code);
    EXPECT_STREQ(code, "KWRD");
    UInt32 swapped = 0;
    SwapBytes32(0x11223344, swapped);
    EXPECT_EQ(swapped, 0x44332211u);
    EXPECT_EQ(GetBitField(0xABCD, 15, 4), 0xAu);
    EXPECT_EQ(GetBitField(0xABCD, 7, 8), 0xCDu);
    EXPECT_EQ(AlwaysTrue(), 1);

    EXPECT_TRUE(CompareCFStrings(QStringLiteral("apple"), QStringLiteral("Banana")));
    EXPECT_FALSE(CompareCFStrings(QStringLiteral("Banana"), QStringLiteral("apple")));
    EXPECT_TRUE(CompareCFStrings(QStringLiteral("a"), QString()));
    EXPECT_FALSE(CompareCFStrings(QString(), QStringLiteral("a")));

    char destination[16] = "&amp;";
    EXPECT_TRUE(ReplaceFirstChar(destination, "&#38;", destination, sizeof destination));
    EXPECT_STREQ(destination, "&#38;amp;");
    EXPECT_FALSE(ReplaceFirstChar(destination, "0123456789", destination, sizeof destination));
}

TEST(TextHelpers, SplitWords)
{
    CText first("old");
    CText second("old");
    SplitWords(CText("Ada Lovelace King"), first, second);
    EXPECT_STREQ(first.buffer, "Ada");
    EXPECT_STREQ(second.buffer, "Lovelace");

    CText onlyFirst("old");
    CText untouched("old");
    SplitWords(CText("Cher"), onlyFirst, untouched);
    EXPECT_STREQ(onlyFirst.buffer, "Cher");
    EXPECT_STREQ(untouched.buffer, "old");

    unsigned char whole[256] = {9, 'J', 'o', 'h', 'n', ' ', 'D', 'o', 'e', ' '};
    unsigned char firstName[256] = {0};
    unsigned char lastName[256] = {0};
    SplitWordsInPlace(whole, firstName, lastName);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(firstName + 1), firstName[0]), "John");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(lastName + 1), lastName[0]), "Doe");
}

TEST(TextHelpers, URLCharacterClasses)
{
    struct Case {
        bool (*test)(unsigned char);
        const char* members;
        const char* name;
    } classes[] = {
        {IsUnsafeURLChar, "\"#%<>", "unsafe"},
        {IsReservedURLChar, "&/:;=?@", "reserved"},
        {IsNationalURLChar, "[\\]^{|}~`", "national"},
        {IsExtraURLChar, "!'()*,", "extra"},
        {IsSafeURLChar, "$+-._", "safe"},
        {IsUpperChar, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", "upper"},
        {IsLowerChar, "abcdefghijklmnopqrstuvwxyz", "lower"},
        {IsAlphaChar, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", "alpha"},
        {IsDigitChar, "0123456789", "digit"},
    };
    for (const auto& c : classes) {
        for (int byte = 0; byte < 256; ++byte) {
            bool member = byte != 0 && std::strchr(c.members, byte) != nullptr;
            EXPECT_EQ(c.test(static_cast<unsigned char>(byte)), member) << c.name << " " << byte;
        }
    }
}

TEST(TextHelpers, OneCharacterEscapes)
{
    EXPECT_EQ(Escaped(EscapeURLChar, ' '), "%20");
    EXPECT_EQ(Escaped(EscapeURLChar, 7), "%07");
    EXPECT_EQ(Escaped(EscapeURLChar, '/'), "/");
    EXPECT_EQ(Escaped(EscapeURLChar, 0xE9), "%e9");
    EXPECT_EQ(Escaped(EscapeFormChar, '/'), "%2f");
    EXPECT_EQ(Escaped(EscapeFormChar, '&'), "&");
    EXPECT_EQ(Escaped(EscapeFormChar, '\n'), "%0a");
    EXPECT_EQ(Escaped(EscapeFormChar, 'Z'), "Z");
    EXPECT_EQ(HexDigitValue('f'), 15);
    EXPECT_EQ(HexDigitValue('B'), 11);
    EXPECT_EQ(HexDigitValue('g'), 0);
}

TEST(TextHelpers, PercentAndFormDecoding)
{
    struct Case {
        const char* source;
        const char* expected;
    } percent[] = {
        {"a%41b", "aAb"}, {"%4a%4A", "JJ"}, {"%zz", "%zz"}, {"%4", "%4"},
        {"ab%", "ab%"},   {"%%41", "%A"},   {"a+b", "a+b"}, {"%C3%A9", "é"},
    };
    for (const auto& c : percent)
        EXPECT_EQ(PercentDecoded(c.source), c.expected) << c.source;
    EXPECT_EQ(PercentDecoded(std::string("a%00b", 5)), std::string("a\0b", 3));

    EXPECT_EQ(FormDecoded("a+b%41"), "a b ");  // no maps: every code becomes a space
    TextHelpersFixtureMaps maps;
    struct Case2 {
        const char* source;
        const char* expected;
    } form[] = {
        {"a+b", "a b"}, {"%41", "A"}, {"%E9", "é"}, {"%80", "€"},
        {"%81", " "},   {"%2", "%2"}, {"%x1", "%x1"}, {"%2F", "/"},
    };
    for (const auto& c : form)
        EXPECT_EQ(FormDecoded(c.source), c.expected) << c.source;
}

TEST(TextHelpers, ReplacePercentEscapesNormalisesForUtf8)
{
    EXPECT_EQ(ReplacePercentEscapes(QStringLiteral("a%20b c")), QStringLiteral("a%20b%20c"));
    EXPECT_EQ(ReplacePercentEscapes(QStringLiteral("http://x.test/caf%C3%A9?q=1#top")),
              QStringLiteral("http://x.test/caf%C3%A9?q=1#top"));
    EXPECT_EQ(ReplacePercentEscapes(QStringLiteral("café")), QStringLiteral("caf%C3%A9"));
    EXPECT_TRUE(ReplacePercentEscapes(QStringLiteral("caf%E9")).isNull());  // not UTF-8
}
