#include "CList.h"
#include "CSparePool.h"
#include "CString256.h"
#include "CText.h"
#include "MemoryBlocks.h"
#include "TextHelpers.h"
#include "TextHelpersFixtureMaps.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QStringDecoder>
#include <atomic>
#include <fcntl.h>
#include <unistd.h>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Repeat(const std::string& piece, size_t times, const char* tail = "")
{
    std::string out;
    for (size_t i = 0; i < times; ++i)
        out += piece;
    out += tail;
    return out;
}

bool IsValidUtf8(const char* text)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)decoder(QByteArray(text));
    return !decoder.hasError();
}

}  // namespace

TEST(CString256, AssignCutsAt255BytesOnACharacterBoundary)
{
    struct Case {
        const char* name;
        std::string source;
        std::string expected;
    } cases[] = {
        {"300 ASCII", std::string(300, 'x'), std::string(255, 'x')},
        {"200 two-byte", Repeat("é", 200), Repeat("é", 127)},                 // 254 bytes
        {"100 three-byte", Repeat("€", 100), Repeat("€", 85)},                // exactly 255
        {"70 four-byte", Repeat("😀", 70), Repeat("😀", 63)},                 // 252 bytes
        {"ASCII then two-byte at the cut", Repeat("a", 254, "é"), Repeat("a", 254)},
        {"stray bytes are single characters", Repeat("a", 254, "\xE9\xE9"), Repeat("a", 254, "\xE9")},
    };
    for (const Case& c : cases) {
        CString256 s;
        s.Assign(c.source.c_str());
        EXPECT_EQ(s.text, c.expected) << c.name;
    }

    CString256 s("keep");
    s.Assign(static_cast<const char*>(nullptr));
    EXPECT_STREQ(s.text, "");
}

TEST(CString256, AppendKeepsWhatFitsAndAppendCharStopsAt254)
{
    CString256 s(std::string(250, 'a').c_str());
    s.Append("0123456789");
    EXPECT_EQ(std::string(s.text), Repeat("a", 250, "01234"));

    CString256 nearlyFull(std::string(254, 'a').c_str());
    nearlyFull.AppendChar('b');
    EXPECT_EQ(nearlyFull.Length(), 254u);
    nearlyFull.Append("é");  // one byte of room: the character does not fit whole
    EXPECT_EQ(nearlyFull.Length(), 254u);

    CString256 roomForOne(std::string(253, 'a').c_str());
    roomForOne.AppendChar('b');
    EXPECT_EQ(roomForOne.Length(), 254u);
    EXPECT_EQ(roomForOne.text[253], 'b');

    CString256 appended("x");
    appended.Append(static_cast<const char*>(nullptr));
    appended += "y";
    appended.Append(CString256("z"));
    appended.AppendNumber(-12);
    EXPECT_STREQ(appended.text, "xyz-12");
}

TEST(CString256, PrependLosesTheEndOfTheOldText)
{
    CString256 s(Repeat("é", 127).c_str());
    s.Prepend("ab");
    EXPECT_EQ(std::string(s.text), "ab" + Repeat("é", 126));  // 254 bytes, last é dropped whole
    EXPECT_TRUE(IsValidUtf8(s.text));
}

TEST(CString256, OtherSources)
{
    CString256 s;
    unsigned char pascal[256] = {3, 'a', 'b', 'c'};
    EXPECT_STREQ(s.AssignPString(pascal).text, "abc");
    pascal[0] = 255;
    EXPECT_STREQ(s.AssignPString(pascal).text, "");

    EXPECT_STREQ(s.AssignCFString(QStringLiteral("Zoë")).text, "Zoë");
    EXPECT_STREQ(s.AssignCFString(QString()).text, "");
    EXPECT_EQ(std::string(s.AssignCFString(QString(200, QChar(0xE9))).text), Repeat("é", 127));
    s.Assign("a");
    EXPECT_STREQ(s.AppendCFString(QStringLiteral("ü")).text, "aü");

    CText text("from text");
    EXPECT_STREQ(s.AssignText(text).text, "from text");
    const char range[] = "xyz";
    CText bufferless(range + 1, range);
    EXPECT_STREQ(s.AssignText(bufferless).text, "");

    Handle h = NewHandle(300);
    std::memset(*h, 'h', 300);
    EXPECT_EQ(std::string(s.AssignHandle(h).text), std::string(255, 'h'));
    DisposeHandle(h);

    EXPECT_STREQ(s.SetNumber(-2147483647L - 1).text, "-2147483648");
    EXPECT_STREQ(s.SetNumber(0).text, "0");
}

TEST(CString256, SetFloatWritesTheLocaleDecimalForm)
{
    const QLocale saved;
    struct Case {
        QLocale locale;
        float value;
        const char* expected;
    } cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), 1234.5f, "1,234.5"},
        {QLocale(QLocale::German, QLocale::Germany), 1234.5f, "1.234,5"},
        {QLocale(QLocale::English, QLocale::UnitedStates), 2.0f, "2"},
        {QLocale(QLocale::English, QLocale::UnitedStates), -0.125f, "-0.125"},
        {QLocale(QLocale::English, QLocale::UnitedStates), 1.0f / 3.0f, "0.333"},
    };
    for (const auto& c : cases) {
        QLocale::setDefault(c.locale);
        CString256 s;
        EXPECT_STREQ(s.SetFloat(c.value).text, c.expected) << c.value;
    }
    QLocale::setDefault(saved);
}

TEST(CString256, StartsWithAndEndsWith)
{
    struct Case {
        const char* text;
        const char* affix;
        bool starts, startsNoCase, ends, endsNoCase;
    } cases[] = {
        {"bc", "abc", false, false, false, false},
        {"abc", "", true, true, true, true},
        {"Hello", "he", false, true, false, false},
        {"Hello", "LLO", false, false, false, true},
        {"Hello", "Hello", true, true, true, true},
        {"École", "éc", false, false, false, false},  // case folding is ASCII-only
    };
    for (const auto& c : cases) {
        CString256 s(c.text);
        EXPECT_EQ(s.StartsWith(c.affix), c.starts) << c.text << " / " << c.affix;
        EXPECT_EQ(s.StartsWithNoCase(c.affix), c.startsNoCase) << c.text << " / " << c.affix;
        EXPECT_EQ(s.EndsWith(c.affix), c.ends) << c.text << " / " << c.affix;
        EXPECT_EQ(s.EndsWithNoCase(c.affix), c.endsNoCase) << c.text << " / " << c.affix;
    }
}

TEST(CString256, InPlaceTransformsWorkOnCharacters)
{
    CString256 s("ÀBÇ Dé");
    EXPECT_STREQ(s.MakeLower().text, "ÀbÇ dé");  // only ASCII letters fold
    EXPECT_STREQ(s.ReplaceChar(' ', '_').text, "ÀbÇ_dé");

    struct Case {
        const char* source;
        const char* expected;
    } printable[] = {
        {"Zoë", "Zoë"},
        {"a\tb\nc\x7F" "d", "a b c d"},
        {"C1 \xC2\x85 here", "C1   here"},       // U+0085 is one character: one space
        {"stray \x85 C1 byte", "stray   C1 byte"}, // a lone 0x85 reads as Latin-1 C1
        {"lone \xE9 stays", "lone \xE9 stays"},    // a lone 0xE9 reads as Latin-1 "é"
        {"日本語 ok", "日本語 ok"},
    };
    for (const auto& c : printable) {
        CString256 t(c.source);
        EXPECT_STREQ(t.ReplaceNonPrintable().text, c.expected) << c.source;
    }
}

TEST(CString256, EscapeCharsUsesTheInstalledMaps)
{
    CString256 none("a b/é");
    EXPECT_STREQ(none.EscapeChars().text, "a b/é");  // no maps: nothing to escape

    TextHelpersFixtureMaps maps;
    CString256 s("a b/é€*?日");
    EXPECT_STREQ(s.EscapeChars().text, "a b%2F%E9%80*%3F日");

    CString256 full(std::string(254, 'a').append("/").c_str());
    full.EscapeChars();
    EXPECT_EQ(std::string(full.text), Repeat("a", 254, "%"));  // cut at the limit
}

TEST(CString256, Decoding)
{
    TextHelpersFixtureMaps maps;
    struct Case {
        const char* source;
        int mode;
        const char* expected;
    } cases[] = {
        {"a%41b", 0, "aAb"},
        {"a%41b+c", 2, "a%41b+c"},
        {"%zz%4", 0, "%zz%4"},           // only "%" and two hex digits decode
        {"100%", 0, "100%"},
        {"%C3%A9", 0, "é"},
        {"a+b%41", 1, "a bA"},
        {"%E9t%80", 1, "ét€"},
        {"x%81y", 1, "x y"},             // a code without a character becomes a space
        {"50%+off", 1, "50% off"},
    };
    for (const auto& c : cases) {
        CString256 s(c.source);
        EXPECT_STREQ(s.Decode(c.mode).text, c.expected) << c.source << " mode " << c.mode;
    }
}

TEST(CString256, EncodeHeaderWordCutDropsWholeWords)
{
    CString256 plain("Hello world");
    EXPECT_STREQ(plain.EncodeHeaderWord().text, "Hello world");

    CString256 s(Repeat("é", 125).c_str());
    s.EncodeHeaderWord();
    std::string encoded = s.text;
    EXPECT_LE(encoded.size(), 255u);
    ASSERT_GE(encoded.size(), 2u);
    EXPECT_EQ(encoded.substr(encoded.size() - 2), "?=");
    EXPECT_EQ(encoded.rfind("=?ISO-8859-1?Q?", 0), 0u);
}

TEST(CString256, LineOutput)
{
    char buffer[32] = "a";
    EXPECT_EQ(CString256::CopyLine("bc", buffer), 3u);
    EXPECT_STREQ(buffer, "abc\n");

    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    EXPECT_EQ(CString256::WriteLine("one", SInt16(pipeEnds[1])), noErr);
    EXPECT_EQ(CString32::WriteLine("two", SInt16(pipeEnds[1])), noErr);
    close(pipeEnds[1]);
    char read_back[16] = {};
    EXPECT_EQ(read(pipeEnds[0], read_back, sizeof read_back - 1), 8);
    EXPECT_STREQ(read_back, "one\ntwo\n");
    close(pipeEnds[0]);
    EXPECT_NE(CString256::WriteLine("closed", -1), noErr);
}

TEST(CString256, JoinAndTokenize)
{
    CList<CString256> items;
    CString256 joined("stale");
    EXPECT_STREQ(joined.Join(',', items).text, "");

    Tokenize(items, "a,,b, c", ", ");
    ASSERT_EQ(items.Count(), 3);
    EXPECT_STREQ(joined.Join(',', items).text, "a,b,c");

    Tokenize(items, ",,, ", ", ");
    EXPECT_EQ(items.Count(), 0);

    // Tokenizing inside a walk of another tokenizing keeps each one's place.
    CList<CString256> outer;
    CList<CString256> inner;
    Tokenize(outer, "x y", " ");
    outer.Rewind();
    std::string seen;
    while (const CString256* word = outer.Next()) {
        Tokenize(inner, "1;2", ";");
        seen += std::string(word->text) + CString256().Join('+', inner).text + " ";
    }
    EXPECT_EQ(seen, "x1+2 y1+2 ");

    CList<CString256> many;
    for (int i = 0; i < 100; ++i)
        many.Append(CString256("abc"));
    CString256 cut;
    cut.Join(',', many);
    EXPECT_EQ(cut.Length(), 255u);
    EXPECT_EQ(std::string(cut.text).substr(248), "abc,abc");
}

TEST(CString256, SparePoolHandsOutBlocksOf256AndReusesFreedObjectsFirst)
{
    CSparePool<CString256> pool;
    std::vector<CString256*> taken;
    for (int i = 0; i < 257; ++i)
        taken.push_back(static_cast<CString256*>(pool.Take()));
    EXPECT_EQ(pool.BlocksTaken(), 2u);
    // The first object of a block goes out first, then the block from its last object down.
    EXPECT_EQ(taken[1], taken[0] + 255);
    EXPECT_EQ(taken[255], taken[0] + 1);
    EXPECT_EQ(std::set<CString256*>(taken.begin(), taken.end()).size(), 257u);

    pool.Give(taken[100]);
    EXPECT_EQ(pool.Take(), taken[100]);
    EXPECT_EQ(pool.BlocksTaken(), 2u);
}

TEST(CString256, NewAndDeleteFromManyThreadsKeepEveryString)
{
    std::atomic<int> damaged{0};
    auto churn = [&damaged](int id) {
        std::vector<CString256*> mine;
        for (int round = 0; round < 200; ++round) {
            for (int i = 0; i < 300; ++i) {
                auto* s = new CString256;
                s->SetNumber(id * 1000000 + i);
                mine.push_back(s);
            }
            for (int i = 0; i < 300; ++i) {
                char expected[16];
                std::snprintf(expected, sizeof expected, "%d", id * 1000000 + i);
                if (std::strcmp(mine[i]->text, expected) != 0)
                    ++damaged;
                delete mine[i];
            }
            mine.clear();
        }
    };
    std::vector<std::thread> threads;
    for (int id = 1; id <= 4; ++id)
        threads.emplace_back(churn, id);
    churn(5);
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(damaged.load(), 0);
}
