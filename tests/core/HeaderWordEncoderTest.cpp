#include "CString256.h"
#include "CText.h"
#include "HeaderWordEncoder.h"
#include "TextHelpers.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
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
        {"tab\there", "tab here"},  // every control character becomes a space
        {"x\r\ny", "x  y"},  // line breaks never reach a header, even in plain text
        {"a?b", "a?b"},
        {"Smith, John", "=?ISO-8859-1?Q?Smith=2C_John?="},  // a phrase special never stands raw
        {"<x@evil.example>", "=?ISO-8859-1?Q?=3Cx=40evil=2Eexample=3E?="},
        {"a=b", "=?ISO-8859-1?Q?a=3Db?="},
        {"50% off=", "=?ISO-8859-1?Q?50=25_off=3D?="},
        {"ét", "=?ISO-8859-1?Q?=E9t?="},
        {"a_b é", "=?ISO-8859-1?Q?a=5Fb_=E9?="},
        {"what? é", "=?ISO-8859-1?Q?what=3F_=E9?="},
        {"€uro", "=?UTF-8?Q?=E2=82=ACuro?="},
        {"!*+-/ ok é", "=?ISO-8859-1?Q?!*+-/_ok_=E9?="},
        {"\xE9t", "=?UTF-8?Q?=EF=BF=BDt?="},  // a stray byte reads as U+FFFD
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

TEST(HeaderWordEncoder, ALimitKeepsTheLongestPrefixOfWholeCharactersThatFits)
{
    // 250 x "é": 19 characters ("=E9" each) fill a 74-character word; 61 characters make
    // three full words and one of 4, 254 bytes; a 62nd would need 257.
    const std::string text = Repeat("é", 250);
    const std::string cut = Encoded(text, 255);
    EXPECT_EQ(cut, Encoded(Repeat("é", 61)));
    EXPECT_EQ(cut.size(), 254u);
    EXPECT_EQ(cut.substr(cut.size() - 2), "?=");

    // The character set follows the prefix that fits: the "€" far behind is cut away.
    const std::string mixed = Repeat("é", 100) + "€";
    EXPECT_EQ(Encoded(mixed, 255).rfind("=?ISO-8859-1?Q?", 0), 0u);
    // A plain text is cut on a character boundary.
    EXPECT_EQ(Encoded(Repeat("a", 300), 255), Repeat("a", 255));

    CString256 s(Repeat("é", 127).c_str());
    s.EncodeHeaderWord();
    EXPECT_EQ(std::string(s.text), cut);
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

namespace {

struct ToHeaderReading {
    std::vector<std::string> addresses;
    std::vector<std::string> defects;
    std::string decoded;
};

std::vector<ToHeaderReading> ReadToHeaders(const std::vector<std::string>& names)
{
    QJsonArray input;
    for (const std::string& name : names)
        input.append(QString::fromLatin1(QByteArray::fromStdString(name).toBase64()));
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(BREVANTO_SOURCE_DIR "/tests/peers/decode_header_words.py"), QStringLiteral("to")});
    EXPECT_TRUE(python.waitForStarted(10000));
    python.write(QJsonDocument(input).toJson(QJsonDocument::Compact));
    python.closeWriteChannel();
    EXPECT_TRUE(python.waitForFinished(30000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    std::vector<ToHeaderReading> readings;
    for (const auto& value : QJsonDocument::fromJson(python.readAllStandardOutput()).array()) {
        ToHeaderReading reading;
        const QJsonObject object = value.toObject();
        for (const auto& address : object.value(QStringLiteral("addresses")).toArray())
            reading.addresses.push_back(address.toString().toStdString());
        for (const auto& defect : object.value(QStringLiteral("defects")).toArray())
            reading.defects.push_back(defect.toString().toStdString());
        reading.decoded = object.value(QStringLiteral("decoded")).toString().toStdString();
        readings.push_back(reading);
    }
    return readings;
}

// The text a reader must see: controls as spaces, invalid UTF-8 bytes as U+FFFD.
std::string AsRead(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const size_t width = Utf8SequenceLength(text.data() + i, text.size() - i);
        if (width == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(text[i]);
        out += (c < 0x20 || c == 0x7F) ? std::string(" ") : text.substr(i, width);
        i += width;
    }
    return out;
}

}  // namespace

TEST(HeaderWordEncoder, ThePythonPeerJoinsAdjacentWordsAsRFC2047Says)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(BREVANTO_SOURCE_DIR "/tests/peers/decode_header_words.py"), QStringLiteral("rfc2047")});
    ASSERT_TRUE(python.waitForFinished(30000));
    const QJsonArray decoded = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    const QStringList expected = {"(a)", "(a b)", "(ab)", "(ab)", "(ab)", "(a b)", "(a b)"};
    ASSERT_EQ(decoded.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i)
        EXPECT_EQ(decoded[i].toString(), expected[i]);
}

TEST(HeaderWordEncoder, DisplayNamesStayOneAddressAndReadBackExactly)
{
    const std::vector<std::string> names = {
        "Hello world", "50% off", "50% off=", "a=b", "Jürgen Müller", "Smith, John", "J_Smith é", "a?b",
        "€ “quoted” • dash", "王小明", "\xF0\x9F\x98\x80 party", "Bob\r\nBcc: x@example.org",
        Repeat("x", 150) + "é" + Repeat("y", 149), "bad \xFF\xFE bytes", "tab\there\x7F",
    };
    std::vector<std::string> texts;
    std::vector<std::string> shortForms;
    for (const std::string& name : names) {
        CText value(name.c_str());
        value.EncodeHeaderWord();
        texts.emplace_back(value.buffer, size_t(value.length));
        CString256 fixed(name.c_str());
        fixed.EncodeHeaderWord();
        shortForms.emplace_back(fixed.text);
    }
    const std::vector<ToHeaderReading> readings = ReadToHeaders(texts);
    ASSERT_EQ(readings.size(), names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(texts[i]);
        EXPECT_EQ(readings[i].addresses, std::vector<std::string>{"a@example.org"});
        EXPECT_TRUE(readings[i].defects.empty()) << readings[i].defects.front();
        EXPECT_EQ(readings[i].decoded, AsRead(names[i]));
        for (const std::string& word : EncodedWordsOf(texts[i]))
            EXPECT_LE(word.size(), CHeaderWordEncoder::kMaxWordLength) << word;
        EXPECT_EQ(texts[i].find_first_of("\r\n"), std::string::npos);
        const bool encoded = texts[i].rfind("=?", 0) == 0;
        if (encoded)
            EXPECT_EQ(shortForms[i].substr(shortForms[i].size() - 2), "?=") << shortForms[i];
        else
            EXPECT_EQ(shortForms[i], texts[i]);
    }
    EXPECT_EQ(texts[0], "Hello world");
    EXPECT_EQ(texts[1], "50% off");
    EXPECT_EQ(texts[2], "=?ISO-8859-1?Q?50=25_off=3D?=");
    EXPECT_EQ(texts[7], "a?b");
}
