#include "CString32.h"

#include <gtest/gtest.h>

#include <string>

TEST(CString32, CutsAt31BytesOnACharacterBoundary)
{
    struct Case {
        std::string source;
        std::string expected;
    } cases[] = {
        {std::string(40, 'x'), std::string(31, 'x')},
        {"ééééééééééééééééé", "ééééééééééééééé"},  // 17 two-byte characters: 15 fit (30 bytes)
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CString32(c.source.c_str()).text, c.expected) << c.source;
}

TEST(CString32, AssignRangeStopsAtNulAndLimit)
{
    const char bytes[] = "ab\0cd";
    CString32 s;
    EXPECT_STREQ(s.AssignRange(bytes, bytes + 4).text, "ab");
    EXPECT_STREQ(s.AssignRange(bytes, bytes).text, "a");
    EXPECT_STREQ(s.AssignRange(nullptr, bytes).text, "");
    std::string longer(50, 'z');
    EXPECT_EQ(std::string(s.AssignRange(longer.data(), longer.data() + 49).text), std::string(31, 'z'));
}

TEST(CString32, AppendingAndNumbers)
{
    CString32 s(std::string(29, 'a').c_str());
    s.AppendChar('b');  // 29 stand: still appended
    EXPECT_EQ(s.Length(), 30u);
    s.AppendChar('c');  // 30 stand: never fills the last position
    EXPECT_EQ(s.Length(), 30u);
    s.Append("xyz");
    std::string expected(29, 'a');
    expected += "bx";
    EXPECT_EQ(std::string(s.text), expected);

    CString32 n;
    n.SetNumber(-2147483647L - 1);
    n += "/";
    n.AppendNumber(7);
    EXPECT_STREQ(n.text, "-2147483648/7");
    EXPECT_STREQ(n.MakeLower().ReplaceChar('/', '-').text, "-2147483648-7");
    EXPECT_TRUE(n.StartsWith("-21"));
    EXPECT_TRUE(n.EndsWith("8-7"));
    EXPECT_FALSE(CString32("bc").EndsWith("abc"));
    EXPECT_TRUE(CString32("ABC").StartsWith("ab", true));
}

TEST(CString32, PoolObjectsComeFromBlocks)
{
    auto* a = new CString32("escape");
    EXPECT_STREQ(a->text, "escape");
    EXPECT_GE(CString32::SparePoolBlocks(), 1u);
    delete a;
    auto* b = new CString32;
    EXPECT_EQ(a, b);  // a freed object is handed out first
    delete b;
}
