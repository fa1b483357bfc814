// Attachment parts: the transfer encoding a file gets, both part-header tables with hostile
// file names, the BinHex branch over a stubbed resource fork, and the failures that must stop a
// message instead of sending it without its file.

#include "Attachment.h"
#include "BuildFixture.h"
#include "Message.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace {

using Attachments = MessageBuildTest;

std::string Text(const CText& text)
{
    return std::string(text.buffer, size_t(text.length));
}

std::string Text(const std::shared_ptr<const std::string>& bytes)
{
    return bytes ? *bytes : std::string();
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.path() + "/" + name;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

}  // namespace

TEST(AttachmentEncoding, SevenBitOnlyForSevenBitCRLFLinesUpTo998)
{
    const struct {
        QByteArray data;
        bool sevenBit;
    } cases[] = {
        {"", true},
        {"a\r\nb\r\n", true},
        {"no final line end", true},
        {QByteArray(998, 'x') + "\r\n", true},
        {QByteArray(999, 'x') + "\r\n", false},
        {"bare\nLF\r\n", false},
        {"bare\rCR", false},
        {"trailing CR\r", false},
        {"caf\xC3\xA9\r\n", false},
        {QByteArray("nul\0byte", 8), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(attachment::Is7BitData(c.data), c.sevenBit) << c.data.left(40).toStdString();
}

TEST_F(Attachments, PartHeaderTables)
{
    Message message;
    message.attachmentDisposition = Message::kAttachment;
    ASSERT_EQ(message.AddAttachment(FilePath("notes.txt").c_str()), noErr);
    message.attachmentDisposition = Message::kEmbedded;
    ASSERT_EQ(message.AddAttachment(FilePath("data.xyz").c_str()), noErr);
    message.attachments.Rewind();
    const attachment* text = message.attachments.Next();
    const attachment* unknown = message.attachments.Next();

    EXPECT_EQ(text->transferEncoding, attachment::k7Bit);
    EXPECT_EQ(Text(text->encodedBody), "First line of the notes.\r\nSecond line.\r\n");
    EXPECT_EQ(Text(text->headerBlock), "Content-Transfer-Encoding: 7bit\r\n"
                                       "Content-Type: text/plain;\r\n"
                                       "\tname=\"notes.txt\"\r\n"
                                       "Content-Disposition: attachment;\r\n"
                                       "\tfilename=\"notes.txt\"\r\n");
    EXPECT_EQ(unknown->transferEncoding, attachment::kBase64);
    EXPECT_EQ(Text(unknown->headerBlock), "Content-Transfer-Encoding: base64\r\n"
                                          "Content-Disposition: inline;\r\n"
                                          "\tfilename=\"data.xyz\"\r\n"
                                          "Content-Type: application/octet-stream;\r\n"
                                          "\tname=\"data.xyz\"\r\n"
                                          "Content-ID: <data.xyz>\r\n");
}

TEST_F(Attachments, HostileFileNamesStayInsideTheirParameters)
{
    QTemporaryDir dir;
    const struct {
        QString name;
        const char* filenameLine;
        const char* contentID;
    } cases[] = {
        {QStringLiteral("say \"hi\"\\.txt"), "\tfilename=\"say \\\"hi\\\"\\\\.txt\"\r\n", "Content-ID: <say \"hi\"\\.txt>\r\n"},
        {QString::fromUtf8("r\xC3\xA9sum\xC3\xA9 v2.pdf"), "\tfilename*=utf-8''r%C3%A9sum%C3%A9%20v2.pdf\r\n",
         "Content-ID: <r%C3%A9sum%C3%A9 v2.pdf>\r\n"},
        {QStringLiteral("a\rb\nContent-Type: x<y>.png"), "\tfilename=\"abContent-Type: x<y>.png\"\r\n",
         "Content-ID: <a%0Db%0AContent-Type: x%3Cy%3E.png>\r\n"},
        // Text that a reader would decode as an encoded word goes in the RFC 2231 form.
        {QStringLiteral("=?UTF-8?B?SGk=?=.txt"), "\tfilename*=utf-8''%3D%3FUTF-8%3FB%3FSGk%3D%3F%3D.txt\r\n",
         "Content-ID: <=?UTF-8?B?SGk=?=.txt>\r\n"},
    };
    for (const auto& c : cases) {
        Message message;
        message.attachmentDisposition = Message::kEmbedded;
        ASSERT_EQ(message.AddAttachment(WriteFile(dir, c.name, "x").toUtf8().constData()), noErr);
        message.attachments.Rewind();
        const std::string block = Text(message.attachments.Next()->headerBlock);
        EXPECT_NE(block.find(c.filenameLine), std::string::npos) << block;
        EXPECT_NE(block.find(c.contentID), std::string::npos) << block;
        // Six header lines, and no CR or LF of the name made another.
        EXPECT_EQ(std::count(block.begin(), block.end(), '\r'), 6) << block;
        EXPECT_EQ(std::count(block.begin(), block.end(), '\n'), 6) << block;
    }
}

TEST_F(Attachments, BinHexBranchWithAStubbedFork)
{
    attachment::Forks().resourceForkSize = [](const char*) { return uint64_t(4); };
    attachment::Forks().encodeBinHex = [](const char*, CBinHexEncoder& encoder) {
        CBinHexEncoder::MemorySource source;
        source.info.name = "photo.png";
        source.info.fileType = 'PNGf';
        source.info.creator = 'prvw';
        source.dataFork = "data";
        source.resourceFork = "fork";
        return encoder.Encode(source);
    };
    Message message;
    message.useBinHex = 1;
    ASSERT_EQ(message.AddAttachment(FilePath("photo.png").c_str()), noErr);
    message.attachments.Rewind();
    const attachment* part = message.attachments.Next();
    EXPECT_EQ(part->transferEncoding, attachment::kBinHex);
    EXPECT_EQ(Text(part->headerBlock), "Content-Transfer-Encoding: 7bit\r\n"
                                       "Content-Type: application/mac-binhex40;\r\n"
                                       "\tname=\"photo.png\"\r\n"
                                       "Content-Disposition: inline;\r\n"
                                       "\tfilename=\"photo.png\"\r\n");
    const std::string body = Text(part->encodedBody);
    EXPECT_TRUE(body.starts_with("(This file must be converted with BinHex 4.0)\r\n:")) << body;
    EXPECT_TRUE(body.ends_with(":\r\n"));
    EXPECT_EQ(LMailMessage::CanonicalLineEnds(body), body);

    // Without use-BinHex the same file goes as base64 of its data fork.
    message.useBinHex = 0;
    ASSERT_EQ(message.AddAttachment(FilePath("photo.png").c_str()), noErr);
    message.attachments.Rewind();
    message.attachments.Next();
    EXPECT_EQ(message.attachments.Next()->transferEncoding, attachment::kBase64);
    attachment::ResetForks();
}

TEST_F(Attachments, UnreadableOrRelativeFilesFailTheBuildNamingTheFile)
{
    QTemporaryDir dir;
    const QString locked = WriteFile(dir, "locked.pdf", "secret");
    QFile::setPermissions(locked, QFileDevice::Permissions());
    const bool lockWorks = !QFile(locked).open(QIODevice::ReadOnly);  // root reads anything

    const struct {
        std::string path;
        OSErr error;
        const char* text;
    } cases[] = {
        {"report.pdf", paramErr, "The attachment \"report.pdf\" has no absolute path."},
        {"files/report.pdf", paramErr, "The attachment \"files/report.pdf\" has no absolute path."},
        {dir.path().toStdString() + "/missing.pdf", fnfErr, "could not be read (error -43)."},
        {locked.toStdString(), permErr, "could not be read (error -54)."},
    };
    for (const auto& c : cases) {
        if (c.error == permErr && !lockWorks)
            continue;
        Message message = BasicMessage();
        EXPECT_EQ(message.AddAttachment(c.path.c_str()), c.error) << c.path;
        EXPECT_EQ(message.attachments.Count(), 0);
        const std::string text = Text(message.attachmentErrorText);
        EXPECT_NE(text.find(c.text), std::string::npos) << text;
        EXPECT_NE(text.find(c.path), std::string::npos) << text;

        CMailMessage mail;
        EXPECT_FALSE(BuildSendJobMessage(window, message, mail));
        EXPECT_TRUE(mail.BuildFailed());
        EXPECT_EQ(mail.buildError, c.error);
        EXPECT_EQ(Text(mail.buildErrorText), text);
        EXPECT_TRUE(mail.GetTo().empty());  // nothing was built to send
    }

    Message message;
    EXPECT_EQ(message.AddAttachment(""), noErr);  // no path: nothing to add, nothing wrong
    EXPECT_EQ(message.attachments.Count(), 0);
    EXPECT_EQ(message.attachmentError, 0);
}

TEST_F(Attachments, ZeroByteFileIsAnEmptyPartAndMemoryPartsNeedBytes)
{
    Message message = BasicMessage();
    message.attachmentDisposition = Message::kAttachment;
    ASSERT_EQ(message.AddAttachment(FilePath("empty.pdf").c_str()), noErr);
    const std::string source = Build(message);
    EXPECT_NE(source.find("Content-Type: application/pdf;\r\n\tname=\"empty.pdf\"\r\n"
                          "Content-Disposition: attachment;\r\n\tfilename=\"empty.pdf\"\r\n\r\n\r\n--"),
              std::string::npos)
        << source;

    attachment image;
    MakeAttachmentFromData(image, QByteArray(), "image.jpg", "image/jpeg");
    EXPECT_EQ(image.headerBlock.length, 0);
    MakeAttachmentFromData(image, QByteArray("\xFF\xD8\xFF"), "image.jpg", "image/jpeg");
    EXPECT_EQ(Text(image.encodedBody), "/9j/\r\n");
    EXPECT_EQ(Text(image.headerBlock), "Content-Transfer-Encoding: base64\r\n"
                                       "Content-Type: image/jpeg;\r\n"
                                       "\tname=\"image.jpg\"\r\n"
                                       "Content-Disposition: inline;\r\n"
                                       "\tfilename=\"image.jpg\"\r\n");
}

// An attachment is read and encoded once: every recipient's copy of the Message and every
// built mail message write the same bytes, never a copy of their own.
TEST_F(Attachments, EveryRecipientsMessageSharesTheEncodedBytes)
{
    Message message = BasicMessage();
    message.attachmentDisposition = Message::kAttachment;
    ASSERT_EQ(message.AddAttachment(FilePath("photo.png").c_str()), noErr);
    const Message first = message;
    const Message second = message;
    CMailMessage firstMail, secondMail;
    ASSERT_TRUE(BuildSendJobMessage(window, first, firstMail));
    ASSERT_TRUE(BuildSendJobMessage(window, second, secondMail));
    ASSERT_EQ(firstMail.CountParts(), 2u);
    ASSERT_EQ(secondMail.CountParts(), 2u);
    const std::string& bytes = firstMail.PartAt(1).GetBody();
    EXPECT_EQ(&bytes, &secondMail.PartAt(1).GetBody());
    message.attachments.Rewind();
    EXPECT_EQ(&bytes, message.attachments.Next()->encodedBody.get());
    EXPECT_FALSE(bytes.empty());
    EXPECT_NE(secondMail.WriteSource().find("\r\n\r\n" + bytes), std::string::npos);
}
