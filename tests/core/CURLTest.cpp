// CURL: the parse table, composing, hosts and domains, the copy rules, and its fetches and
// files against the Python test peer.
#include "CURL.h"

#include "DatesAndTimes.h"
#include "FileManager.h"
#include "FileMetadata.h"
#include "WebEnvironment.h"

#include "../peers/HttpPeer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

std::vector<std::string> Segments(CURL& url)
{
    std::vector<std::string> out;
    url.pathSegments.Rewind();
    while (const CString256* segment = url.pathSegments.Next())
        out.push_back(segment->text);
    return out;
}

TEST(CURLParse, PartsFollowTheLastMarkerRules)
{
    struct Case {
        const char* text;
        SInt32 scheme;
        const char* host;
        const char* directory;
        std::vector<std::string> segments;
        const char* fileName;
        const char* extension;
        const char* resource;
        const char* query;
        const char* parameters;
    } cases[] = {
        {"http://h/a/b/page.html?x=1#top", 2, "h", "a/b", {"a", "b"}, "page.html", ".html", "page.html?x=1", "x=1", ""},
        {"http://h", 2, "h", "", {}, "", "", "", "", ""},
        {"mailto:someone", 2, "", "", {}, "", "", "", "", ""},
        {"https://h:8443/cgi/x.cgi$p=1?q=2", 4, "h:8443", "cgi", {"cgi"}, "x.cgi", ".cgi", "x.cgi$p=1?q=2", "q=2", "p=1"},
        {"/Users/me/Sites/index.html", 2, "", "Users/me/Sites", {"Users", "me", "Sites"}, "index.html", ".html", "index.html", "", ""},
        {"file:///tmp/a.txt", 1, "", "tmp", {"tmp"}, "a.txt", ".txt", "a.txt", "", ""},
        {"ftp://f/pub//x/", 3, "f", "pub//x", {"pub", "x"}, "", "", "", "", ""},
        {"HTTP://h/q?a=/b", 2, "h", "", {}, "q", "", "q?a=/b", "a=/b", ""},
    };
    for (const Case& c : cases) {
        CURL url(c.text);
        SCOPED_TRACE(c.text);
        EXPECT_EQ(url.scheme, c.scheme);
        EXPECT_STREQ(url.host.text, c.host);
        EXPECT_STREQ(url.directory.text, c.directory);
        EXPECT_EQ(Segments(url), c.segments);
        EXPECT_STREQ(url.fileName.text, c.fileName);
        EXPECT_STREQ(url.extension.text, c.extension);
        EXPECT_STREQ(url.resource.text, c.resource);
        EXPECT_STREQ(url.query.text, c.query);
        EXPECT_STREQ(url.parameters.text, c.parameters);
        EXPECT_STREQ(url.fragment.text, "");
    }
    CURL empty("");
    EXPECT_EQ(empty.GetURLText(), "");
    const std::string longURL = "http://h/" + std::string(600, 'p') + "?q=1";
    EXPECT_EQ(CURL(longURL.c_str()).GetURLText(), longURL) << "held whole";
}

TEST(CURLParse, ComposingAndComparing)
{
    CString256 out;
    CURL("https://h:8443/cgi/x.cgi$p=1?q=2#f").ComposeURL(out);
    EXPECT_STREQ(out.text, "https://h:8443/cgi/x.cgi$p=1?q=2");
    CURL("http://h/a/b/page.html?x=1").ComposePath(out);
    EXPECT_STREQ(out.text, "/a/b/page.html?x=1");
    CURL("ftp://f/x").ComposeURL(out);
    EXPECT_STREQ(out.text, "ftp://f/x");
    CURL("file:///tmp/a.txt").ComposeURL(out);
    EXPECT_STREQ(out.text, "file:///tmp/a.txt");
    CText relative;
    CURL("http://h/a%20b/c/page%3F.html").GetRelativePath(relative);
    EXPECT_STREQ(relative.buffer, "a b:c:page?.html");
    EXPECT_TRUE(CURL("http://h/p.html?a=1").SameResource(CURL("http://h/p.html?b=2")));
    EXPECT_FALSE(CURL("http://h/p.html").SameResource(CURL("http://h/q.html")));
    CString256 stripped("http://h/p.html$x?y#z");
    CURL::StripQuery(stripped);
    EXPECT_STREQ(stripped.text, "http://h/p.html");
}

TEST(CURLParse, HostsAndDomains)
{
    EXPECT_TRUE(IsDottedQuadHost("10.0.0.1:25"));
    EXPECT_TRUE(IsDottedQuadHost("192.168.1.200"));
    EXPECT_FALSE(IsDottedQuadHost("10.0.1"));
    EXPECT_FALSE(IsDottedQuadHost("a.b.c.d"));
    EXPECT_FALSE(IsDottedQuadHost("1.2.3.4.5"));
    EXPECT_TRUE(IsAllDigits(""));
    EXPECT_FALSE(IsAllDigits("12a"));
    CString256 domain;
    CURL("http://a.b.c/x").GetDomain(domain);
    EXPECT_STREQ(domain.text, "b.c");
    CURL("http://c/x").GetDomain(domain);
    EXPECT_STREQ(domain.text, "");
    CURL("http://10.1.2.3/x").GetDomain(domain);
    EXPECT_STREQ(domain.text, "10.1.2.3");
}

TEST(CURLParse, CopiesLeaveLocationRealmAndTimeBehind)
{
    CURL source("http://h/a.html");
    source.location = "/elsewhere";
    source.realm = "R";
    source.modificationTime = 77;
    source.contentType = "text/html";
    source.data.ConcatenateBuffer("body", 4);
    CURL copy(source);
    EXPECT_EQ(copy.GetURLText(), "http://h/a.html");
    EXPECT_STREQ(copy.contentType.text, "text/html");
    EXPECT_EQ(copy.data.GetBufferData(), "body");
    EXPECT_STREQ(copy.location.text, "");
    EXPECT_STREQ(copy.realm.text, "");
    EXPECT_EQ(copy.modificationTime, 0u);
    CURL target("http://other/");
    target.location = "kept";
    target = source;
    EXPECT_STREQ(target.location.text, "kept");
    EXPECT_STREQ(target.host.text, "h");
}

TEST(CURLParse, HeaderTextByTheDownloadRules)
{
    CURL url("http://h/");
    url.headerText = "HTTP/1.1 200 OK\r\nDate: first\r\nDate: second\r\nWWW-Authenticate: Basic realm=\"Zone\"\r\n"
                     "Content-Length: 12\r\n\r\n";
    url.ParseHeaderText();
    EXPECT_STREQ(url.date.text, "first");
    EXPECT_STREQ(url.realm.text, "Zone");
    EXPECT_STREQ(url.contentLength.text, "12");
    EXPECT_STREQ(url.lastModified.text, "");
}

class CURLPeerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(peer.IsRunning()); }
    HttpPeer peer;
};

TEST_F(CURLPeerTest, HeadTakesTheFieldsTheProgramReads)
{
    CURL url(peer.URL("/fields").c_str());
    ASSERT_TRUE(url.Head("Brevanto", "", "", 5));
    EXPECT_EQ(url.statusCode, 200);
    EXPECT_STREQ(url.statusLine.buffer, "HTTP/1.1 200 OK");
    EXPECT_STREQ(url.date.text, "Tue, 15 Nov 1994 08:12:31 GMT");
    EXPECT_STREQ(url.lastModified.text, "Mon, 14 Nov 1994 07:00:00 GMT");
    UInt32 expected = 0;
    ParseMessageDate("Mon, 14 Nov 1994 07:00:00 GMT", expected);
    EXPECT_EQ(url.modificationTime, expected);
    EXPECT_STREQ(url.contentType.text, "text/html; charset=utf-8");
    EXPECT_STREQ(url.location.text, "/elsewhere");
    EXPECT_STREQ(url.realm.text, "Field Realm");

    CURL other(peer.URL("/body").c_str());
    other.lastModified = "stale";
    other.location = "kept";
    ASSERT_TRUE(other.Head("Brevanto", "", "", 5));
    EXPECT_STREQ(other.lastModified.text, "");
    EXPECT_STREQ(other.location.text, "kept");

    CURL missing(peer.URL("/status/404").c_str());
    EXPECT_FALSE(missing.Head("Brevanto", "", "", 5));
    EXPECT_FALSE(missing.loaded);
}

TEST_F(CURLPeerTest, FetchFillsTheDataOnlyWithABody)
{
    CURL url(peer.URL("/redirect/1").c_str());
    ASSERT_TRUE(url.Fetch("Brevanto", 5));
    EXPECT_EQ(url.data.GetBufferData(), "hello body");
    EXPECT_TRUE(url.ContentContains("HELLO"));
    EXPECT_FALSE(url.ContentContains("absent"));
    CURL empty(peer.URL("/empty").c_str());
    empty.data.ConcatenateBuffer("old", 3);
    EXPECT_FALSE(empty.Fetch(5));
    EXPECT_EQ(empty.data.GetBufferData(), "old");
}

TEST_F(CURLPeerTest, ContentTypeFromTheMapTheFileTypeOrAHead)
{
    QTemporaryDir dir;
    const QString pdf = dir.path() + "/doc.PDF";
    const QString note = dir.path() + "/note.xyz";
    QFile(pdf).open(QIODevice::WriteOnly);
    QFile(note).open(QIODevice::WriteOnly);
    WebEnvironment::SetMIMESource([](std::string_view ext) -> std::optional<std::string> {
        if (ext == ".pdf")
            return "application/pdf";
        return std::nullopt;
    });
    CURL mapped(("file://" + pdf).toUtf8().constData());
    EXPECT_TRUE(mapped.DetermineContentType());
    EXPECT_STREQ(mapped.contentType.text, "application/pdf");

    if (SupportsUserAttributes(note.toStdString())) {
        const OSType text = 'TEXT';
        ASSERT_EQ(FSSetTypeCreator(FSRef {note.toStdString()}, &text, nullptr), noErr);
        CURL typed(("file://" + note).toUtf8().constData());
        EXPECT_TRUE(typed.DetermineContentType());
        EXPECT_STREQ(typed.contentType.text, "text/plain");
    }
    WebEnvironment::SetMIMESource({});

    CURL web(peer.URL("/fields").c_str());
    EXPECT_TRUE(web.DetermineContentType());
    EXPECT_STREQ(web.contentType.text, "text/html; charset=utf-8");
    EXPECT_EQ(peer.Requests().back().method, "HEAD");
}

TEST_F(CURLPeerTest, SaveToFolderKeepsInsideTheFolder)
{
    QTemporaryDir dir;
    FSRef folder;
    ASSERT_EQ(FSPathMakeRef(dir.path().toStdString(), &folder), noErr);
    CURL url((peer.URL("/static/") + "page.html").c_str());
    url.host = "example.com:8080";
    url.data.ConcatenateBuffer("<html/>", 7);
    url.modificationTime = 3000000000u;
    ASSERT_EQ(url.SaveToFolder(folder, 'MOSS', 'TEXT', "Default.html", false), noErr);
    const QString saved = dir.path() + "/example.com/8080/static/page.html";
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "<html/>");

    for (const char* bad : {"http://h/a/../../x.html", "http://h/%2e%2e/x.html", "http://h/a/%2e%2e",
                            "http://h/a/x%2F..%2Fy"}) {
        CURL climbing(bad);
        climbing.data.ConcatenateBuffer("x", 1);
        EXPECT_NE(climbing.SaveToFolder(folder, 'MOSS', 'TEXT', "Default.html", false), noErr) << bad;
    }
    QDir top(dir.path());
    EXPECT_EQ(top.entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList {"example.com"});
    EXPECT_FALSE(QFile::exists(QFileInfo(dir.path()).dir().path() + "/x.html"));
}

} // namespace
