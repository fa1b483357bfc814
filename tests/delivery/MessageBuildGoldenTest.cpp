// Whole message sources compared byte for byte with the files in data/golden. Each golden was
// read by hand when it was written; the Python mail oracle (MailOracleTest) parses them too.

#include "BuildFixture.h"
#include "CEnvironment.h"

namespace {

using Golden = MessageBuildTest;

Message WithAttachments(SInt16 disposition, std::initializer_list<const char*> files)
{
    Message message = MessageBuildTest::BasicMessage();
    message.attachmentDisposition = disposition;
    for (const char* file : files)
        EXPECT_EQ(message.AddAttachment(MessageBuildTest::FilePath(file).c_str()), noErr) << file;
    return message;
}

}  // namespace

TEST_F(Golden, StructureRows)
{
    Message single = BasicMessage();
    ExpectGolden("single-html", Build(single));

    Message alternative = BasicMessage();
    alternative.plainText = "Hello Ada\nin plain text";
    ExpectGolden("alternative", Build(alternative));

    ExpectGolden("mixed-body-attachment", Build(WithAttachments(Message::kAttachment, {"photo.png"})));

    Message both = WithAttachments(Message::kAttachment, {"photo.png"});
    both.plainText = "Hello Ada";
    ExpectGolden("mixed-alternative-attachment", Build(both));
}

TEST_F(Golden, Dispositions)
{
    ExpectGolden("inline-text-file", Build(WithAttachments(Message::kInline, {"notes.txt"})));
    ExpectGolden("attachment-text-and-unknown",
                 Build(WithAttachments(Message::kAttachment, {"notes.txt", "data.xyz", "empty.pdf"})));

    Message related = WithAttachments(Message::kEmbedded, {"photo.png", "data.xyz"});
    related.plainText = "Hello Ada";
    related.body = "<html><body>Hello <img src=\"cid:photo.png\"></body></html>";
    ExpectGolden("related-alternative-embedded", Build(related));
}

TEST_F(Golden, WholeSources)
{
    // Its own folded type and quoted-printable encoding are carried over; a body line that starts
    // with TAB stays as it is.
    Message quoted = BasicMessage();
    quoted.contentType = "message/rfc822";
    quoted.body = "From: someone@example.net\r\n"
                  "Content-type: text/plain;\r\n\tcharset=utf-8\r\n"
                  "Content-Transfer-Encoding: quoted-printable\r\n"
                  "\r\n"
                  "Caf=C3=A9 au lait\r\n\tindented line\r\n";
    ExpectGolden("rfc822-quoted-printable", Build(quoted));

    Message multipart = BasicMessage();
    multipart.contentType = "message/rfc822";
    multipart.body = "Content-Type: multipart/alternative;\n\tboundary=\"inner\"\n"
                     "\n"
                     "--inner\nContent-Type: text/plain\n\nPlain\n--inner--\n";
    ExpectGolden("rfc822-multipart", Build(multipart));

    Message untyped = BasicMessage();
    untyped.contentType = "message/rfc822";
    untyped.body = "Subject: ignored\nX-Other: kept out\n\nJust text\nwith LF lines\n";
    ExpectGolden("rfc822-untyped", Build(untyped));
}

TEST_F(Golden, EncodeQPOffKeepsEightBitText)
{
    Set(kEncodeQPKey, "false");
    Message message = BasicMessage();
    message.plainText = "Caf\xC3\xA9 line one\rline two\n";
    message.body = ("<p>Caf\xC3\xA9</p>\n<p>" + std::string(1200, 'x') + "</p>").c_str();
    ExpectGolden("qp-off", Build(message));
}

TEST_F(Golden, SimulateToSelf)
{
    CEnvironment environment;
    gEnvironment = &environment;
    CFileTypeMaps::Install(std::make_shared<BuildTestMaps>());
    environment.simulate = 1;
    Set(kSimulateToSelfKey, "true");
    ExpectGolden("simulate-to-self", Build(BasicMessage()));

    Set(kSimulateToSelfKey, "false");  // simulating to the recipients keeps the To
    CMailMessage mail;
    ASSERT_TRUE(BuildSendJobMessage(window, BasicMessage(), mail));
    EXPECT_EQ(mail.GetTo(), std::vector<std::string>({"Ada Lovelace <ada@example.org>"}));
    gEnvironment = nullptr;
}

TEST_F(Golden, HeaderOptions)
{
    Set(kIncludeBCCHeaderKey, "true");
    Set(kIncludeMDNHeaderKey, "true");
    Set(kXMailerHeaderKey, "Custom Mailer\r\nInjected: yes");
    window.priority = 1;
    Message message = BasicMessage();
    message.replyTo = "replies@example.com";
    message.returnPath = "Bounces <bounces@example.com>";  // the header holds the bare address
    message.cc = "a@x.org,,nobody";
    message.bcc = "hidden@example.net";
    message.mailServer = "mail";
    ExpectGolden("options-on", Build(message));
    CMailMessage mail;
    ASSERT_TRUE(BuildSendJobMessage(window, message, mail));
    EXPECT_EQ(mail.GetBcc(), std::vector<std::string>({"Brevanto Test <sender@example.com>", "hidden@example.net"}));

    // Default X-Mailer text; priority item 3 (value 0) writes no X-Priority; options off.
    Set(kIncludeBCCHeaderKey, "false");
    Set(kIncludeMDNHeaderKey, "false");
    Set(kXMailerHeaderKey, nullptr);
    window.priority = 0;
    message.mailServer = "a.b.mail.example.org";
    ExpectGolden("options-default-mailer", Build(message));

    Set(kIncludeXMailerHeaderKey, "false");
    const std::string source = Build(message);
    EXPECT_EQ(source.find("X-Mailer"), std::string::npos);
}
