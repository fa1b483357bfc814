// Quoted-printable: the encoder's own rules, and its output decoded by Python's quopri and
// binascii.a2b_qp (after LF becomes CR LF, as on the wire) back to the Latin-1 input.
#include "CQuotedPrintableEncoder.h"

#include "CText.h"
#include "DecodingPeer.h"
#include "MemoryBlocks.h"
#include "TextEncodings.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>

#include <string>
#include <vector>

namespace {

// n letters "a" followed by tail.
std::string Letters(size_t n, const char* tail)
{
    std::string text(n, 'a');
    text.append(tail);
    return text;
}

std::string Encoded(const std::string& text)
{
    CQuotedPrintableEncoder encoder(text.c_str());
    encoder.Encode();
    return encoder.Output();
}

// The UTF-8 text whose characters are the given Latin-1 bytes.
std::string Utf8FromLatin1(const QByteArray& latin1)
{
    return QString::fromLatin1(latin1).toUtf8().toStdString();
}

// What a decoder must give back: the Latin-1 bytes with every line break (LF, CR LF, CR) as CR LF.
QByteArray WithCRLFBreaks(const QByteArray& latin1)
{
    QByteArray out;
    for (qsizetype i = 0; i < latin1.size(); ++i) {
        if (latin1[i] == '\r' && i + 1 < latin1.size() && latin1[i + 1] == '\n')
            continue;
        if (latin1[i] == '\r' || latin1[i] == '\n') {
            out += "\r\n";
            continue;
        }
        out += latin1[i];
    }
    return out;
}

void ExpectWellFormedLines(const std::string& encoded)
{
    size_t start = 0;
    while (start < encoded.size()) {
        size_t end = encoded.find('\n', start);
        if (end == std::string::npos)
            end = encoded.size();
        const std::string line = encoded.substr(start, end - start);
        EXPECT_LE(line.size(), 76u) << line;
        if (!line.empty()) {
            EXPECT_TRUE(line.back() != ' ' && line.back() != '\t') << "blank before a line end: " << line;
        }
        for (char c : line)
            EXPECT_TRUE(c == '\t' || (c >= 32 && c <= 126)) << "raw byte in " << line;
        start = end + 1;
    }
}

std::vector<QByteArray> CPythonCases()
{
    const QByteArray json = RunDecodingPeer("decode_qp.py", {}, {QStringLiteral("cpython-cases")});
    std::vector<QByteArray> cases;
    for (const QJsonValue& value : QJsonDocument::fromJson(json).array())
        cases.push_back(QByteArray::fromBase64(value.toString().toLatin1()));
    return cases;
}

}  // namespace

TEST(CQuotedPrintableEncoder, EncodesByItsRules)
{
    const struct {
        std::string input;
        std::string encoded;
    } cases[] = {
        {"abc", "abc"},
        {"a=b", "a=3Db"},
        {"\xC3\xA9", "=E9"},
        {Letters(80, ""), Letters(75, "=\naaaaa")},
        {"x \n", "x =\n\n"},
        {"x \r\n", "x =\n\n"},     // CR LF is a line break, not "=0D"
        {"x \ry", "x =\n\ny"},     // so is a lone CR
        {"a\r\nb\rc\nd", "a\nb\nc\nd"},
        {"end ", "end =\n"},
        {"a\tb", "a\tb"},
        {Letters(72, "\xC3\xA9"), Letters(72, "=E9")},
        {Letters(73, "\xC3\xA9"), Letters(73, "=\n=E9")},
        {Letters(74, "="), Letters(74, "=\n=3D")},
        {"a\x01z", "a=01z"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Encoded(c.input), c.encoded) << c.input;
}

TEST(CQuotedPrintableEncoder, CharactersLatin1LacksBecomeQuestionMarksAndTheRestSurvives)
{
    EXPECT_EQ(Encoded("price \xE2\x82\xAC 5, caf\xC3\xA9"), "price ? 5, caf=E9");
    EXPECT_EQ(Encoded("bad \xFF byte"), "bad ? byte");  // an invalid UTF-8 byte
    EXPECT_EQ(Encoded("\xF0\x9F\x98\x80!"), "?!");      // one 4-byte character, one "?"
}

TEST(CQuotedPrintableEncoder, CopyResultAndPlainCharacters)
{
    CQuotedPrintableEncoder empty("");
    empty.Encode();
    EXPECT_EQ(empty.CopyResult(), nullptr);
    CQuotedPrintableEncoder some("a b");
    some.Encode();
    Ptr copy = some.CopyResult();
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "a b");
    DisposePtr(copy);

    EXPECT_TRUE(CQuotedPrintableEncoder::IsPlainChar('!'));
    EXPECT_TRUE(CQuotedPrintableEncoder::IsPlainChar('~'));
    for (char c : {' ', '=', '\n', '\x7f', '\xe9'})
        EXPECT_FALSE(CQuotedPrintableEncoder::IsPlainChar(c)) << int(c);
}

TEST(CQuotedPrintableEncoder, TextOperationEncodesOnlyWhenNeeded)
{
    CText plain("abc");
    EXPECT_FALSE(QuotedPrintableEncode(plain));
    EXPECT_STREQ(plain.buffer, "abc");
    CText spaced("a b=c");
    EXPECT_TRUE(QuotedPrintableEncode(spaced));
    EXPECT_STREQ(spaced.buffer, "a b=3Dc");
}

TEST(CQuotedPrintableEncoder, PythonDecodesEveryCaseBackToTheInput)
{
    std::vector<QByteArray> inputs = CPythonCases();
    ASSERT_GE(inputs.size(), 10u);
    inputs.push_back("line1\r\nline2\r\n");
    inputs.push_back("trailing tab\t\r\nand space \nlone cr\rend");
    inputs.push_back("=3D is not an escape; =\n=");
    inputs.push_back(QByteArray(100000, ' '));
    inputs.push_back(QByteArray(200, 'x') + " " + QByteArray(200, '\xe9') + "\t\t\n");
    QByteArray everyByte;
    for (int c = 1; c < 256; ++c)
        everyByte += char(c);
    inputs.push_back(everyByte);

    QJsonArray encodedTexts;
    std::vector<QByteArray> expected;
    for (const QByteArray& input : inputs) {
        const std::string encoded = Encoded(Utf8FromLatin1(input));
        ExpectWellFormedLines(encoded);
        encodedTexts.append(QString::fromLatin1(QByteArray::fromStdString(encoded).toBase64()));
        expected.push_back(WithCRLFBreaks(input));
    }
    const QByteArray json =
        RunDecodingPeer("decode_qp.py", QJsonDocument(encodedTexts).toJson(QJsonDocument::Compact), {QStringLiteral("decode")});
    const QJsonArray decoded = QJsonDocument::fromJson(json).array();
    ASSERT_EQ(decoded.size(), qsizetype(inputs.size()));
    for (size_t i = 0; i < inputs.size(); ++i) {
        SCOPED_TRACE(i);
        const QJsonArray pair = decoded[qsizetype(i)].toArray();
        EXPECT_EQ(QByteArray::fromBase64(pair[0].toString().toLatin1()), expected[i]) << "quopri";
        EXPECT_EQ(QByteArray::fromBase64(pair[1].toString().toLatin1()), expected[i]) << "binascii.a2b_qp";
    }
}
