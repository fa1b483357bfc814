// Entity decoding and file-name cleaning of the page imager, with its one log line.
#include "FileNameStrings.h"
#include "PictavorLog.h"
#include "StringExtensions.h"

#include <gtest/gtest.h>

namespace {

class LogLines {
public:
    LogLines() { pictavor::SetLogCapture([this](const QString& text) { fLines << text; }); }
    ~LogLines() { pictavor::SetLogCapture(nullptr); }
    QStringList fLines;
};

TEST(StringExtensionsTest, EntitiesDecodeToTheirCharacters)
{
    const struct { const char* in; QString out; int logLines; } cases[] = {
        { "a &amp; b", "a & b", 0 },
        { "&#65;", "A", 0 },
        { "&#x41;", "A", 0 },
        { "&#x41", "A", 0 },                       // the ";" is optional
        { "&#65;&#66;C", "ABC", 0 },
        { "&lt;p&gt; &quot;q&quot; &apos;s&apos;", "<p> \"q\" 's'", 0 },
        { "&AMP; &Lt;", "&AMP; &Lt;", 0 },          // named entities match as written, lower case
        { "a & b", "a & b", 0 },
        { "&", "&", 0 },
        { "tail &", "tail &", 0 },
        { "&#128512;", QString::fromUtf8("\xF0\x9F\x98\x80"), 0 },
        { "&#x1F600;", QString::fromUtf8("\xF0\x9F\x98\x80"), 0 },
        { "&#0;", QString(QChar(0xFFFD)), 0 },
        { "&#xD800;", QString(QChar(0xFFFD)), 0 },
        { "&#x110000;", QString(QChar(0xFFFD)), 0 },
        { "&#99999999999999999999;", QString(QChar(0xFFFD)), 0 },
        { "&#ab;", "&#ab;", 1 },
        { "&#xyz; rest", "&#xyz; rest", 1 },
        { "&# x", "&# x", 1 },
        { "no entity", "no entity", 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        LogLines log;
        EXPECT_EQ(pictavor::StringByDecodingHTMLEntities(QString::fromUtf8(c.in)), c.out);
        EXPECT_EQ(log.fLines.size(), c.logLines);
    }
}

TEST(StringExtensionsTest, MalformedNumericEntityLogsWhatItGot)
{
    LogLines log;
    pictavor::StringByDecodingHTMLEntities("x &#ab; y &#xq1 z");
    EXPECT_EQ(log.fLines, (QStringList { "Expected numeric character entity but got &#ab;",
                                         "Expected numeric character entity but got &#xq1;" }));
}

TEST(StringExtensionsTest, CleanForFilenameDecodesFirstSoNoSlashComesBack)
{
    const struct { const char* in; const char* out; } cases[] = {
        { "a/b:c", "a-b.c" },
        { "&#47;", "-" },
        { "&#x2F;etc&#58;x", "-etc.x" },
        { "Tom &amp; Jerry: 2/3", "Tom & Jerry. 2-3" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(pictavor::CleanForFilename(c.in), QString(c.out)) << c.in;
}

TEST(StringExtensionsTest, MarkerExtractionIsTheCoreLibrarys)
{
    const QString page = "<HTML><HEAD><TITLE>Upper Case</TITLE></HEAD></HTML>";
    EXPECT_EQ(ExtractBetweenPattern(page, "<title>", "</title>"), "Upper Case");
    EXPECT_EQ(ReverseExtractBetweenPattern("<b>one</b> <b>two</b>", "<b>", "</b>"), "one");
    EXPECT_EQ(ReverseExtractBetweenPattern("<a>x<a>y</a>", "<a>", "</a>"), "y");
    EXPECT_TRUE(ExtractBetweenPattern(page, "<title>", "</nothing>").isNull());
}

} // namespace
