// The property-list reader: what it tolerates, and a table of malformed inputs that must give an
// error naming the line and no value.
#include "CFPropertyList.h"
#include "CFPropertyListReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

QByteArray Wrap(const QByteArray& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body + "\n</plist>\n";
}

TEST(PlistReader, ToleratesWhatHandEditedFilesHold)
{
    const struct {
        const char* name;
        QByteArray bytes;
        CFPropertyList expected;
    } cases[] = {
        {"no declaration or DOCTYPE", "<plist><string>a</string></plist>", "a"},
        {"byte-order mark", "\xEF\xBB\xBF<plist><true/></plist>", true},
        {"DOCTYPE with internal subset", "<!DOCTYPE plist [ <!ENTITY x \"y\"> ]><plist><false/></plist>", false},
        {"comments everywhere", "<!-- a --><plist><!-- b --><array><!-- c --><string>x<!-- d -->y</string></array>"
                                "<!-- e --></plist>\n<!-- f -->\n",
         CFPropertyList::Array{"xy"}},
        {"CDATA", Wrap("<string><![CDATA[<a & b>]]> &amp; c</string>"), "<a & b> & c"},
        {"entities and character references",
         Wrap("<string>&lt;&gt;&amp;&quot;&apos;&#65;&#x42;&#xe9;&#x1F600;</string>"),
         QString::fromUtf8("<>&\"'ABé\xF0\x9F\x98\x80")},
        {"whitespace inside base64", Wrap("<data>\n\t\tQnJl\n  dmFu\r\n\tdG8=\n</data>"), QByteArray("Brevanto")},
        {"CR kept in strings and keys", Wrap("<dict><key>a\rb</key><string>1\r\n2\r</string></dict>"),
         CFPropertyList::Dictionary{{"a\rb", "1\r\n2\r"}}},
        {"later duplicate key wins", Wrap("<dict><key>k</key><integer>1</integer><key>k</key><integer>2</integer></dict>"),
         CFPropertyList::Dictionary{{"k", 2}}},
        {"long-form booleans and empty elements",
         Wrap("<array><true></true><false> </false><string/><dict></dict><array></array></array>"),
         CFPropertyList::Array{true, false, "", CFPropertyList::Dictionary(), CFPropertyList::Array()}},
        {"numbers with signs and spaces", Wrap("<array><integer> -7 </integer><integer>+7</integer>"
                                               "<integer>0x1F</integer><real>-1.5e3</real><real>.5</real></array>"),
         CFPropertyList::Array{-7, 7, 31, -1500.0, 0.5}},
        {"bytes that are not UTF-8 count as Latin-1", Wrap("<string>caf\xE9 \xC3\xA9</string>"),
         QString::fromUtf8("café é")},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_EQ(CFPropertyListReader::Read(c.bytes, &error), c.expected) << c.name << ": " << error.toStdString();
        EXPECT_TRUE(error.isEmpty()) << c.name;
    }
}

TEST(PlistReader, ReadsNonFiniteRealsAndDates)
{
    const CFPropertyList value = CFPropertyListReader::Read(
        Wrap("<array><real>nan</real><real>+infinity</real><real>-infinity</real>"
             "<date>1904-01-01T00:00:00Z</date><date>2000-02-29T23:59:59Z</date><real>5e-324</real></array>"));
    ASSERT_EQ(value.Count(), 6);
    EXPECT_TRUE(std::isnan(value.At(0).ToReal()));
    EXPECT_EQ(value.At(1).ToReal(), std::numeric_limits<double>::infinity());
    EXPECT_EQ(value.At(2).ToReal(), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(value.At(3), CFPropertyList::FromDate(-2082844800));
    EXPECT_EQ(value.At(4), CFPropertyList::FromDate(951868799));
    EXPECT_EQ(value.At(5).ToReal(), std::numeric_limits<double>::denorm_min());
}

QByteArray Nested(int depth)
{
    return QByteArray("<array>").repeated(depth) + QByteArray("</array>").repeated(depth);
}

TEST(PlistReader, MalformedInputGivesAnErrorNamingTheLine)
{
    const struct {
        const char* name;
        QByteArray bytes;
        int line;
    } cases[] = {
        {"empty", "", 1},
        {"only whitespace", " \n \n", 3},
        {"binary", QByteArray("bplist00\xD1\x01\x02", 11), 1},
        {"not a plist root", "<dict></dict>", 1},
        {"unknown tag", Wrap("<dict>\n<key>a</key>\n<float>1</float></dict>"), 5},
        {"mismatched end tag", Wrap("<string>a</integer>"), 3},
        {"container closed by the wrong tag", Wrap("<array></dict>"), 3},
        {"key without a value", Wrap("<dict><key>a</key></dict>"), 3},
        {"value without a key", Wrap("<dict><string>a</string></dict>"), 3},
        {"key outside a dictionary", Wrap("<key>a</key>"), 3},
        {"plist without a value", "<plist>\n</plist>", 2},
        {"empty plist element", "<plist/>", 1},
        {"two root values", Wrap("<true/><false/>"), 3},
        {"stray text in an array", Wrap("<array>x<true/></array>"), 3},
        {"text inside a boolean", Wrap("<true>yes</true>"), 3},
        {"tag inside a string", Wrap("<string>a<b/></string>"), 3},
        {"bad integer", Wrap("<integer>12a</integer>"), 3},
        {"empty integer", Wrap("<integer></integer>"), 3},
        {"integer overflow", Wrap("<integer>9223372036854775808</integer>"), 3},
        {"integer underflow", Wrap("<integer>-9223372036854775809</integer>"), 3},
        {"bad real", Wrap("<real>1.2.3</real>"), 3},
        {"real overflow", Wrap("<real>1e400</real>"), 3},
        {"impossible date", Wrap("<date>2023-02-29T00:00:00Z</date>"), 3},
        {"date without time", Wrap("<date>2024-01-01</date>"), 3},
        {"date with a space", Wrap("<date>2024-01-01 10:00:00Z</date>"), 3},
        {"bad base64", Wrap("<data>@@@@</data>"), 3},
        {"unknown entity", Wrap("<string>&nbsp;</string>"), 3},
        {"NUL character reference", Wrap("<string>&#0;</string>"), 3},
        {"surrogate character reference", Wrap("<string>&#xD800;</string>"), 3},
        {"unterminated string", Wrap("<string>abc"), 4},
        {"unterminated comment", Wrap("<!-- abc"), 3},
        {"truncated document", "<plist><array><string>a</string>", 1},
        {"content after </plist>", Wrap("<true/>") + "<true/>", 5},
        {"text after </plist>", Wrap("<true/>") + "x", 5},
        {"513 nested containers", "<plist>" + Nested(513) + "</plist>", 1},
        {"10,000 nested containers", "<plist>" + Nested(10000) + "</plist>", 1},
        {"10,000 unclosed containers", "<plist>" + QByteArray("<dict><key>k</key>").repeated(10000), 1},
    };
    for (const auto& c : cases) {
        QString error;
        const CFPropertyList value = CFPropertyListReader::Read(c.bytes, &error);
        EXPECT_TRUE(value.IsNull()) << c.name;
        EXPECT_TRUE(error.startsWith(QStringLiteral("line %1:").arg(c.line))) << c.name << ": " << error.toStdString();
    }
    EXPECT_FALSE(CFPropertyListReader::Read("<plist>" + Nested(512) + "</plist>").IsNull());
}

} // namespace
