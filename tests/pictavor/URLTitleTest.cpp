// The title pre-fetch against the page peer: a title, none, Mac OS Roman bytes, a file URL,
// a server that never answers (the 15-second deadline), and schemes with nothing to fetch.
#include "../platform/PageServer.h"
#include "URLTitle.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

namespace {

bool IsDateForm(const QString& text)
{
    return QRegularExpression(R"(^\d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d \+0000$)").match(text).hasMatch();
}

TEST(URLTitleTest, TitlesFromThePagePeer)
{
    PageServer server;
    ASSERT_TRUE(server.Ok());
    EXPECT_EQ(pictavor::GetURLTitle(server.Url("/titled.html")), QString::fromUtf8("Fixture: A/B \xE2\x80\x93 Title & More"
                                                                                    ).replace('/', '-').replace(':', '-'));
    EXPECT_EQ(pictavor::GetURLTitle(server.Url("/macroman.html")), QString::fromUtf8("Caf\xC3\xA9 \xE2\x80\x93 Z\xC3\xBCrich"));
    EXPECT_TRUE(IsDateForm(pictavor::GetURLTitle(server.Url("/untitled.html"))));
    EXPECT_TRUE(IsDateForm(pictavor::GetURLTitle(server.Url("/missing.html"))));   // 404: no data
}

TEST(URLTitleTest, FileURLsAreReadDirectlyAndOtherSchemesGiveTheDate)
{
    const QString file = QUrl::fromLocalFile(QStringLiteral(BREVANTO_TEST_DATA "/titled.html")).toString();
    EXPECT_EQ(pictavor::GetURLTitle(file), QString::fromUtf8("Fixture- A-B \xE2\x80\x93 Title & More"));
    EXPECT_TRUE(IsDateForm(pictavor::GetURLTitle("file:///nonexistent/page.html")));
    EXPECT_TRUE(IsDateForm(pictavor::GetURLTitle("ftp://127.0.0.1/x.html")));
    EXPECT_TRUE(IsDateForm(pictavor::GetURLTitle("not a url")));
}

TEST(URLTitleTest, AServerThatNeverAnswersGivesTheDateAtTheDeadline)
{
    PageServer server;
    ASSERT_TRUE(server.Ok());
    EXPECT_TRUE(IsDateForm(pictavor::GetURLTitle(server.Url("/never"))));
}

} // namespace
