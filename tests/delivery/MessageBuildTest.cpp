// The header lines and texts of a build that the goldens do not spell out as tables: Date
// offsets, Message-IDs by host, subjects, the cc/bcc lists, To/CC folding for a batch,
// preamble and epilogue, and the writer's guarantees (CR LF only, never Bcc, unique boundary).

#include "BuildFixture.h"
#include "HeaderForms.h"

namespace {

using BuildHeaders = MessageBuildTest;

// The header line (with its folded continuation lines) that starts with `name` + ": ".
std::string HeaderLine(const std::string& source, const std::string& name)
{
    const std::string start = name + ": ";
    const size_t headerEnd = source.find("\r\n\r\n");
    size_t at = source.compare(0, start.size(), start) == 0 ? 0 : source.find("\r\n" + start);
    if (at == std::string::npos || at > headerEnd)
        return std::string();
    if (at > 0)
        at += 2;
    size_t end = source.find("\r\n", at);
    while (end + 2 < source.size() && (source[end + 2] == ' ' || source[end + 2] == '\t'))
        end = source.find("\r\n", end + 2);
    return source.substr(at, end - at);
}

}  // namespace

TEST_F(BuildHeaders, DateCarriesTheRealOffset)
{
    const struct {
        int offset;
        const char* line;
    } cases[] = {
        {5 * 3600 + 1800, "Date: Tue, 5 Mar 2024 14:07:09 +0530"},
        {-(3 * 3600 + 1800), "Date: Tue, 5 Mar 2024 14:07:09 -0330"},
        {0, "Date: Tue, 5 Mar 2024 14:07:09 +0000"},
        {-1800, "Date: Tue, 5 Mar 2024 14:07:09 -0030"},
    };
    for (const auto& c : cases) {
        SetZone(c.offset);
        EXPECT_EQ(HeaderLine(Build(BasicMessage()), "Date"), c.line);
    }
}

TEST_F(BuildHeaders, MessageIDDomainFromTheHost)
{
    const struct {
        const char* host;
        const char* id;
    } cases[] = {
        {"mail", "<0f1e2d3c4b5a69788796a5b4c3d2e1f0@mail>"},
        {"smtp.example.com", "<0f1e2d3c4b5a69788796a5b4c3d2e1f0@example.com>"},
        {"a.b.mail.example.org", "<0f1e2d3c4b5a69788796a5b4c3d2e1f0@example.org>"},
        {"smtp.example.com.", "<0f1e2d3c4b5a69788796a5b4c3d2e1f0@example.com>"},
        {"", "<0f1e2d3c4b5a69788796a5b4c3d2e1f0@localhost>"},
        {"evil>\r\nX: y.com", "<0f1e2d3c4b5a69788796a5b4c3d2e1f0@evilXy.com>"},
        {"127.0.0.1", "<0f1e2d3c4b5a69788796a5b4c3d2e1f0@[127.0.0.1]>"},
        {"::1", "<0f1e2d3c4b5a69788796a5b4c3d2e1f0@[IPv6:::1]>"},
        {"[10.0.0.2]", "<0f1e2d3c4b5a69788796a5b4c3d2e1f0@[10.0.0.2]>"},
        {"1.2.3", "<0f1e2d3c4b5a69788796a5b4c3d2e1f0@2.3>"},
    };
    for (const auto& c : cases) {
        CText id;
        MakeMessageID(id, CText(c.host));
        EXPECT_STREQ(id.buffer, c.id) << c.host;
    }
    Message message = BasicMessage();
    message.mailServer = "mail";
    EXPECT_EQ(HeaderLine(Build(message), "Message-Id"), "Message-Id: <0f1e2d3c4b5a69788796a5b4c3d2e1f0@mail>");
}

TEST_F(BuildHeaders, SubjectHeaders)
{
    const struct {
        QString subject;
        const char* line;
    } cases[] = {
        {QString(), ""},
        {QStringLiteral("1234567890123456789012345678901234567890"),
         "Subject: =?UTF-8?B?MTIzNDU2Nzg5MDEyMzQ1Njc4OTAxMjM0NTY3ODkwMTI=?=\r\n\t=?UTF-8?B?MzQ1Njc4OTA=?="},
    };
    for (const auto& c : cases) {
        Message message = BasicMessage();
        message.SetSubjectString(c.subject);
        EncodeCFString(message, window, message.subject);
        EXPECT_EQ(HeaderLine(Build(message), "Subject"), c.line);
    }
}

TEST_F(BuildHeaders, CcAndBccListsTakeOnlyAddresses)
{
    Message message = BasicMessage();
    message.cc = "a@x.org,,nobody";
    message.bcc = "\"Smith, John\" <js@x.org>, b@y.org";
    CMailMessage mail;
    ASSERT_TRUE(BuildSendJobMessage(window, message, mail));
    EXPECT_EQ(mail.GetCc(), std::vector<std::string>({"a@x.org"}));
    EXPECT_EQ(mail.GetBcc(), std::vector<std::string>({"\"Smith, John\" <js@x.org>", "b@y.org"}));
    const std::string source = mail.WriteSource();
    EXPECT_EQ(HeaderLine(source, "CC"), "CC: a@x.org");
    EXPECT_EQ(source.find("js@x.org"), std::string::npos);  // Bcc is never written
    EXPECT_EQ(source.find("Bcc"), std::string::npos);
}

// Typed lists get the forms To has; Return-Path holds the bare address, the receipt request
// the Reply-To list.
TEST_F(BuildHeaders, TypedAddressListsTakeTheHeaderForms)
{
    Set(kIncludeMDNHeaderKey, "true");
    Message message = BasicMessage();
    message.cc = "Jos\xC3\xA9 <jose@example.org>, \"Smith, John\" <js@x.org>,<bare@x.org>";
    message.replyTo = "Help Desk <help@x.org>, =?UTF-8?B?SGk=?= <hi@x.org>";
    message.returnPath = "Bounces <bounce@x.org>";
    const std::string source = Build(message);
    EXPECT_EQ(HeaderLine(source, "CC"), "CC: =?UTF-8?B?Sm9zw6k=?= <jose@example.org>, \"Smith, John\" <js@x.org>,\r\n bare@x.org");
    const char* replies = "Help Desk <help@x.org>, =?UTF-8?B?PT9VVEYtOD9CP1NHaz0/PQ==?= <hi@x.org>";
    EXPECT_EQ(HeaderLine(source, "Reply-To"), std::string("Reply-To: ") + replies);
    EXPECT_EQ(HeaderLine(source, "Disposition-Notification-To"), std::string("Disposition-Notification-To: ") + replies);
    EXPECT_EQ(HeaderLine(source, "Return-Path"), "Return-Path: <bounce@x.org>");
}

// An address that would have to be repaired (a CR or LF inside, a blank, a stray bracket) fails
// the message with a text naming it; nothing is joined into a different address.
TEST_F(BuildHeaders, RefusedAddressesFailTheMessageNamingThem)
{
    const QString junk = QStringLiteral("ann@example.org\r\nBcc:victim@x.example");
    const struct {
        const char* field;
        const char* typed;
        const char* named;
    } cases[] = {
        {"to", nullptr, "Invalid address: Ann <ann@example.org  Bcc:victim@x.example>"},
        {"cc", "ok@x.org, ann@example.org\r\nBcc:victim@x.example", "Invalid address: ann@example.org  Bcc:victim@x.example"},
        {"bcc", "Ann <ann@exa mple.org>", "Invalid address: Ann <ann@exa mple.org>"},
        {"replyTo", "Ann <ann@x.org> junk@y.org", "Invalid address: Ann <ann@x.org> junk@y.org"},
        {"returnPath", "bounce@x.org>", "Invalid address: bounce@x.org>"},
    };
    for (const auto& c : cases) {
        Message message = BasicMessage();
        const std::string field = c.field;
        if (field == "to") {
            message.to = MakeAddressHeaderForm(QStringLiteral("Ann"), junk).c_str();
            message.toDisplay = MakeAddressDisplayForm(QStringLiteral("Ann"), junk).c_str();
        }
        CText& typed = field == "cc" ? message.cc : field == "bcc" ? message.bcc : field == "replyTo" ? message.replyTo : message.returnPath;
        if (c.typed != nullptr)
            typed = c.typed;
        CMailMessage mail;
        EXPECT_FALSE(BuildSendJobMessage(window, message, mail)) << c.field;
        EXPECT_TRUE(mail.BuildFailed()) << c.field;
        EXPECT_STREQ(mail.buildErrorText.buffer, c.named) << c.field;
    }
}

TEST_F(BuildHeaders, BatchCcFoldsBetweenAddresses)
{
    Message message = BasicMessage();
    std::string cc;
    for (int i = 0; i < 25; ++i) {
        if (i > 0)
            cc += ", ";
        cc += MakeAddressHeaderForm(QStringLiteral("Recipient Number %1, Esq.").arg(i),
                                    QStringLiteral("recipient.%1@example.org").arg(i));
    }
    message.cc = cc.c_str();
    CMailMessage mail;
    ASSERT_TRUE(BuildSendJobMessage(window, message, mail));
    ASSERT_EQ(mail.GetCc().size(), 25u);
    const std::string line = HeaderLine(mail.WriteSource(), "CC");
    size_t start = 0;
    int folds = 0;
    for (size_t end; (end = line.find("\r\n", start)) != std::string::npos; start = end + 2, ++folds) {
        EXPECT_LE(end - start, 78u);
        EXPECT_EQ(line[end + 2], ' ');
        EXPECT_EQ(line[end - 1], ',');  // folds fall between addresses
    }
    EXPECT_LE(line.size() - start, 78u);
    EXPECT_GE(folds, 12);
}

TEST(MessageWrapping, PreambleAndEpilogue)
{
    const struct {
        const char* type;
        const char* preamble;
        const char* epilogue;
        const char* body;
        const char* wrapped;
    } cases[] = {
        {"text/plain", "Pre", "Post", "Body", "Pre\r\nBody\r\nPost"},
        {"text/plain", "", "Post", "Body", "Body\r\nPost"},
        {"TEXT/PLAIN; charset=x", "Pre", "", "Body", "Pre\r\nBody"},
        {"text/html", "Pre", "Post", "<html><BODY bgcolor=\"#fff\" class=x>Inner <b>text</b></body></html>",
         "<html><body bgcolor=\"#fff\" class=x><table  border=\"0\">\r\n"
         "<tr><td align=\"left\">Pre</td></tr>\r\n"
         "<tr><td align=\"left\">Inner <b>text</b></td></tr>\r\n"
         "<tr><td align=\"left\">Post</td></tr>\r\n"
         "</table>\r\n</body>\r\n</html>"},
        {"text/html", "", "Post", "<body>In</body>",
         "<body><table  border=\"0\">\r\n<tr><td align=\"left\">In</td></tr>\r\n"
         "<tr><td align=\"left\">Post</td></tr>\r\n</table>\r\n</body>\r\n"},
        {"text/html", "Pre", "", "<p>no body tag</p>", "<p>no body tag</p>"},
        {"text/html", "Pre", "", "<body class=x>never closed", "<body class=x>never closed"},
        {"text/html", "", "", "<body>Same</body>", "<body>Same</body>"},
        {"message/rfc822", "Pre", "Post", "Raw", "Raw"},
    };
    for (const auto& c : cases) {
        Message message;
        message.contentType = c.type;
        message.preamble = c.preamble;
        message.epilogue = c.epilogue;
        message.body = c.body;
        message.ApplyPreambleAndEpilogue();
        EXPECT_STREQ(message.body.buffer, c.wrapped) << c.type << " " << c.body;
    }
}

TEST(MailWriter, HeaderValuesAndBodiesCannotBreakTheFormat)
{
    LMailMessage::SetNextBoundaryNumber(7);
    LMailMessage mail;
    mail.SetMessageId("abc@host");
    mail.SetFrom("a@b.org\r\nBcc: evil@x.org");
    mail.SetSubject("=?UTF-8?B?YQ==?=\r\n\t=?UTF-8?B?Yg==?=\nX: 1\r");
    mail.AddBcc("hidden@x.org");
    mail.SetContentType("multipart/mixed");
    auto part = std::make_unique<LMailMessage>();
    part->SetContentType("text/plain");
    part->SetTransferEncoding("8bit");
    part->SetBody("a\rb\nc\r\n--==_Boundary-7_==\r\nfake part");
    mail.AddPart(std::move(part));
    const std::string source = mail.WriteSource();

    EXPECT_EQ(HeaderLine(source, "Message-Id"), "Message-Id: <abc@host>");
    EXPECT_EQ(HeaderLine(source, "From"), "From: a@b.org  Bcc: evil@x.org");
    EXPECT_EQ(HeaderLine(source, "Subject"), "Subject: =?UTF-8?B?YQ==?=\r\n\t=?UTF-8?B?Yg==?= X: 1 ");
    EXPECT_EQ(source.find("hidden"), std::string::npos);
    EXPECT_EQ(source.find("Boundary-8"), std::string::npos);  // the part took 8
    EXPECT_NE(source.find("boundary=\"==_Boundary-9_==\""), std::string::npos) << source;  // 7 was in the body
    for (size_t i = 0; i < source.size(); ++i) {
        if (source[i] == '\r') {
            EXPECT_EQ(source[i + 1], '\n') << i;
        }
        if (source[i] == '\n') {
            EXPECT_EQ(source[i - 1], '\r') << i;
        }
    }
    EXPECT_TRUE(source.ends_with("\r\n--==_Boundary-9_==--\r\n"));
}
