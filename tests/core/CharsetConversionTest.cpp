// Text to and from named character sets: exact both ways, failing (never substituting) for a
// character the set lacks, bytes the set does not allow, or a set nobody knows.
#include "CharsetConversion.h"

#include <gtest/gtest.h>

TEST(CharsetConversionTest, EncodesExactlyOrNotAtAll)
{
    const struct {
        const char* charset;
        QString text;
        std::optional<QByteArray> bytes;
    } cases[] = {
        {"ISO-8859-7", QStringLiteral("Καλή"), QByteArray("\xca\xe1\xeb\xde")},
        {"ISO-8859-1", QStringLiteral("café"), QByteArray("caf\xe9")},
        {"", QStringLiteral("café"), QByteArray("caf\xc3\xa9")}, // no name: UTF-8
        // A stateful set ends in its initial shift state.
        {"ISO-2022-JP", QStringLiteral("日本"), QByteArray("\x1b$BF|K\\\x1b(B")},
        {"ISO-8859-1", QStringLiteral("€5"), std::nullopt},
        {"US-ASCII", QStringLiteral("naïve"), std::nullopt},
        {"NO-SUCH-SET", QStringLiteral("x"), std::nullopt},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.charset);
        EXPECT_EQ(EncodeInCharset(test.text, test.charset), test.bytes);
        if (test.bytes) {
            EXPECT_EQ(DecodeFromCharset(*test.bytes, test.charset), test.text);
        }
    }
}

TEST(CharsetConversionTest, DecodingRefusesBytesTheSetDoesNotAllow)
{
    EXPECT_EQ(DecodeFromCharset(QByteArray("ok \xff"), "UTF-8"), std::nullopt);
    EXPECT_EQ(DecodeFromCharset(QByteArray("\x80"), "US-ASCII"), std::nullopt);
    EXPECT_EQ(DecodeFromCharset(QByteArray(), "ISO-8859-7"), QString(""));
    // A text long enough to need the converter's buffer more than once.
    const QString long_text = QString(10000, QChar(0x3b1));
    const std::optional<QByteArray> bytes = EncodeInCharset(long_text, "ISO-8859-7");
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), 10000);
    EXPECT_EQ(DecodeFromCharset(*bytes, "ISO-8859-7"), long_text);
}
