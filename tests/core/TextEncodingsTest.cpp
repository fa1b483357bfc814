// Text operations: escapes and their decoding, base64 (Python's base64 as the peer), src=
// quoting, link-like tokens, whole words, key lines, and the yields of a long replacement.
#include "TextEncodings.h"

#include "CSeparatorSet.h"
#include "CharacterTables.h"
#include "DatesAndTimes.h"
#include "DecodingPeer.h"
#include "EnvironmentTestSupport.h"
#include "LMainContext.h"
#include "LThread.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace {

std::string Str(const CText& text)
{
    return text.buffer != nullptr ? std::string(text.buffer, size_t(text.length)) : std::string();
}

template <class Operation>
std::string Applied(const std::string& input, Operation operation)
{
    CText text;
    text.AppendBytes(input.data(), long(input.size()));
    operation(text);
    return Str(text);
}

std::vector<std::string> Tokens(const char* input)
{
    CText text(input);
    CList<CString256> list;
    ExtractURLTokens(text, list);
    std::vector<std::string> tokens;
    list.Rewind();
    while (const CString256* token = list.Next())
        tokens.push_back(token->text);
    return tokens;
}

// The character maps installed for one test.
class TextEncodings : public ::testing::Test {
protected:
    void SetUp() override { SetCharacterMaps(&mTables); }
    void TearDown() override { SetCharacterMaps(nullptr); }
    CCharacterTables mTables;
};

class FunctionThread : public LThread {
public:
    explicit FunctionThread(std::function<void()> body)
        : mBody(std::move(body))
    {
    }
    void* Run() override
    {
        mBody();
        return nullptr;
    }

private:
    std::function<void()> mBody;
};

}  // namespace

TEST_F(TextEncodings, EscapeFormCharsKeepsOnlyLettersDigitsAndFourMarks)
{
    const struct {
        std::string input;
        std::string escaped;
    } cases[] = {
        {"a b&c", "a%20b%26c"},
        {"\n", "%0a"},
        {"1+1", "1%2b1"},
        {"a/b", "a%2fb"},
        {"\xC3\xA9", "%c3%a9"},
        {"Az09$-._", "Az09$-._"},
        {std::string("\0", 1), "%00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Applied(c.input, EscapeFormChars), c.escaped) << c.input;
}

TEST_F(TextEncodings, TrackingValuesSurviveASplitAtAmpersandsAndPercentDecode)
{
    const std::string subject = "Tom & Jerry +1 = 100% \xC3\xA9t\xC3\xA9";
    const std::string query = "s=" + Applied(subject, EscapeFormChars) + "&r=" + Applied("x&y", EscapeFormChars);
    std::vector<std::string> values;
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos)
            end = query.size();
        values.push_back(query.substr(start + 2, end - start - 2));
        start = end + 1;
    }
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(Applied(values[0], PercentDecode), subject);
    EXPECT_EQ(Applied(values[1], PercentDecode), "x&y");
}

TEST_F(TextEncodings, PercentAndFormDecoding)
{
    const struct {
        const char* input;
        const char* percent;
        const char* form;
    } cases[] = {
        {"%41", "A", "A"},
        {"%zz", "%zz", "%zz"},
        {"50%", "50%", "50%"},
        {"%4", "%4", "%4"},
        {"a+b", "a+b", "a b"},
        {"%E9", "\xE9", "\xC3\xA9"},
        {"%80", "\x80", "\xE2\x82\xAC"},
        {"%0D", "\r", " "},
        {"%81", "\x81", " "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Applied(c.input, PercentDecode), c.percent) << c.input;
        EXPECT_EQ(Applied(c.input, FormDecode), c.form) << c.input;
        EXPECT_EQ(Applied(c.input, [](CText& t) { Decode(t, 0); }), c.percent);
        EXPECT_EQ(Applied(c.input, [](CText& t) { Decode(t, 1); }), c.form);
        EXPECT_EQ(Applied(c.input, [](CText& t) { Decode(t, 2); }), c.input);
    }
    EXPECT_EQ(Applied("a%0D%0Ab+c", CRLFEscapesToCommas), "a,b c");
    EXPECT_EQ(Applied("a%0D%0Ab", CRLFEscapesToNewlines), "a\r\nb");
}

TEST_F(TextEncodings, Base64LinesAndVectors)
{
    const struct {
        const char* input;
        const char* encoded;
    } vectors[] = {{"", ""},
                   {"f", "Zg==\r\n"},
                   {"fo", "Zm8=\r\n"},
                   {"foo", "Zm9v\r\n"},
                   {"foob", "Zm9vYg==\r\n"},
                   {"fooba", "Zm9vYmE=\r\n"},
                   {"foobar", "Zm9vYmFy\r\n"}};
    for (const auto& v : vectors)
        EXPECT_EQ(Applied(v.input, Base64Encode), v.encoded) << v.input;

    for (int size : {0, 47, 48, 49, 96}) {
        const std::string encoded = Applied(std::string(size_t(size), 'x'), Base64Encode);
        std::vector<std::string> lines;
        size_t start = 0;
        for (size_t crlf = encoded.find("\r\n"); crlf != std::string::npos; crlf = encoded.find("\r\n", start)) {
            lines.push_back(encoded.substr(start, crlf - start));
            start = crlf + 2;
        }
        EXPECT_EQ(start, encoded.size()) << "every line ends CR LF";
        EXPECT_EQ(lines.size(), size_t((size + 47) / 48)) << size;
        for (size_t i = 0; i < lines.size(); ++i) {
            EXPECT_LE(lines[i].size(), 76u);
            if (i + 1 < lines.size()) {
                EXPECT_EQ(lines[i].size(), 64u);
            }
        }
    }

    QRandomGenerator random(11);
    std::string bytes(5000, '\0');
    for (char& c : bytes)
        c = char(random.bounded(256));
    bytes[0] = bytes[100] = bytes[4999] = '\0';
    const std::string encoded = Applied(bytes, Base64Encode);
    const QByteArray decoded = RunDecodingPeer("decode_base64.py", QByteArray::fromStdString(encoded));
    EXPECT_EQ(QByteArray::fromHex(decoded.trimmed()).toStdString(), bytes);
}

TEST_F(TextEncodings, QuoteSrcAttributes)
{
    const struct {
        const char* input;
        const char* quoted;
    } cases[] = {
        {"<img src=a.gif width=10>", "<img src=\"a.gif\" width=10>"},
        {"<img src=a.gif>", "<img src=\"a.gif\">"},
        {"<img src=\"a.gif\" width=10>", "<img src=\"a.gif\" width=10>"},
        {"<img src='a.gif'>", "<img src='a.gif'>"},
        {"<img src=a.gif><p>Hello world", "<img src=\"a.gif\"><p>Hello world"},
        {"<IMG SRC=b.png\nalt=x><img src=c.png>", "<IMG SRC=\"b.png\"\nalt=x><img src=\"c.png\">"},
        {"src=", "src="},
        {"text src=unterminated", "text src=unterminated"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Applied(c.input, QuoteSrcAttributes), c.quoted) << c.input;
}

TEST_F(TextEncodings, ExtractURLTokens)
{
    EXPECT_EQ(Tokens("<img src=\"images/logo.gif\">"), std::vector<std::string>{"images/logo.gif"});
    EXPECT_TRUE(Tokens("(a.b)").empty());
    EXPECT_EQ(Tokens("file.gif\nrest"), std::vector<std::string>{"file.gif"});
    EXPECT_TRUE(Tokens("see file.gif").empty());  // no terminator after the suffix
    EXPECT_TRUE(Tokens("<a href=\"mailto:someone@example.org\">x</a>").empty());
    EXPECT_TRUE(Tokens("<a href=\"#top.html\">").empty());
    EXPECT_TRUE(Tokens("<a href=\"MAILTO:a@b.com\">").empty());
    EXPECT_EQ(Tokens("(www.example.com)"), std::vector<std::string>{"www.example.com"});
    EXPECT_EQ(Tokens("'a.gif' 'a.gif'"), (std::vector<std::string>{"a.gif", "a.gif"}));
    EXPECT_TRUE(Tokens("'hello world.gif'").empty());  // a space is no URL character
    EXPECT_TRUE(Tokens("'x.longer'").empty());           // over four bytes and no known extension
    EXPECT_TRUE(Tokens("'x.123'").empty());              // no letter after the first byte
    const std::string longName = "'" + std::string(300, 'n') + ".gif'";
    ASSERT_EQ(Tokens(longName.c_str()).size(), 1u);
    EXPECT_EQ(Tokens(longName.c_str())[0].size(), 255u);

    CList<CString256> list;
    list.Append(CString256("kept"));
    ExtractURLTokens(CText("\"a.gif\""), list);
    EXPECT_EQ(list.Count(), 2);
}

TEST_F(TextEncodings, WholeWords)
{
    const CSeparatorSet separators(" ,.");
    CText text("cat catalog, cat.");
    EXPECT_TRUE(IsWholeWordAt(text, separators, 0, 3));
    EXPECT_FALSE(IsWholeWordAt(text, separators, 4, 3));
    EXPECT_EQ(FindWholeWord(text, separators, "cat", 1), 13);
    EXPECT_EQ(FindWholeWordNoCase(text, separators, "CAT"), 0);
    EXPECT_EQ(FindWholeWord(text, separators, "dog"), -1);
    EXPECT_FALSE(IsWholeWordAt(text, separators, 15, 5));  // past the end

    EXPECT_EQ(Applied("cat catalog, cat.", [&](CText& t) { ReplaceWholeWords(t, separators, "cat", "cat cat"); }),
              "cat cat catalog, cat cat.");
    EXPECT_EQ(Applied("Cat catalog CAT", [&](CText& t) { ReplaceWholeWordsNoCase(t, separators, "cat", "dog"); }),
              "dog catalog dog");
    EXPECT_EQ(Applied("a cat catalog", [](CText& t) { MarkBold(t, "cat"); }), "a <B>cat</B> catalog");
    EXPECT_EQ(Applied("Cat catalog cat", [&](CText& t) { MarkBoldWholeWordsNoCase(t, separators, "cat"); }),
              "<B>cat</B> catalog <B>cat</B>");
}

TEST_F(TextEncodings, CleanUpsAndKeyLines)
{
    EXPECT_EQ(Applied("a\x01Zo\xC3\xAB\x7F", ReplaceNonPrintable), "a Zo\xC3\xAB ");
    EXPECT_EQ(Applied(std::string("a\0b", 3), ReplaceNuls), "a b");
    EXPECT_EQ(Applied("a  b   c", SqueezeSpaces), "a b c");
    EXPECT_EQ(Applied("x&amp;y<b>z", BlankMarkup), "x     y   z");
    EXPECT_EQ(Applied("ABC\xC3\x89", MakeLower), "abc\xC3\x89");
    EXPECT_EQ(Applied("ab\xC3\xA9", Reverse), "\xC3\xA9" "ba");
    EXPECT_EQ(Applied("a-b_c", [](CText& t) { RemoveChars(t, "-_"); }), "abc");
    EXPECT_EQ(Applied("a-b_c", [](CText& t) { ReplaceCharsInSet(t, "-_", ' '); }), "a b c");
    EXPECT_EQ(Applied("<p>x</p><br", StripTags), "x<br");
    EXPECT_EQ(Applied("<a href=\"u\">x</a>", StripAnchorOpenings), ">x</a>");

    CText text("head\r");
    CList<CString256> items;
    items.Append(CString256("a"));
    items.Append(CString256("b"));
    AppendKeyList(text, "Links", items);
    EXPECT_EQ(Str(text), "head\rLinks a,b\xE2\x80\xA2\r");
    AppendKeyValue(text, "Count", 3L);
    EXPECT_EQ(Str(text), "head\rLinks a,b\xE2\x80\xA2\rCount 3\xE2\x80\xA2\r");

    const char* some = "x";
    CText bufferless(some + 1, some);  // last before first: a text without a buffer
    EscapeFormChars(bufferless);
    AppendKeyList(bufferless, "Links", items);
    EXPECT_EQ(bufferless.buffer, nullptr);
}

TEST_F(TextEncodings, IsHTMLAndInsideTag)
{
    CText html("<!doctype html><p class=x>text</p>");
    EXPECT_TRUE(IsHTML(html));
    EXPECT_FALSE(IsHTML(CText("<p>plain</p>")));
    EXPECT_TRUE(IsInsideTag(html, 20));   // inside <p class=x>
    EXPECT_FALSE(IsInsideTag(html, 27));  // in "text"
    EXPECT_FALSE(IsInsideTag(html, 15));  // on a "<"
}

TEST_F(TextEncodings, AppendDateTimeUsesTheLongDateAndTheTimeWithSeconds)
{
    CText text("At ");
    AppendDateTime(text);
    const std::string appended = Str(text).substr(3);
    const QDateTime now = QDateTime::currentDateTime();
    const std::string date = LongDateText(now.date()).toStdString();
    EXPECT_EQ(appended.substr(0, date.size() + 2), date + ", ");
}

TEST_F(TextEncodings, ALongReplacementOnACooperativeThreadLetsOthersRun)
{
    LMainContext::Get();
    int otherRounds = 0;
    int roundsDuringReplacement = -1;
    bool replaced = false;
    auto* replacer = new FunctionThread([&] {
        CText text(std::string(10000, 'a').c_str());
        const int before = otherRounds;
        ReplaceChar(text, 'a', 'b');
        roundsDuringReplacement = otherRounds - before;
        replaced = Str(text) == std::string(10000, 'b');
    });
    auto* other = new FunctionThread([&] {
        while (roundsDuringReplacement < 0) {
            ++otherRounds;
            LThread::Yield();
        }
    });
    replacer->Resume();
    other->Resume();
    EXPECT_TRUE(LThread::WaitUntil([&] { return roundsDuringReplacement >= 0 && replaced; },
                                   DeadlineAfter(std::chrono::seconds(5))));
    EXPECT_GE(roundsDuringReplacement, 9);
    LThread::WaitUntil([&] { return false; }, DeadlineAfter(std::chrono::milliseconds(50)));
}
