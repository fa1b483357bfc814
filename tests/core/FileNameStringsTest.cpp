// Path texts, pattern extraction and file-name cleaning.
#include "../platform/FileTestFolder.h"
#include "FileNameStrings.h"

#include <gtest/gtest.h>

TEST(FileNameStrings, PathTextAndReferenceRoundTrip)
{
    FileTestFolder folder;
    folder.Put("Zoë.txt", "");
    FSRef ref;
    ASSERT_TRUE(GetFSRef(QString::fromStdString(folder.PathOf("Zoë.txt")), &ref));
    EXPECT_EQ(StringWithFSRef(&ref), QString::fromStdString(folder.PathOf("Zoë.txt")));
    EXPECT_TRUE(StringWithFSRef(nullptr).isNull());
    EXPECT_FALSE(GetFSRef(QString::fromStdString(folder.PathOf("none")), &ref));
    EXPECT_FALSE(GetFSRef(QString(4096, u'a'), &ref));
    FSRef gone {folder.PathOf("gone")};
    EXPECT_TRUE(StringWithFSRef(&gone).isNull());
}

TEST(FileNameStrings, ExtractionFindsPatternsInAnyCase)
{
    const QString page = QStringLiteral("<HTML><Title>Ünïcode Päge</TITLE><title>second</title>");
    EXPECT_EQ(ExtractBetweenPattern(page, "<title>", "</title>"), "Ünïcode Päge");
    // Letters beyond ASCII match in either case too.
    EXPECT_EQ(ExtractBetweenPattern(QStringLiteral("xÄÖy[done]"), QStringLiteral("äö"), "["), "y");
    const struct {
        const char* text;
        const char* start;
        const char* end;
        const char* forward;  // nullptr: null result
        const char* reverse;
    } cases[] = {
        {"a<b>x<B>y</b>z", "<b>", "</b>", "x<B>y", "y"},
        {"<td></td>", "<td>", "</td>", "", ""},
        {"no markers", "<td>", "</td>", nullptr, nullptr},
        {"<td>open", "<td>", "</td>", nullptr, nullptr},
        {"</td><td>", "<td>", "</td>", nullptr, nullptr},
        {"text", "", "x", nullptr, nullptr},
        {"text", "t", "", nullptr, nullptr},
        {"abab", "ab", "ab", "", nullptr},
    };
    for (const auto& c : cases) {
        const QString forward = ExtractBetweenPattern(c.text, c.start, c.end);
        const QString reverse = ReverseExtractBetweenPattern(c.text, c.start, c.end);
        if (c.forward)
            EXPECT_EQ(forward, c.forward) << c.text;
        else
            EXPECT_TRUE(forward.isNull()) << c.text;
        if (c.reverse)
            EXPECT_EQ(reverse, c.reverse) << c.text;
        else
            EXPECT_TRUE(reverse.isNull()) << c.text;
    }
}

TEST(FileNameStrings, CleanForFilenameGivesAUsableName)
{
    const struct {
        QString text;
        QString clean;
    } cases[] = {
        {"1/2/2024 10:30", "1-2-2024 10-30"},
        {"..", "--"},
        {".", "-"},
        {"...", "---"},
        {"", "-"},
        {"a\tb\nc\x7F" + QString(QChar(0x85)), "a-b-c--"},
        {"Zoë's page.html", "Zoë's page.html"},
        {"..hidden", "..hidden"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CleanForFilename(c.text), c.clean) << c.text.toStdString();

    // A 300-byte title (two-byte characters) is cut on a character boundary within 255 bytes.
    const QString title = QString(150, QChar(0x00E9));
    const QByteArray cut = CleanForFilename(title).toUtf8();
    EXPECT_EQ(cut.size(), 254);
    EXPECT_EQ(QString::fromUtf8(cut), QString(127, QChar(0x00E9)));
    const QByteArray ascii = CleanForFilename(QString(300, u'a')).toUtf8();
    EXPECT_EQ(ascii.size(), 255);
}
