// The program's character maps against Python's cp1252 codec, and form decoding through them.
#include "CharacterTables.h"

#include "CText.h"
#include "DecodingPeer.h"
#include "TextEncodings.h"
#include "TextHelpers.h"

#include <gtest/gtest.h>

#include <QList>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string Utf8Of(char32_t character)
{
    char bytes[4];
    return std::string(bytes, WriteUtf8Character(character, bytes));
}

bool IsKeptByEscaping(const std::string& character)
{
    if (character.size() != 1)
        return false;
    const char c = character[0];
    return std::isalnum(static_cast<unsigned char>(c)) || std::strchr(" *-._", c) != nullptr;
}

// Installs a fresh table as the program's maps for one test.
class CharacterTables : public ::testing::Test {
protected:
    void SetUp() override { SetCharacterMaps(&mTables); }
    void TearDown() override { SetCharacterMaps(nullptr); }
    CCharacterTables mTables;
};

}  // namespace

TEST_F(CharacterTables, EveryCodeAgreesWithPythonsWindows1252Codec)
{
    const QByteArray table = RunDecodingPeer("decode_cp1252.py", {});
    const QList<QByteArray> lines = table.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 224);
    for (const QByteArray& line : lines) {
        const QList<QByteArray> fields = line.split('\t');
        const long code = fields[0].toLong();
        SCOPED_TRACE(code);
        char32_t character = 0;
        const bool mapped = mTables.FindCharacterForCode(code, character);
        if (fields[1] == "-" || code == 127) {
            EXPECT_FALSE(mapped);
            continue;
        }
        const std::string expected = QByteArray::fromHex(fields[1]).toStdString();
        ASSERT_TRUE(mapped);
        EXPECT_EQ(Utf8Of(character), expected);

        const CString32* escape = mTables.FindEscapeText(character);
        if (IsKeptByEscaping(expected)) {
            EXPECT_EQ(escape, nullptr);
            continue;
        }
        ASSERT_NE(escape, nullptr);
        char wanted[4];
        std::snprintf(wanted, sizeof wanted, "%%%02X", unsigned(code));
        EXPECT_STREQ(escape->text, wanted);
    }
}

TEST_F(CharacterTables, EdgeCasesOfTheTables)
{
    EXPECT_STREQ(mTables.FindEscapeText(U'é')->text, "%E9");
    EXPECT_STREQ(mTables.FindEscapeText(U'•')->text, "%95");
    EXPECT_STREQ(mTables.FindEscapeText(U'†')->text, "%86");  // not "%DD", which is "Ý"
    EXPECT_EQ(mTables.FindEscapeText(U'a'), nullptr);
    EXPECT_EQ(mTables.FindEscapeText(U'\t'), nullptr);    // controls are kept
    EXPECT_EQ(mTables.FindEscapeText(U'∞'), nullptr);     // not in Windows-1252: kept
    char32_t character = 0;
    ASSERT_TRUE(mTables.FindCharacterForCode(233, character));
    EXPECT_EQ(character, U'é');
    ASSERT_TRUE(mTables.FindCharacterForCode(47, character));
    EXPECT_EQ(character, U'/');
    ASSERT_TRUE(mTables.FindCharacterForCode(0xFD, character));
    EXPECT_EQ(character, U'ý');                            // not "‡"
    EXPECT_FALSE(mTables.FindCharacterForCode(13, character));
}

TEST_F(CharacterTables, EscapeCharsUsesTheInstalledMaps)
{
    CText text("\xC3\xA9 & a\xE2\x80\xA2 \xE2\x88\x9E");  // "é & a• ∞"
    EscapeChars(text);
    EXPECT_STREQ(text.buffer, "%E9 %26 a%95 \xE2\x88\x9E");
}
