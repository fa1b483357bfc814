// Header forms of names, addresses and subjects: the exact texts, and the rules that keep data
// from breaking a header (no CR/LF, specials quoted, non-ASCII as UTF-8 words, the address
// never cut). MailOracleTest reads the same forms back with Python's email package.

#include "BuildFixture.h"
#include "HeaderForms.h"
#include "Message.h"

#include <QString>

namespace {

struct NameCase {
    const char* name;
    const char* address;
    const char* form;
};

}  // namespace

TEST(HeaderForms, NameAndAddressForms)
{
    const NameCase cases[] = {
        {"Ada Lovelace", "ada@example.org", "Ada Lovelace <ada@example.org>"},
        {"", "ada@example.org", "ada@example.org"},
        {"   ", "ada@example.org", "ada@example.org"},
        {"Ada", "", ""},
        {"Smith, John", "js@example.org", "\"Smith, John\" <js@example.org>"},
        {"Ann \"the boss\" Lee", "a@x.org", "\"Ann \\\"the boss\\\" Lee\" <a@x.org>"},
        {"back\\slash", "b@x.org", "\"back\\\\slash\" <b@x.org>"},
        {"J. R. Hacker", "j@x.org", "\"J. R. Hacker\" <j@x.org>"},
        {"Eve\r\nBcc: victim@x.org", "eve@x.org", "\"Eve  Bcc: victim@x.org\" <eve@x.org>"},
        {"Zo\xC3\xAB", "z@x.org", "=?UTF-8?B?Wm/Dqw==?= <z@x.org>"},
        {"=?UTF-8?B?Zm9v?=", "f@x.org", "=?UTF-8?B?PT9VVEYtOD9CP1ptOXY/PQ==?= <f@x.org>"},
        {"Ada", " ada@example.org\r\n", "Ada <ada@example.org>"},
        // An address is refused, never joined into another one.
        {"Ada", " ada@exa mple.org\r\n", ""},
        {"Ada", "<ada@x.org>, evil@y.org", ""},
        {"Ann", "ann@example.org\r\nBcc:victim@x.example", ""},
        {"Ann", "ann@example.org\tx", ""},
    };
    for (const NameCase& c : cases) {
        EXPECT_EQ(MakeAddressHeaderForm(QString::fromUtf8(c.name), QString::fromUtf8(c.address)), c.form)
            << c.name;
    }
}

TEST(HeaderForms, LongNamesAreCutOnCharactersAndNeverTheAddress)
{
    // 100 two-byte characters: cut to 64 characters (128 bytes), words of at most 75 characters.
    QString name;
    for (int i = 0; i < 100; ++i)
        name += QChar(0x00E9);
    const std::string form = MakeAddressHeaderForm(name, QStringLiteral("long@example.org"));
    EXPECT_TRUE(form.ends_with(" <long@example.org>"));
    size_t start = 0;
    int words = 0;
    for (size_t end; (end = form.find(' ', start)) != std::string::npos; start = end + 1, ++words)
        EXPECT_LE(end - start, 75u);
    EXPECT_EQ(words, 3);  // 44 + 44 + 40 bytes

    std::string address(240, 'a');
    address += "@example.org";
    const std::string limited = MakeAddressHeaderForm(QStringLiteral("Some Name"), QString::fromStdString(address), 255);
    EXPECT_EQ(limited, address);  // the name goes, the 252-byte address stays whole
    const std::string shortened = MakeAddressHeaderForm(QStringLiteral("Some Name"), QStringLiteral("a@b.org"), 18);
    EXPECT_EQ(shortened, "Some Nam <a@b.org>");
}

TEST(HeaderForms, SubjectWordsCutOnCharacterBoundaries)
{
    struct SubjectCase {
        std::string text;
        std::string words;
    };
    const SubjectCase cases[] = {
        {"", ""},
        // 40 bytes with CR, LF and TAB: they become blanks, then 32 + 8 bytes.
        {"Line one\r\nline two\tand some more text!!!",
         "=?UTF-8?B?TGluZSBvbmUgIGxpbmUgdHdvIGFuZCBzb21lIG1vcmU=?=\r\n\t=?UTF-8?B?IHRleHQhISE=?="},
        // "é" would straddle bytes 32 and 33: the first word stops after 31 bytes.
        {std::string(31, 'a').append("\xC3\xA9" "b"),
         "=?UTF-8?B?YWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYWFhYQ==?=\r\n\t=?UTF-8?B?w6li?="},
    };
    for (const SubjectCase& c : cases)
        EXPECT_EQ(MakeSubjectWords(c.text.data(), c.text.size()), c.words) << c.text;
}

TEST(HeaderForms, EncodeCFStringExpandsMergeTagsFirst)
{
    FakeBuildWindow window;
    window.merge = [](CText& text) { text.ReplaceAll("{first}", "Ada\r\n"); };
    Message message;
    CText out("stale");
    EncodeCFString(message, window, out);  // null subject
    EXPECT_EQ(out.length, 0);
    message.SetSubjectString(QStringLiteral("Hi {first}"));
    EncodeCFString(message, window, out);
    EXPECT_STREQ(out.buffer, "=?UTF-8?B?SGkgQWRhICA=?=");  // "Hi Ada  "
}
