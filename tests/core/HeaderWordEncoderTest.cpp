#include "CString256.h"
#include "CText.h"
#include "HeaderWordEncoder.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <string>
#include <vector>

namespace {

std::string Encoded(const std::string& text, size_t limit = CHeaderWordEncoder::kNoLimit)
{
    return CHeaderWordEncoder::Encode(text.data(), text.size(), limit);
}

std::string Repeat(const std::string& piece, size_t times)
{
    std::string out;
    for (size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

std::string WithSpacesForLineBreaks(std::string text)
{
    for (char& c : text) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

std::vector<std::string> EncodedWordsOf(const std::string& header)
{
    std::vector<std::string> words;
    static const QRegularExpression word(QStringLiteral(R"(=\?[^?]+\?Q\?[^?]*\?=)"));
    auto matches = word.globalMatch(QString::fromLatin1(header.data(), qsizetype(header.size())));
    while (matches.hasNext())
        words.push_back(matches.next().captured().toStdString());
    return words;
}

// Parses each value as the Subject of a message with Python's email package (default policy):
// the decoded subject and the header names found, or an error text.
struct Parsed {
    std::string subject;
    std::vector<std::string> headers;
};

bool ParseWithPython(const std::vector<std::string>& values, std::vector<Parsed>& parsed, QString& error)
{
    static const char* kScript = R"(
import base64, json, sys
import email, email.policy
out = []
for value in json.load(sys.stdin):
    raw = b"Subject: " + base64.b64decode(value) + b"\r\n\r\nbody\r\n"
    message = email.message_from_bytes(raw, policy=email.policy.default)
    out.append({"subject": str(message["Subject"]), "headers": list(message.keys())})
json.dump(out, sys.stdout)
)";
    QJsonArray input;
    for (const std::string& value : values)
        input.append(QString::fromLatin1(QByteArray(value.data(), qsizetype(value.size())).toBase64()));

    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(kScript)});
    if (!python.waitForStarted(10000)) {
        error = QStringLiteral("python3 did not start");
        return false;
    }
    python.write(QJsonDocument(input).toJson(QJsonDocument::Compact));
    python.closeWriteChannel();
    if (!python.waitForFinished(30000)) {
        python.kill();
        python.waitForFinished(5000);
        error = QStringLiteral("python3 timed out");
        return false;
    }
    if (python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        error = QString::fromUtf8(python.readAllStandardError());
        return false;
    }
    const QJsonArray results = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    for (const auto& result : results) {
        Parsed one;
        one.subject = result.toObject().value(QStringLiteral("subject")).toString().toStdString();
        for (const auto& name : result.toObject().value(QStringLiteral("headers")).toArray())
            one.headers.push_back(name.toString().toStdString());
        parsed.push_back(one);
    }
    return parsed.size() == values.size();
}

}  // namespace

TEST(HeaderWordEncoder, EncodedForms)
{
    struct Case {
        std::string text;
        std::string expected;
    } cases[] = {
        {"", ""},
        {"Hello world", "Hello world"},
        {"50% off", "50% off"},
        {"tab\there", "tab\there"},
        {"x\r\ny", "x  y"},  // line breaks never reach a header, even in plain text
        {"a=b", "=?ISO-8859-1?Q?a=3Db?="},
        {"50% off=", "=?ISO-8859-1?Q?50=25_off=3D?="},
        {"ét", "=?ISO-8859-1?Q?=E9t?="},
        {"a_b é", "=?ISO-8859-1?Q?a=5Fb_=E9?="},
        {"what? é", "=?ISO-8859-1?Q?what=3F_=E9?="},
        {"€uro", "=?UTF-8?Q?=E2=82=ACuro?="},
        {"!*+-/ ok é", "=?ISO-8859-1?Q?!*+-/_ok_=E9?="},
        {"\xE9t\xE9", "=?ISO-8859-1?Q?=E9t=E9?="},  // stray bytes read as Latin-1
    };
    for (const auto& c : cases)
        EXPECT_EQ(Encoded(c.text), c.expected) << c.text;
}

TEST(HeaderWordEncoder, LongTextBecomesWordsOfAtMost75CharactersNeverSplittingACharacter)
{
    for (const std::string& text : {Repeat("é", 250), Repeat("€", 100), Repeat("王小明", 30),
                                     Repeat("a😀", 40)}) {
        std::string encoded = Encoded(text);
        std::vector<std::string> words = EncodedWordsOf(encoded);
        ASSERT_GT(words.size(), 1u) << text;
        std::string joined;
        for (const std::string& word : words) {
            EXPECT_LE(word.size(), CHeaderWordEncoder::kMaxWordLength) << word;
            joined += (joined.empty() ? "" : " ") + word;
        }
        EXPECT_EQ(joined, encoded);  // words and single spaces, nothing else
        for (const std::string& word : words) {
            if (word.rfind("=?UTF-8?", 0) != 0)
                continue;
            // No word starts with an "=XX" that continues a UTF-8 character (10xxxxxx).
            EXPECT_EQ(word.find("?Q?=8"), std::string::npos) << word;
            EXPECT_EQ(word.find("?Q?=9"), std::string::npos) << word;
            EXPECT_EQ(word.find("?Q?=A"), std::string::npos) << word;
            EXPECT_EQ(word.find("?Q?=B"), std::string::npos) << word;
        }
    }
}

TEST(HeaderWordEncoder, ALimitDropsWholeWords)
{
    std::string text = Repeat("é", 250);
    std::string cut = Encoded(text, 255);
    std::string whole = Encoded(text);
    EXPECT_LE(cut.size(), 255u);
    EXPECT_EQ(whole.compare(0, cut.size(), cut), 0);
    EXPECT_EQ(whole[cut.size()], ' ');  // the cut falls between words

    CString256 s(Repeat("é", 127).c_str());
    s.EncodeHeaderWord();
    EXPECT_EQ(std::string(s.text), cut.substr(0, s.Length()));
    EXPECT_EQ(std::string(s.text).substr(s.Length() - 2), "?=");
}

TEST(HeaderWordEncoder, PythonEmailReadsTheSubjectBack)
{
    const std::vector<std::string> texts = {
        "Hello world", "a=b", "José García", "a_b é", "what? é", "€uro", "王小明",
        Repeat("é", 250), "x\r\nBcc: y é",
    };
    std::vector<std::string> headers;
    for (const std::string& text : texts) {
        CText value(text.c_str());
        value.EncodeHeaderWord();
        headers.emplace_back(value.buffer, size_t(value.length));
    }

    std::vector<Parsed> parsed;
    QString error;
    ASSERT_TRUE(ParseWithPython(headers, parsed, error)) << error.toStdString();
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(parsed[i].subject, WithSpacesForLineBreaks(texts[i])) << headers[i];
        EXPECT_EQ(parsed[i].headers, std::vector<std::string>{"Subject"}) << headers[i];
        for (const std::string& word : EncodedWordsOf(headers[i]))
            EXPECT_LE(word.size(), CHeaderWordEncoder::kMaxWordLength) << word;
    }
}
