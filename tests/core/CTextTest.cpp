#include "CList.h"
#include "CText.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>

namespace {

std::string Text(const CText& t)
{
    return t.buffer ? std::string(t.buffer, size_t(t.length)) : std::string("<no buffer>");
}

CText Bufferless()
{
    static const char bytes[] = "x";
    return CText(bytes + 1, bytes);
}

}  // namespace

TEST(CText, CapacityGrowsInWholeSteps)
{
    CText t;
    EXPECT_EQ(t.capacity, 32000);
    EXPECT_EQ(t.length, 0);
    t.Append(std::string(31999, 'a').c_str());
    EXPECT_EQ(t.capacity, 32000);
    t.Clear();
    t.Append(std::string(32000, 'a').c_str());
    EXPECT_EQ(t.capacity, 64000);
    EXPECT_EQ(t.length, 32000);

    t.Assign(std::string(64000, 'b').c_str());
    EXPECT_EQ(t.capacity, 96000);
    t.Assign("abc");
    EXPECT_EQ(t.capacity, 32000);

    CText small("abc", 4);
    EXPECT_EQ(small.capacity, 4);
    small.Append("de");  // room 0, shortfall 2: one step
    EXPECT_EQ(small.capacity, 8);
    EXPECT_EQ(Text(small), "abcde");
    EXPECT_EQ(small.buffer[small.length], 0);
}

TEST(CText, ThirtyTwoBitSizesNeverWrap)
{
    CText t("abc");
    EXPECT_EQ(t.Grow(INT32_MAX), 0);
    EXPECT_EQ(t.capacity, 32000);

    const char few[] = "xyz";  // a count past 2^31 - 2 is refused before a byte is read
    t.AppendBytes(few, long(INT32_MAX));
    t.AppendBytes(few, long(INT32_MAX) + 10);
    EXPECT_EQ(Text(t), "abc");

    CText zeroStep("a", 0);  // a step that would divide by zero takes the default
    EXPECT_EQ(zeroStep.step, CText::kDefaultStep);
}

TEST(CText, ConstructionAndAssignment)
{
    const char bytes[] = "ab\0cd";
    EXPECT_EQ(Text(CText(bytes, bytes + 4)), "ab");  // ends at the first NUL
    EXPECT_EQ(Text(Bufferless()), "<no buffer>");
    EXPECT_EQ(Text(CText(INT32_MIN)), "-2147483648");
    EXPECT_EQ(Text(CText(static_cast<const char*>(nullptr))), "");

    CText t("x");
    t.AssignChar('q');
    EXPECT_EQ(Text(t), "q");
    t.SetNumber(-45);
    EXPECT_EQ(Text(t), "-45");
    t.SetNotImplemented();
    EXPECT_EQ(Text(t), "Not implemented yet!");
    t.AssignCFString(QStringLiteral("Zoë"));
    EXPECT_EQ(Text(t), "Zoë");
    t.AssignCFString(QString());
    EXPECT_EQ(Text(t), "Zoë");

    t.label.Assign("name");
    t.Assign(t.buffer + 1);  // a source inside the text itself
    EXPECT_EQ(Text(t), "oë");
    EXPECT_STREQ(t.label.text, "");
}

TEST(CText, AssignTextTakesTheSourceEvenWithoutABuffer)
{
    CText source("source", 10);
    source.label.Assign("label");
    CText target("old");
    target.AssignText(source);
    EXPECT_EQ(Text(target), "source");
    EXPECT_EQ(target.step, 10);
    EXPECT_STREQ(target.label.text, "label");

    CText none = Bufferless();
    target.AssignText(none);
    EXPECT_EQ(Text(target), "<no buffer>");
    CText copy(target);
    EXPECT_EQ(Text(copy), "<no buffer>");

    CText withText("back");
    none = withText;
    EXPECT_EQ(Text(none), "back");
}

TEST(CText, BufferlessTextIgnoresChanges)
{
    CText t = Bufferless();
    t.Append("a");
    t.Insert(0, "b");
    t.ReplaceAll("a", "b");
    t.DeleteRange(0, 3);
    EXPECT_EQ(Text(t), "<no buffer>");
    EXPECT_EQ(t.Find("a"), -1);
    EXPECT_EQ(t.Grow(10), 0);
    t.AppendChar('z');
    EXPECT_EQ(Text(t), "z");
}

TEST(CText, Appending)
{
    CText t("ab");
    t.AppendChar('c');
    t.AppendNumber(-7);
    t.AppendText(CText("|"));
    t.AppendCFString(QStringLiteral("é"));
    t.Prepend(">");
    EXPECT_EQ(Text(t), ">abc-7|é");

    const char withNul[] = {'x', '\0', 'y'};
    int32_t before = t.length;
    t.AppendBytes(withNul, 3);
    EXPECT_EQ(t.length, before + 3);
    EXPECT_EQ(t.buffer[t.length], 0);

    CText self("ab");
    self.Append(self.buffer);  // a source inside the text survives the growth
    EXPECT_EQ(Text(self), "abab");
    CText big(std::string(31998, 'q').c_str());
    big.Append(big.buffer);
    EXPECT_EQ(big.length, 2 * 31998);
}

TEST(CText, InsertDeleteAndRanges)
{
    struct Case {
        const char* name;
        void (*edit)(CText&);
        const char* expected;
    } cases[] = {
        {"insert middle", [](CText& t) { t.Insert(2, "XY"); }, "abXYcdef"},
        {"insert past end clamps", [](CText& t) { t.Insert(99, "Z"); }, "abcdefZ"},
        {"insert before start clamps", [](CText& t) { t.Insert(-5, "Z"); }, "Zabcdef"},
        {"insert empty", [](CText& t) { t.Insert(1, ""); }, "abcdef"},
        {"delete to far end", [](CText& t) { t.DeleteRange(2, 100); }, "ab"},
        {"delete from negative", [](CText& t) { t.DeleteRange(-3, 1); }, "cdef"},
        {"delete reversed", [](CText& t) { t.DeleteRange(4, 2); }, "abcdef"},
        {"replace range", [](CText& t) { t.ReplaceRange(1, 3, "_"); }, "a_ef"},
        {"replace range null", [](CText& t) { t.ReplaceRange(1, 3, nullptr); }, "abcdef"},
        {"keep from", [](CText& t) { t.KeepFrom(2); }, "def"},
        {"keep from last", [](CText& t) { t.KeepFrom(5); }, "abcdef"},
    };
    for (const auto& c : cases) {
        CText t("abcdef");
        c.edit(t);
        EXPECT_EQ(Text(t), c.expected) << c.name;
    }

    CText t("abcdef");
    EXPECT_EQ(*t.CharAt(3), 'd');
    std::unique_ptr<CText> sub(t.SubString(-2, 2));
    EXPECT_EQ(Text(*sub), "abc");
    sub.reset(t.SubString(4, 99));
    EXPECT_EQ(Text(*sub), "ef");
    sub.reset(t.SubString(3, 1));
    EXPECT_EQ(Text(*sub), "");
    sub.reset(t.Left(2));
    EXPECT_EQ(Text(*sub), "ab");
    sub.reset(t.Mid(3));
    EXPECT_EQ(Text(*sub), "ef");
    CText out("old");
    t.ExtractRange(1, 2, out);
    EXPECT_EQ(Text(out), "bc");
}

TEST(CText, Searching)
{
    CText t("xabc abc");
    EXPECT_EQ(t.Find(""), -1);
    EXPECT_EQ(t.Find(nullptr), -1);
    EXPECT_EQ(t.FindCaseSensitive("ABC"), -1);
    EXPECT_EQ(t.Find("ABC"), 1);
    EXPECT_EQ(t.FindFrom(2, "ABC"), 5);
    EXPECT_EQ(t.FindCaseSensitive(2, "abc"), 5);
    EXPECT_EQ(t.FindFrom(6, "abc"), -1);
    EXPECT_EQ(t.FindFrom(-4, "x"), 0);
    EXPECT_EQ(CText("ÉTÉ").Find("été"), -1);  // ASCII-only folding

    CText hello("Hello");
    EXPECT_TRUE(hello.StartsWith(CText("He")));
    EXPECT_FALSE(hello.StartsWith(CText("he")));
    EXPECT_TRUE(hello.StartsWithNoCase("he"));
    EXPECT_TRUE(hello.StartsWithNoCase(CText("HELLO")));
    EXPECT_FALSE(hello.StartsWithNoCase("Hello!"));
    EXPECT_TRUE(hello.EndsWith(CText("llo")));
    EXPECT_TRUE(hello.EndsWithNoCase("LLO"));
    EXPECT_TRUE(hello.EndsWithNoCase(CText("")));
    EXPECT_FALSE(CText("bc").EndsWith(CText("abc")));
}

TEST(CText, ExtractingBetweenMarkers)
{
    CText out("stale");
    CText t("x<b>y</b>z");
    EXPECT_TRUE(t.ExtractBetween("<b>", "</b>", out));
    EXPECT_EQ(Text(out), "y");

    CText open("x<b>y");
    EXPECT_FALSE(open.ExtractBetween("<b>", "</b>", out));
    EXPECT_EQ(Text(out), "");
    EXPECT_EQ(Text(open), "x<b>y");

    CText brackets("a[b]c");
    EXPECT_TRUE(brackets.ExtractAndDeleteBetween("[", "]", out));
    EXPECT_EQ(Text(out), "b");
    EXPECT_EQ(Text(brackets), "ac");

    CText src("src=a.gif x");
    EXPECT_TRUE(src.ExtractAndClearBetweenNoCase("SRC=", " ", out));
    EXPECT_EQ(Text(out), "a.gif");
    EXPECT_EQ(Text(src), "src= x");

    CText body("<HTML><BODY bg=1>text</body>");
    EXPECT_TRUE(body.ExtractAndDeleteBetweenNoCase("<body", ">", out));
    EXPECT_EQ(Text(out), " bg=1");
    EXPECT_EQ(Text(body), "<HTML>text</body>");

    // With an offset, the span deleted is the one extracted, not an earlier pair.
    CText twice("[1][2]");
    EXPECT_TRUE(twice.ExtractAndDeleteBetween("[", "]", out, 1));
    EXPECT_EQ(Text(out), "2");
    EXPECT_EQ(Text(twice), "[1]");

    CText replaced("a{b}c{d}");
    EXPECT_TRUE(replaced.ExtractAndReplaceBetween("{", "}", "-", out));
    EXPECT_EQ(Text(replaced), "a-c{d}");
    EXPECT_EQ(Text(out), "b");

    CString256 shortOut("stale");
    EXPECT_TRUE(CText("<t>title</t>").ExtractBetweenToString("<t>", "</t>", shortOut));
    EXPECT_STREQ(shortOut.text, "title");
    CText lower("<T>Title</T> rest");
    EXPECT_TRUE(lower.ExtractAndDeleteBetweenToStringNoCase("<t>", "</t>", shortOut));
    EXPECT_STREQ(shortOut.text, "Title");
    EXPECT_EQ(Text(lower), " rest");

    CText same("<a>b</a>");
    EXPECT_TRUE(CText("Q<A>in</A>").ExtractBetweenNoCase("<a>", "</a>", out));
    EXPECT_EQ(Text(out), "in");
    EXPECT_TRUE(same.ExtractBetween("<a>", "</a>", same));  // out may be the text itself
    EXPECT_EQ(Text(same), "b");

    EXPECT_FALSE(CText("a[]b").ExtractBetween("", "]", out));  // an empty marker finds nothing
    EXPECT_FALSE(CText("a[]b").ExtractBetween("[", "", out));
    EXPECT_TRUE(CText("a[]b").ExtractBetween("[", "]", out));
    EXPECT_EQ(Text(out), "");
}

TEST(CText, DeletingAndReplacingBetweenMarkers)
{
    struct Case {
        const char* name;
        void (*edit)(CText&);
        const char* expected;
    } cases[] = {
        {"delete span", [](CText& t) { t.DeleteBetween("[", "]"); }, "a<X>c[d]"},
        {"delete span no case", [](CText& t) { t.DeleteBetweenNoCase("<x>", "c"); }, "a[b][d]"},
        {"clear", [](CText& t) { t.ClearBetween("[", "]"); }, "a[]<X>c[d]"},
        {"clear no case from offset", [](CText& t) { t.ClearBetweenNoCase("[", "]", 3); }, "a[b]<X>c[]"},
        {"replace span", [](CText& t) { t.ReplaceSpan("[", "]", "#"); }, "a#<X>c[d]"},
        {"replace span no case", [](CText& t) { t.ReplaceSpanNoCase("<x", ">", "#"); }, "a[b]#c[d]"},
        {"replace between", [](CText& t) { t.ReplaceBetween("[", "]", "zz"); }, "a[zz]<X>c[d]"},
        {"replace between no case", [](CText& t) { t.ReplaceBetweenNoCase("<x", ">", "!"); }, "a[b]<X!>c[d]"},
        {"delete every span", [](CText& t) { t.DeleteSpansNoCase("[", "]"); }, "a<X>c"},
        {"missing end marker", [](CText& t) { t.DeleteBetween("<X>", "}"); }, "a[b]<X>c[d]"},
        {"null replacement", [](CText& t) { t.ReplaceSpan("[", "]", nullptr); }, "a[b]<X>c[d]"},
    };
    for (const auto& c : cases) {
        CText t("a[b]<X>c[d]");
        c.edit(t);
        EXPECT_EQ(Text(t), c.expected) << c.name;
    }

    CText nested("<p>keep<!--a--> and<!--b--></p>");
    nested.StripSpansBetween("<p>", "</p>", "<!--", "-->");
    EXPECT_EQ(Text(nested), "<p>keep and</p>");
}

TEST(CText, ReplacingOccurrences)
{
    struct Case {
        const char* name;
        const char* text;
        void (*edit)(CText&);
        const char* expected;
    } cases[] = {
        {"all, replacement holds the needle", "aXa", [](CText& t) { t.ReplaceAll("a", "aa"); }, "aaXaa"},
        {"all no case", "XxX", [](CText& t) { t.ReplaceAllNoCase("x", "y"); }, "yyy"},
        {"all shrinking", "a--b--c", [](CText& t) { t.ReplaceAll("--", ""); }, "abc"},
        {"all empty needle", "abc", [](CText& t) { t.ReplaceAll("", "x"); }, "abc"},
        {"all null replacement", "abc", [](CText& t) { t.ReplaceAll("b", nullptr); }, "abc"},
        {"first", "a.b.c", [](CText& t) { t.ReplaceFirst(".", "!"); }, "a!b.c"},
        {"first from offset", "a.b.c", [](CText& t) { t.ReplaceFirst(".", "!", 2); }, "a.b!c"},
        {"first is exact", "A.a", [](CText& t) { t.ReplaceFirst("a", "z"); }, "A.z"},
        {"first no case", "A.a", [](CText& t) { t.ReplaceFirstNoCase("a", "z"); }, "z.a"},
        {"first texts", "A.a", [](CText& t) { t.ReplaceFirst(CText("a"), CText("z")); }, "A.z"},
        {"first text no case", "A.a", [](CText& t) { t.ReplaceFirstText(CText("a"), CText("z")); }, "z.a"},
        {"first no case texts from offset", "A.a",
         [](CText& t) { t.ReplaceFirstNoCase(CText("A"), CText("z"), 1); }, "A.z"},
    };
    for (const auto& c : cases) {
        CText t(c.text);
        c.edit(t);
        EXPECT_EQ(Text(t), c.expected) << c.name;
    }

    CText grown("abab", 4);
    grown.ReplaceAll("b", "bbb");  // room 3, growth 4: shortfall 1, one step more
    EXPECT_EQ(Text(grown), "abbbabbb");
    EXPECT_EQ(grown.capacity, 12);
    CText fromItself("a.b");
    fromItself.ReplaceAll(".", fromItself.buffer);
    EXPECT_EQ(Text(fromItself), "aa.bb");
}

TEST(CText, EncodeHeaderWordHasNoLengthCut)
{
    CText t("");
    t.EncodeHeaderWord();
    EXPECT_EQ(Text(t), "");
    t.Assign("50% off");
    t.EncodeHeaderWord();
    EXPECT_EQ(Text(t), "50% off");
    t.Assign("50% off=");
    t.EncodeHeaderWord();
    EXPECT_EQ(Text(t), "=?ISO-8859-1?Q?50=25_off=3D?=");

    std::string many;
    for (int i = 0; i < 250; ++i)
        many += "é";
    t.Assign(many.c_str());
    t.EncodeHeaderWord();
    EXPECT_GT(t.length, 255);
    EXPECT_EQ(Text(t).substr(size_t(t.length) - 2), "?=");
}

TEST(CText, ExtractListFillsTheListFromCommaSeparatedItems)
{
    CList<CString256> list;
    list.Append(CString256("kept"));
    CText t("Links a,,b,c\xA5\r");
    EXPECT_FALSE(t.ExtractList("Files ", "\xA5", list));
    ASSERT_EQ(list.Count(), 1);

    EXPECT_TRUE(t.ExtractList("Links ", "\xA5", list));
    EXPECT_EQ(Text(t), "\r");
    std::string items;
    list.Rewind();
    while (const CString256* item = list.Next())
        items += std::string(item->text) + "|";
    EXPECT_EQ(items, "a|b|c|");
}
