// The entity table: its lookup rules on small fixture tables, and the shipped table checked
// against Python's html module.
#include "HTMLEntityTable.h"

#include "DecodingPeer.h"

#include <gtest/gtest.h>

#include <QFile>

#include <memory>
#include <string>

namespace {

std::string Encoded(const CHTMLEntityTable& table, const char* text)
{
    std::unique_ptr<char[]> encoded(table.EncodeEntities(text));
    return encoded.get();
}

std::string Decoded(const CHTMLEntityTable& table, std::string text)
{
    table.DecodeEntities(text.data());
    return text.c_str();
}

QByteArray ShippedTable()
{
    QFile file(QStringLiteral(BREVANTO_SOURCE_DIR "/resources/ISO8859.txt"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

}  // namespace

TEST(CHTMLEntityTable, EncodesAndDecodesByTheTableRules)
{
    const CHTMLEntityTable table("&\t&amp;\t&#38;\n<\t&lt;\t&#60;\n\xC3\xA9\t&eacute;\t&#233;\n");
    EXPECT_EQ(table.Count(), 3);
    EXPECT_EQ(Encoded(table, "a&b"), "a&amp;b");           // the inserted "&" is not encoded again
    EXPECT_EQ(Encoded(table, "caf\xC3\xA9 <"), "caf&eacute; &lt;");
    EXPECT_EQ(Encoded(table, "caf\xE9"), "caf\xE9");         // a lone Latin-1 byte is no "é"
    EXPECT_EQ(Decoded(table, "a&amp;b"), "a&b");
    EXPECT_EQ(Decoded(table, "a&amp;amp;"), "a&amp;");       // decoding goes on after the "&"
    EXPECT_EQ(Decoded(table, "&#233;t&eacute;"), "\xC3\xA9t\xC3\xA9");  // second form; whole character
    for (const char* unchanged : {"&nosuchentity;", "AT&T", "AT&T;", "&verylongentityname;", "a & b"})
        EXPECT_EQ(Decoded(table, unchanged), unchanged);
}

TEST(CHTMLEntityTable, LaterLinesWinAndMalformedLinesAreSkipped)
{
    const CHTMLEntityTable table("&\t&first;\t&#38;\n"
                                 "x\t&missing;\n"                 // a column short: skipped
                                 "\n\n"                           // empty lines are no entries
                                 "&\t&second;\t&#38;\r"           // CR line end
                                 "a\t&same;\t&#97;\n"
                                 "b\t\t&same;\t&#98;\n");         // a run of TABs is one separator
    EXPECT_EQ(table.Count(), 4);
    EXPECT_EQ(Encoded(table, "&"), "&second;");
    EXPECT_STREQ(table.CharacterForEntity("&same;"), "b");
    EXPECT_EQ(table.CharacterForEntity("&missing;"), nullptr);
}

TEST(CHTMLEntityTable, ReadsAtMost256Lines)
{
    std::string text;
    for (int i = 0; i < 257; ++i)
        text += "x\t&e" + std::to_string(i) + ";\t&#" + std::to_string(i) + ";\n";
    const CHTMLEntityTable table(text.c_str());
    EXPECT_EQ(table.Count(), 256);
    EXPECT_STREQ(table.CharacterForEntity("&e255;"), "x");
    EXPECT_EQ(table.CharacterForEntity("&e256;"), nullptr);
}

TEST(CHTMLEntityTable, ShippedTableAgreesWithPythonsHtmlModule)
{
    const QByteArray problems = RunDecodingPeer(
        "decode_entities.py", {}, {QStringLiteral("table"), QStringLiteral(BREVANTO_SOURCE_DIR "/resources/ISO8859.txt")});
    EXPECT_EQ(problems.toStdString(), "");

    const QByteArray shipped = ShippedTable();
    const CHTMLEntityTable table(shipped.constData());
    EXPECT_EQ(table.Count(), 100);
    std::string every = "&<>\"";
    for (char32_t c = 0xA0; c <= 0xFF; ++c)
        every += QString(QChar(c)).toUtf8().toStdString();
    const std::string encoded = Encoded(table, every.c_str());
    EXPECT_EQ(encoded.find_first_of("<>\""), std::string::npos);
    for (char c : encoded)
        ASSERT_GE(c, 0) << "non-ASCII left in " << encoded;
    EXPECT_EQ(RunDecodingPeer("decode_entities.py", QByteArray::fromStdString(encoded), {QStringLiteral("unescape")})
                  .toStdString(),
              every);
    EXPECT_EQ(Decoded(table, encoded), every);
}
