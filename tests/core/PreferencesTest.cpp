// Preferences access: text values in the application's domain, absent and non-text values, the
// store's errors answered, and the any-user path with its fall-back.
#include "Preferences.h"

#include "CFPreferenceDomain.h"
#include "CFPropertyListReader.h"
#include "PrivateHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>
#include <string>

namespace {

class Preferences : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(mHome.IsValid()); }

    // The stored text, or "<null>".
    static std::string Read(const char* key, UInt8 anyUser = 0)
    {
        const std::unique_ptr<char[]> value = GetPreference(CString256(key), anyUser);
        return value ? std::string(value.get()) : std::string("<null>");
    }

    PrivateHome mHome;
};

TEST_F(Preferences, TextValuesRoundTrip)
{
    const std::string longText(10000, 'x');
    const struct {
        const char* key;
        const char* value;
        std::string expected;
    } cases[] = {
        {"Log", "true", "true"},
        {"Empty", "", ""},
        {"Signature", "Zoë — 日本語", "Zoë — 日本語"},
        {"Latin-1 bytes", "caf\xE9", "caf\xC3\xA9"},
        {"Long", longText.c_str(), longText},
        {"Line ends", "a\rb\r\nc", "a\rb\r\nc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SetPreference(c.value, CString256(c.key), 0), noErr) << c.key;
        EXPECT_EQ(Read(c.key), c.expected) << c.key;
        const std::unique_ptr<char[]> copy = GetPreferenceValue(CString256(c.key), 0);
        ASSERT_TRUE(copy) << c.key;
        EXPECT_EQ(std::string(copy.get()), c.expected) << c.key;
    }
    QFile file(CFPreferenceDomain::Application().FilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(CFPropertyListReader::Read(file.readAll()).Value("Signature").ToString(),
              QString::fromUtf8("Zoë — 日本語"));
}

TEST_F(Preferences, MissingRemovedAndNonTextValuesReadAsNull)
{
    EXPECT_EQ(Read("Never Written"), "<null>");

    ASSERT_EQ(SetPreference("15", CString256("Network Timeout")), noErr);
    ASSERT_EQ(SetPreference(nullptr, CString256("Network Timeout")), noErr);
    EXPECT_EQ(Read("Network Timeout"), "<null>");

    ASSERT_EQ(SetPreference("kept", CString256("Kept")), noErr);
    EXPECT_EQ(SetPreferenceValue(nullptr, CString256("Kept")), paramErr);
    EXPECT_EQ(Read("Kept"), "kept");

    const CFPreferenceDomain domain = CFPreferenceDomain::Application();
    ASSERT_EQ(domain.SetValue("Auto Save Period", 10), noErr);
    ASSERT_EQ(domain.SetValue("Blacklist", CFPropertyList::Array{"a@example.com"}), noErr);
    ASSERT_EQ(domain.SetValue("Flag", true), noErr);
    for (const char* key : {"Auto Save Period", "Blacklist", "Flag"})
        EXPECT_EQ(Read(key), "<null>") << key;
}

TEST_F(Preferences, AKeyOf255BytesIsUsedWhole)
{
    const std::string key(255, 'k');
    const std::string shorter(254, 'k');
    ASSERT_EQ(SetPreference("whole", CString256(key.c_str())), noErr);
    ASSERT_EQ(SetPreference("shorter", CString256(shorter.c_str())), noErr);
    EXPECT_EQ(Read(key.c_str()), "whole");
    EXPECT_EQ(Read(shorter.c_str()), "shorter");
}

TEST_F(Preferences, AStoreFailureIsAnsweredAndChangesNothing)
{
    // A file where the preferences folder belongs: no write can succeed, whoever runs the test.
    QDir().mkpath(mHome.ConfigFolder());
    QFile blocker(mHome.ConfigFolder() + "/Brevanto");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_NE(SetPreference("true", CString256("Log")), noErr);
    EXPECT_EQ(Read("Log"), "<null>");
}

TEST_F(Preferences, TheAnyUserFlagReadsThatDomainFirstAndWritesFallBack)
{
    ASSERT_EQ(SetPreference("user", CString256("Where")), noErr);
    EXPECT_EQ(Read("Where", 1), "user") << "missing in the any-user domain: the user's value";

    ASSERT_EQ(SetPreference("system", CString256("Where"), 1), noErr);
    EXPECT_TRUE(QFile::exists(mHome.SystemConfigFolder() + "/Brevanto/org.brevanto.Brevanto.plist"));
    EXPECT_EQ(Read("Where", 1), "system");
    EXPECT_EQ(Read("Where", 0), "user");

    // An any-user folder that cannot hold files: the write lands in the user's domain.
    QFile blocker(mHome.Path("blocked"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("XDG_CONFIG_DIRS", QFile::encodeName(mHome.Path("blocked")));
    ASSERT_EQ(SetPreference("fell back", CString256("Fallback"), 1), noErr);
    EXPECT_EQ(Read("Fallback", 0), "fell back");
    EXPECT_EQ(Read("Fallback", 1), "fell back");
}

TEST(PreferenceStrings, PascalConversionsKeepBytesAndCutOnCharacters)
{
    const unsigned char pascal[] = "\x05" "Zo\xC3\xAB!";
    char buffer[256];
    PStringToCString(pascal, buffer);
    EXPECT_STREQ(buffer, "Zoë!");

    Str255 out;
    CStringToPString("Zoë", out);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(std::memcmp(out + 1, "Zo\xC3\xAB", 4), 0);

    std::string accents;
    for (int i = 0; i < 200; ++i)
        accents += "é";
    CStringToPString(accents.c_str(), out);
    EXPECT_EQ(out[0], 254) << "a 2-byte character is never split";
    CStringToPString(nullptr, out);
    EXPECT_EQ(out[0], 0);

    EXPECT_EQ(GetBundleIdentifier(), "org.brevanto.Brevanto");
}

} // namespace
