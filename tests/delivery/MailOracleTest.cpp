// Built messages read back by Python's email package (data/mail_oracle.py, policy.default):
// the goldens and about 200 generated messages with hostile names, subjects, bodies and file
// names must parse without defects, decode to what was meant, and keep to 998-octet CR LF lines.

#include "BuildFixture.h"
#include "HeaderForms.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <random>

namespace {

using Oracle = MessageBuildTest;

const char* const kNames[] = {
    "Ada Lovelace",
    "Smith, John",
    "Ann \"the boss\" Lee",
    "Zo\xC3\xAB \xC3\x9Cnal",
    "\xE6\x9D\x8E\xE5\xB0\x8F\xE9\xBE\x8D",
    "Party \xF0\x9F\x8E\x89\xF0\x9F\x98\x80 Person",
    "Eve\r\nBcc: victim@example.org",
    "=?UTF-8?B?Zm9v?=",
    "back\\slash (and) <angle> [box]: semi; at@",
    "",
    "   spaced   ",
    "Tab\tName",
    "Dots. In. Name",
    "O'Brien",
    "Jos\xC3\xA9 Mar\xC3\xAD" "a N\xC3\xBA\xC3\xB1" "ez-Garc\xC3\xAD" "a",
};

const char* const kSubjects[] = {
    "",
    "Hello",
    "Line one\r\nline two\tand some more text!!!",
    "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\xC3\xA9" "b",
    "Party \xF0\x9F\x8E\x89 time \xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80\xF0\x9F\x98\x80",
    "Subject with =?iso-8859-1?q?fake?= word",
    "Re: [list] Smith, John's \"quote\"",
    "Line\r\nBcc: evil@example.org",
};

const char* const kBodies[] = {
    "Hello there\nSecond line",
    "Bare\rCR and bare\nLF\r\nand CRLF",
    ".\n..\nFrom me\n.",
    "--==_Boundary-1_==\r\nContent-Type: text/evil\r\n\r\nfake part",
    "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x8E\x89 und Tsch\xC3\xBC\xC3\x9F",
    "",
};

const char* const kFileNames[] = {
    "report.pdf", "say \"hi\".txt", "r\xC3\xA9sum\xC3\xA9 final.pdf", "data;x=1.bin",
    "emoji \xF0\x9F\x8E\x89.png", "back\\slash.txt", "line\nbreak.txt", "notes.txt",
    "=?UTF-8?B?SGk=?=.txt",
};

struct Zone {
    int seconds;
    int minutes;
};
const Zone kZones[] = {{19800, 330}, {-12600, -210}, {0, 0}, {45900, 765}, {-36000, -600}};

struct Host {
    const char* host;
    const char* domain;
};
const Host kHosts[] = {{"smtp.example.com", "example.com"},
                       {"mail", "mail"},
                       {"a.b.c.example.org", "example.org"},
                       {"127.0.0.1", "[127.0.0.1]"}};

QJsonArray Pair(const std::string& name, const std::string& address)
{
    return QJsonArray {QString::fromStdString(name), QString::fromStdString(address)};
}

// "Name <address>" as a user types it: the name quoted (with \" and \\) when it holds a
// character that would end it or split the list.
std::string Typed(const std::string& name, const std::string& address)
{
    if (name.empty())
        return address;
    if (name.find_first_of(",;<>@\"\\\r\n") == std::string::npos)
        return name + " <" + address + ">";
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\" <" + address + ">";
}

QJsonObject RunOracle(const QString& casesPath)
{
    QProcess python;
    python.start(QStringLiteral(BREVANTO_PYTHON), {QStringLiteral(BREVANTO_TEST_DATA "/mail_oracle.py"), casesPath});
    EXPECT_TRUE(python.waitForFinished(120000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

class Generator {
public:
    Generator(Oracle& test, const QString& folder)
        : mTest(test)
        , mFolder(folder)
    {
    }

    template <class T, size_t N>
    const T& Pick(const T (&items)[N])
    {
        return items[mRandom() % N];
    }

    QJsonObject Make(int index, FakeBuildWindow& window)
    {
        QJsonObject expect;
        Message message;
        const Zone zone = Pick(kZones);
        const Host host = Pick(kHosts);
        MessageBuildTest::SetZone(zone.seconds);
        expect["offsetMinutes"] = zone.minutes;
        message.mailServer = host.host;
        expect["domain"] = host.domain;

        std::string toName = Pick(kNames);
        if (index % 17 == 0)
            MakeLongName(toName);
        const std::string toAddress = "user" + std::to_string(index) + "@example.org";
        message.to = MakeAddressHeaderForm(QString::fromStdString(toName), QString::fromStdString(toAddress)).c_str();
        expect["to"] = QJsonArray {Pair(toName, toAddress)};
        expect["nameMayBeCut"] = true;
        const std::string fromName = Pick(kNames);
        message.from = MakeAddressHeaderForm(QString::fromStdString(fromName), "sender@example.com").c_str();
        expect["from"] = Pair(fromName, "sender@example.com");

        const std::string subject = Pick(kSubjects);
        message.SetSubjectString(QString::fromStdString(subject));
        EncodeCFString(message, window, message.subject);
        expect["subject"] = QString::fromStdString(subject);

        if (index % 10 == 0)
            expect["cc"] = AddBatchCc(message);
        if (index % 10 == 5)
            AddReplyAddresses(message, expect);
        AddTexts(message, expect);
        if (index % 3 == 0)
            expect["attachments"] = AddFiles(message, index);

        SetPreference(index % 2 == 0 ? "true" : "false", CString256(kEncodeQPKey));
        SetPreference(index % 10 == 5 ? "true" : nullptr, CString256(kIncludeMDNHeaderKey));
        CMailMessage mail;
        EXPECT_TRUE(BuildSendJobMessage(window, message, mail));
        const QString path = mFolder + QStringLiteral("/generated-%1.eml").arg(index);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        const std::string source = mail.WriteSource();
        file.write(source.data(), qint64(source.size()));
        expect["path"] = path;
        return expect;
    }

private:
    void MakeLongName(std::string& name)
    {
        name.clear();
        while (name.size() < 300)
            name.append((mRandom() % 2) ? "\xC3\x9Cn\xC3\xAF" "c\xC3\xB6" "d\xC3\xA9 " : "Name, ");
    }

    // 25 typed Cc addresses with names of every kind.
    QJsonArray AddBatchCc(Message& message)
    {
        QJsonArray list;
        std::string cc;
        for (int i = 0; i < 25; ++i) {
            const std::string name = i % 5 == 0 ? std::string("Smith, John") : std::string(Pick(kNames));
            const std::string address = "cc" + std::to_string(i) + "@example.net";
            if (!cc.empty())
                cc += ", ";
            cc += Typed(name, address);
            list.append(Pair(name, address));
        }
        message.cc = cc.c_str();
        return list;
    }

    // A typed Reply-To of two named addresses (also the receipt address) and a Return-Path.
    void AddReplyAddresses(Message& message, QJsonObject& expect)
    {
        const std::string first = Pick(kNames);
        const std::string second = Pick(kNames);
        message.replyTo = (Typed(first, "reply@example.net") + ", " + Typed(second, "team@example.net")).c_str();
        const QJsonArray replies {Pair(first, "reply@example.net"), Pair(second, "team@example.net")};
        expect["reply-to"] = replies;
        expect["disposition-notification-to"] = replies;
        message.returnPath = Typed(Pick(kNames), "bounces@example.net").c_str();
        expect["return-path"] = "bounces@example.net";
    }

    void AddTexts(Message& message, QJsonObject& expect)
    {
        std::string body = Pick(kBodies);
        if (mRandom() % 4 == 0)
            body += "\n" + std::string(1500, 'L') + "\n";
        const bool html = mRandom() % 2 == 0;
        message.contentType = html ? "text/html" : "text/plain";
        if (html)
            body = "<html><body>" + body + "</body></html>";
        message.body = body.c_str();
        QJsonArray texts;
        if (mRandom() % 2 == 0) {
            const std::string plain = Pick(kBodies);
            message.plainText = plain.c_str();
            texts.append(QString::fromStdString(plain));
        }
        texts.append(QString::fromStdString(body));
        expect["texts"] = texts;
    }

    QJsonArray AddFiles(Message& message, int index)
    {
        QJsonArray files;
        message.attachmentDisposition = SInt16(1 + mRandom() % 3);
        const int count = 1 + int(mRandom() % 3);
        for (int i = 0; i < count; ++i) {
            const std::string name = Pick(kFileNames);
            QByteArray bytes;
            const int size = int(mRandom() % 3000) * (i == 2 ? 0 : 1);
            for (int b = 0; b < size; ++b)
                bytes.append(char(mRandom() % 256));
            if (mRandom() % 3 == 0)
                bytes = "Plain CRLF text\r\nfor a 7bit part\r\n";
            const QString folder = mFolder + QStringLiteral("/files-%1-%2").arg(index).arg(i);
            QDir().mkpath(folder);
            const QString path = folder + "/" + QString::fromStdString(name);
            QFile file(path);
            file.open(QIODevice::WriteOnly);
            file.write(bytes);
            file.close();
            EXPECT_EQ(message.AddAttachment(path.toUtf8().constData()), noErr) << name;
            files.append(QJsonArray {QString::fromStdString(name), QString::fromLatin1(bytes.toBase64())});
        }
        return files;
    }

    Oracle& mTest;
    QString mFolder;
    std::mt19937 mRandom {20240305};
};

// Writes the cases file, runs the oracle over it and reports every failure it names.
void ExpectOracleAccepts(const QJsonArray& cases, const QString& folder)
{
    const QString casesPath = folder + "/cases.json";
    QFile file(casesPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(cases).toJson());
    file.close();

    const QJsonObject result = RunOracle(casesPath);
    EXPECT_EQ(result["checked"].toInt(), cases.size());
    const QJsonObject failures = result["failures"].toObject();
    for (auto it = failures.begin(); it != failures.end(); ++it)
        ADD_FAILURE() << it.key().toStdString() << ": "
                      << QJsonDocument(it.value().toArray()).toJson(QJsonDocument::Compact).toStdString();
}

QJsonObject WriteCase(CMailMessage& mail, const QString& path)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    const std::string source = mail.WriteSource();
    file.write(source.data(), qint64(source.size()));
    return QJsonObject {{"path", path}};
}

}  // namespace

TEST_F(Oracle, GoldensAndGeneratedMessagesReadBackAsMeant)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QJsonArray cases;
    const QDir goldens(QStringLiteral(BREVANTO_TEST_DATA "/golden"));
    for (const QString& name : goldens.entryList({QStringLiteral("*.eml")}, QDir::Files))
        cases.append(QJsonObject {{"path", goldens.filePath(name)}});
    ASSERT_GE(cases.size(), 10);

    Generator generator(*this, folder.path());
    for (int i = 0; i < 200; ++i)
        cases.append(generator.Make(i, window));

    ExpectOracleAccepts(cases, folder.path());
}

// What a reader must see of texts and names that the generated mix does not reach: a body
// holding NUL with "Encode QP" off, typed Cc names, and an embedded part with a non-ASCII name
// that the HTML points at by "cid:".
TEST_F(Oracle, TypedAddressesNulBodiesAndContentIDsReadBackAsMeant)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QJsonArray cases;
    Set(kEncodeQPKey, "false");

    Message nul = BasicMessage();
    nul.contentType = "text/plain";
    nul.body.Clear();
    nul.body.AppendBytes("before\0after\n\xC3\xBC", 15);
    nul.cc = "Jos\xC3\xA9 N\xC3\xBA\xC3\xB1" "ez <jose@example.org>, \xE5\xB1\xB1\xE7\x94\xB0 <yamada@example.org>";
    CMailMessage nulMail;
    ASSERT_TRUE(BuildSendJobMessage(window, nul, nulMail));
    QJsonObject nulCase = WriteCase(nulMail, folder.path() + "/nul.eml");
    nulCase["texts"] = QJsonArray {QString::fromUtf8("before\0after\n\xC3\xBC", 15)};
    nulCase["encodings"] = QJsonArray {"base64"};
    nulCase["cc"] = QJsonArray {Pair("Jos\xC3\xA9 N\xC3\xBA\xC3\xB1" "ez", "jose@example.org"),
                                Pair("\xE5\xB1\xB1\xE7\x94\xB0", "yamada@example.org")};
    cases.append(nulCase);

    const QString photoFolder = folder.path() + "/photos";
    QDir().mkpath(photoFolder);
    const QString photo = photoFolder + QString::fromUtf8("/caf\xC3\xA9 <1>.png");
    QFile::copy(QString::fromStdString(FilePath("photo.png")), photo);
    Message embedded = BasicMessage();
    embedded.attachmentDisposition = Message::kEmbedded;
    embedded.body = "<html><body><img src=\"cid:caf\xC3\xA9 <1>.png\"> and plain.png</body></html>";
    ASSERT_EQ(embedded.AddAttachment(photo.toUtf8().constData()), noErr);
    CMailMessage embeddedMail;
    ASSERT_TRUE(BuildSendJobMessage(window, embedded, embeddedMail));
    QJsonObject embeddedCase = WriteCase(embeddedMail, folder.path() + "/embedded.eml");
    QFile bytes(photo);
    ASSERT_TRUE(bytes.open(QIODevice::ReadOnly));
    embeddedCase["attachments"] = QJsonArray {
        QJsonArray {QString::fromUtf8("caf\xC3\xA9 <1>.png"), QString::fromLatin1(bytes.readAll().toBase64())}};
    cases.append(embeddedCase);

    ExpectOracleAccepts(cases, folder.path());
    EXPECT_NE(embeddedMail.WriteSource().find("Content-ID: <caf%C3%A9 %3C1%3E.png>"), std::string::npos);
}
