// The mailing's message source as a mailing is prepared: a page from the HTTP peer relinked
// (read back by Python's html.parser against urljoin) or given a base element, the content
// type settled, local files and their failures, and a local page's images sent as content-ID
// parts (the built message read back by Python's email package).
#include "MailingWindowFixture.h"

#include "../peers/HttpPeer.h"
#include "BuildSendJobMessage.h"
#include "CEnvironment.h"
#include "CMailMessage.h"
#include "ControlValues.h"
#include "Drawer.h"
#include "HTMLRewriting.h"
#include "Message.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

void WriteFile(const QString& inPath, const QByteArray& inBytes)
{
    QDir().mkpath(QFileInfo(inPath).absolutePath());
    QFile file(inPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(inBytes);
}

QByteArray Bytes(const CText& inText) { return QByteArray(inText.buffer, inText.length); }

// Runs one of the Python checkers; its output when it found problems.
QString RunChecker(const char* inScript, const QStringList& inArguments)
{
    QProcess python;
    python.start(QStringLiteral(BREVANTO_PYTHON), QStringList {QStringLiteral(BREVANTO_TEST_DATA "/") + inScript} + inArguments);
    if (!python.waitForFinished(60000))
        return QStringLiteral("the checker did not end");
    if (python.exitCode() != 0)
        return QString::fromUtf8(python.readAllStandardOutput() + python.readAllStandardError());
    return {};
}

// A page of every kind of reference, in a sub-folder the peer serves as an index.
QByteArray RelinkPage()
{
    const QByteArray longLink = "long/" + QByteArray(400, 'a') + ".html";
    return "<html>\n<head><title>Sub</title></head>\n<body>\n"
           "<a href=\"./x\">x</a>\n"
           "<img src=\"img/y.png\">\n"
           "<img src='img/single.gif'>\n"
           "<img src=a.gif alt=\"unquoted\">\n"
           "<A HREF=\"../z.html\">up</A>\n"
           "<a href=\"../../../../w.html\">far</a>\n"
           "<link rel=\"stylesheet\" href=\"/root.css\">\n"
           "<script src=\"//cdn.test/s.js\"></script>\n"
           "<a href=\"http://other.test/abs.html\">abs</a>\n"
           "<a href=\"#top\">top</a>\n"
           "<a href=\"mailto:ann@x.test\">mail</a>\n"
           "<img src=\"data:image/gif;base64,R0lGODlhAQABAAAAACw=\">\n"
           "<a href=\"javascript:void(0)\">js</a>\n"
           "<a href=\"tel:+15551234\">call</a>\n"
           "<table background=\"bg.jpg\"><tr><td>cell</td></tr></table>\n"
           "<select><option value=\"opt.html\">one</option></select>\n"
           "<a href=\"" + longLink + "\">long</a>\n"
           "</body>\n</html>\n";
}

class MessageSourcesTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        gEnvironment = &mEnvironment;
        for (const char* key : {kRelativeURLsKey, kInsertContentIDTagsKey})
            SetPreference(nullptr, CString256(key));
    }

    void TearDown() override
    {
        MailingWindowTest::TearDown();
        gEnvironment = nullptr;
    }

    // A new window whose source field holds `inURL`, normalised.
    CBrevantoWindow* WindowFor(const QString& inURL)
    {
        auto* window = new CBrevantoWindow();
        window->SetWebPageURLText(inURL);
        window->NormalizeURL();
        return window;
    }

    CEnvironment mEnvironment;
};

class WebSourceTest : public MessageSourcesTest {
protected:
    void SetUp() override
    {
        MessageSourcesTest::SetUp();
        ASSERT_TRUE(mPeer.IsRunning());
    }

    QString URL(const std::string& inPath) const { return QString::fromStdString(mPeer.URL(inPath)); }

    HttpPeer mPeer;
};

} // namespace

TEST(ResolveRelativeURL, ClimbsOnlyTheLeadingFoldersAndKeepsSchemes)
{
    struct Case {
        const char* base;
        SInt32 scheme;
        const char* token;
        const char* expected;
    } cases[] = {
        {"http://h.test/a/b/c/p.html", 4, "//cdn.test/s.js", "https://cdn.test/s.js"},
        {"http://h.test/a/b/c/p.html", 2, "../../x.html", "http://h.test/a/x.html"},
        {"http://h.test/a/b/c/p.html", 2, "../../../../x.html", "http://h.test/x.html"},
        {"http://h.test/a/b/c/p.html", 2, "../../../x.html", "http://h.test/x.html"},
        {"http://h.test/p.html", 2, "./img/x.png", "http://h.test/img/x.png"},
        {"http://h.test:8080/a/p.html", 2, "/root.css", "http://h.test:8080/root.css"},
        {"http://h.test/a/b/p.html", 2, "img/y.png", "http://h.test/a/b/img/y.png"},
        // Only leading "../" climb; a later one stays for the reader.
        {"http://h.test/a/b/c/p.html", 2, "../d/../x.html", "http://h.test/a/b/d/../x.html"},
        // References with a scheme are absolute.
        {"http://h.test/a/p.html", 2, "data:image/png;base64,AAAA", "data:image/png;base64,AAAA"},
        {"http://h.test/a/p.html", 2, "javascript:void(0)", "javascript:void(0)"},
        {"http://h.test/a/p.html", 2, "cid:a.png", "cid:a.png"},
        {"http://h.test/a/p.html", 2, "ftp://f.test/x", "ftp://f.test/x"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ResolveRelativeURL(c.base, c.scheme, c.token), c.expected) << c.token;
}

TEST(ReadContentTypeMeta, TakesTheDeclarationAsWrittenWithoutLineBreaks)
{
    struct Case {
        const char* page;
        const char* expected;
    } cases[] = {
        {"<html><head><META HTTP-EQUIV=\"Content-Type\" content=\"Text/HTML; charset=ISO-8859-1\"></head>",
         "Text/HTML; charset=ISO-8859-1"},
        {"<head><meta http-equiv=\"content-type\" content=\"text/html;\r\nBcc: evil@x.test\"></head>",
         "text/html;  Bcc: evil@x.test"},
        // The content attribute first: not read.
        {"<head><meta content=\"text/html\" http-equiv=\"content-type\"></head>", "unchanged"},
        {"<meta http-equiv=\"content-type\" content=\"text/html\">", "unchanged"},
    };
    for (const Case& c : cases) {
        CString256 type("unchanged");
        ReadContentTypeMeta(CText(c.page), type);
        EXPECT_STREQ(type.text, c.expected) << c.page;
    }
}

TEST_F(WebSourceTest, RelinkedPageMatchesUrljoinOfTheAddressFinallyServed)
{
    WriteFile(mPeer.Root() + "/site/sub/index.html", RelinkPage());
    SetPreference("2", CString256(kRelativeURLsKey));
    CBrevantoWindow* window = WindowFor(URL("/static/site/sub"));

    ASSERT_TRUE(window->LoadWebDocument());
    EXPECT_STREQ(window->mContentType.text, "text/html");
    const QString rewritten = mFolder.filePath("rewritten.html");
    WriteFile(rewritten, Bytes(window->mMessageText));
    WriteFile(mFolder.filePath("original.html"), RelinkPage());
    EXPECT_EQ(RunChecker("check_links.py", {mFolder.filePath("original.html"), rewritten,
                                             URL("/static/site/sub/")}),
              QString());
    // The field keeps what was typed.
    EXPECT_EQ(window->mWebPageURL, URL("/static/site/sub"));

    // HEAD then GET, both with the user agent.
    const std::vector<HttpPeer::Recorded> requests = mPeer.Requests();
    ASSERT_GE(requests.size(), 4u);
    EXPECT_EQ(requests.front().method, "HEAD");
    EXPECT_EQ(requests.back().method, "GET");
    EXPECT_EQ(requests.back().path, "/static/site/sub/");
    for (const HttpPeer::Recorded& request : requests)
        EXPECT_FALSE(request.Header("User-Agent").isEmpty());
}

TEST_F(WebSourceTest, BaseModeOpensTheHeadWithTheServedAddress)
{
    WriteFile(mPeer.Root() + "/site/sub/index.html", "<html><HEAD><title>T</title></HEAD><body><a href=\"x.html\">x</a></body></html>");
    WriteFile(mPeer.Root() + "/based.html", "<html><head><BASE HREF=\"http://elsewhere.test/\"></head><a href=\"x.html\">x</a></html>");
    WriteFile(mPeer.Root() + "/headless.html", "<html><body><a href=\"x.html\">x</a></body></html>");

    CBrevantoWindow* window = WindowFor(URL("/static/site/sub"));
    ASSERT_TRUE(window->LoadWebDocument());
    EXPECT_EQ(Bytes(window->mMessageText), "<html><head>\r<base href=\"" + URL("/static/site/sub/").toUtf8() +
                                                "\">\r<title>T</title>\r</head><body><a href=\"x.html\">x</a></body></html>");

    struct Case {
        const char* path;
        const char* mode;
        QByteArray expected;
    } cases[] = {
        {"/static/based.html", "1", "<html><head><BASE HREF=\"http://elsewhere.test/\"></head><a href=\"x.html\">x</a></html>"},
        {"/static/headless.html", nullptr, "<html><body><a href=\"" + URL("/static/x.html").toUtf8() + "\">x</a></body></html>"},
        {"/static/headless.html", "3", "<html><body><a href=\"x.html\">x</a></body></html>"},
    };
    for (const Case& c : cases) {
        SetPreference(c.mode, CString256(kRelativeURLsKey));
        window->SetWebPageURLText(URL(c.path));
        window->NormalizeURL();
        ASSERT_TRUE(window->LoadWebDocument()) << c.path;
        EXPECT_EQ(Bytes(window->mMessageText), c.expected) << c.path << " " << (c.mode ? c.mode : "absent");
    }
}

TEST_F(WebSourceTest, ContentTypeComesLowerCasedFromTheServerAndAsWrittenFromTheHead)
{
    WriteFile(mPeer.Root() + "/plain.txt", "hello");
    WriteFile(mPeer.Root() + "/declared.html",
              "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\"></head></html>");
    struct Case {
        const char* path;
        const char* expected;
    } cases[] = {
        {"/static/plain.txt?type=Text/Plain", "text/plain"},
        {"/static/declared.html?type=TEXT/HTML", "text/html; charset=ISO-8859-1"},
    };
    for (const Case& c : cases) {
        CBrevantoWindow* window = WindowFor(URL(c.path));
        ASSERT_TRUE(window->LoadWebDocument()) << c.path;
        EXPECT_STREQ(window->mContentType.text, c.expected) << c.path;
    }

    // A missing page is no body: the user is told which address failed.
    mPresenter->QueueSheet(kSheetOKCommand);
    CBrevantoWindow* missing = WindowFor(URL("/static/none.html"));
    EXPECT_FALSE(missing->LoadWebDocument());
    ASSERT_FALSE(mPresenter->Requests().empty());
    EXPECT_EQ(mPresenter->Requests().back().message, "This web page could not be downloaded:");
    EXPECT_EQ(mPresenter->Requests().back().explanation, URL("/static/none.html"));
    EXPECT_EQ(missing->mMessageText.length, 0);
}

TEST_F(MessageSourcesTest, LocalFilesAndAddressesWithoutAFetch)
{
    WriteFile(FolderPath("note.eml"), "Content-Type: text/html\r\n\r\n<head><meta http-equiv=\"content-type\" content=\"x/y\"></head>");
    WriteFile(FolderPath("page.html"), "<html><head></head><body>page</body></html>");
    WriteFile(FolderPath("data.unknownext"), "bytes");
    QDir().mkpath(FolderPath("folder"));
    struct Case {
        QString url;
        bool image;
        bool result;
        const char* type;
        const char* alert; // null: none
    } cases[] = {
        {"", false, true, "text/plain", nullptr},
        {"ftp://127.0.0.1/page.html", false, false, nullptr, nullptr},
        {"ftp://127.0.0.1/page.html", true, false, nullptr,
         "Brevanto can only image URLs that use the \"http\" or \"https\" protocol."},
        {"https://127.0.0.1:1/never-fetched", true, true, "text/plain", nullptr},
        {FolderPath("page.html"), true, true, "text/plain", nullptr},
        {FolderPath("note.eml"), false, true, "message/rfc822", nullptr},
        {FolderPath("page.html"), false, true, "text/html", nullptr},
        {FolderPath("data.unknownext"), false, true, "text/plain", nullptr},
        {FolderPath("folder"), false, false, nullptr, "This file could not be loaded:"},
        {FolderPath("absent.html"), false, false, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        CBrevantoWindow* window = WindowFor(c.url);
        window->mImageHTML = c.image;
        const size_t before = mPresenter->Requests().size();
        if (c.alert)
            mPresenter->QueueSheet(kSheetOKCommand);
        EXPECT_EQ(window->LoadWebDocument(), c.result) << c.url.toStdString();
        if (c.type) {
            EXPECT_STREQ(window->mContentType.text, c.type) << c.url.toStdString();
        }
        ASSERT_EQ(mPresenter->Requests().size(), before + (c.alert ? 1 : 0)) << c.url.toStdString();
        if (c.alert) {
            EXPECT_EQ(mPresenter->Requests().back().message, c.alert);
        }
    }
}

TEST_F(MessageSourcesTest, LocalPageImagesTravelAsContentIDPartsAMailReaderMatches)
{
    // A Latin-1 page; its images, one of them twice, one with a blank in its name.
    const QByteArray page = "<html><head><title>Caf\xE9</title></head><body>\n"
                            "<img src=\"a.png\"> <img src=\"a.png\">\n"
                            "<IMG SRC=\"img/b%20b.png\">\n"
                            "<img src=\"other/a.png\">\n"
                            "<img src=\"http://remote.test/r.png\">\n"
                            "<img src=\"data:image/png;base64,iVBORw0KGgo=\">\n"
                            "<img src=\"missing.png\">\n"
                            "<img src=\"\">\n"
                            "<img src=\"../secret\">\n"
                            "</body></html>";
    WriteFile(FolderPath("site/page.html"), page);
    WriteFile(FolderPath("site/a.png"), QByteArray("\x89PNG\r\n\x1a\n first", 15));
    WriteFile(FolderPath("site/img/b b.png"), QByteArray("\x89PNG\r\n\x1a\n second", 16));
    WriteFile(FolderPath("site/other/a.png"), QByteArray("\x89PNG\r\n\x1a\n third", 15));
    WriteFile(FolderPath("secret"), "private key");

    CBrevantoWindow* window = WindowFor(FolderPath("site/page.html"));
    window->mAttachmentPaths.append("/earlier/attachment.pdf");
    SetControl32BitValue(window->Control(ControlRole::DispositionPopup), Message::kEmbedded);
    ASSERT_TRUE(window->LoadWebDocument());

    const QByteArray expected = "<html><head><title>Caf\xE9</title></head><body>\n"
                                "<img src=\"cid:a.png\"> <img src=\"cid:a.png\">\n"
                                "<IMG SRC=\"cid:b%20b.png\">\n"
                                "<img src=\"other/a.png\">\n"
                                "<img src=\"http://remote.test/r.png\">\n"
                                "<img src=\"data:image/png;base64,iVBORw0KGgo=\">\n"
                                "<img src=\"missing.png\">\n"
                                "<img src=\"\">\n"
                                "<img src=\"../secret\">\n"
                                "</body></html>";
    EXPECT_EQ(Bytes(window->mMessageText), expected);
    const QStringList attached = window->mAttachmentPaths;
    const QString a = QFileInfo(FolderPath("site/a.png")).canonicalFilePath();
    const QString b = QFileInfo(FolderPath("site/img/b b.png")).canonicalFilePath();
    EXPECT_EQ(attached, (QStringList {a, b}));
    EXPECT_EQ(Drawer::GetDrawerState(window->Window(CBrevantoWindow::ENibWindow::drawer)), UInt32(kWindowDrawerOpen));

    Message message;
    message.from = "sender@example.com";
    message.to = "ann@example.org";
    message.body = window->mMessageText;
    message.contentType = window->mContentType;
    message.attachmentDisposition = Message::kEmbedded;
    for (const QString& path : attached)
        ASSERT_EQ(message.AddAttachment(path.toUtf8().constData()), noErr);
    CMailMessage mail;
    ASSERT_TRUE(BuildSendJobMessage(*window, message, mail));
    WriteFile(FolderPath("built.eml"), QByteArray::fromStdString(mail.WriteSource()));
    EXPECT_EQ(RunChecker("check_cid.py", {FolderPath("built.eml"), a, b}), QString());
}
