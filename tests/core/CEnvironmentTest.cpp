// The environment: its start-up settings and their defaults, the user agent, the blacklist, the
// program-wide pointer, the entity table and the extension map built from a mapping table.
#include "CEnvironment.h"

#include "CFPreferenceDomain.h"
#include "CFileTypeMaps.h"
#include "EnvironmentTestSupport.h"
#include "PathHelpers.h"
#include "PreferenceGetters.h"
#include "TextEncodings.h"
#include "WebEnvironment.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class CEnvironmentSettings : public EnvironmentTest {};

std::string MIMETypeOf(const CEnvironment& environment, const char* extension)
{
    const ICMapEntry* entry = environment.FindExtension(extension);
    return entry != nullptr ? entry->MIMEType : "(none)";
}

}  // namespace

TEST_F(CEnvironmentSettings, ProgramWidePointerIsNullBeforeAndAfter)
{
    EXPECT_EQ(gEnvironment, nullptr);
    gEnvironment = new CEnvironment;
    EXPECT_NE(GetCharacterMaps(), nullptr);
    delete gEnvironment;
    EXPECT_EQ(gEnvironment, nullptr);
    EXPECT_EQ(GetCharacterMaps(), nullptr);
}

TEST_F(CEnvironmentSettings, NumbersAndTheirDefaults)
{
    const struct {
        const char* value;
        SInt32 timeout;
        SInt32 errors;
    } cases[] = {{nullptr, 15, 3}, {"", 15, 3}, {"0", 0, 0}, {"abc", 0, 0}, {"42", 42, 42}, {"7x", 7, 7}};
    for (const auto& c : cases) {
        Set(kNetworkTimeoutKey, c.value);
        Set(kConsecutiveErrorsKey, c.value);
        CEnvironment environment;
        EXPECT_EQ(environment.networkTimeout, c.timeout) << (c.value ? c.value : "(absent)");
        EXPECT_EQ(environment.consecutiveErrors, c.errors) << (c.value ? c.value : "(absent)");
    }
}

TEST_F(CEnvironmentSettings, FlagsAreOnUnlessMissingOrFalse)
{
    const struct {
        const char* value;
        UInt8 on;
    } cases[] = {{nullptr, 0}, {"false", 0}, {"yes", 1}, {"true", 1}, {"", 1}};
    for (const auto& c : cases) {
        Set(kDateStampLogEntriesKey, c.value);
        Set(kVerboseLoggingKey, c.value);
        Set(kDisplayMessageEditorsWithSheetsKey, c.value);
        CEnvironment environment;
        EXPECT_EQ(environment.dateStampLogEntries, c.on) << (c.value ? c.value : "(absent)");
        EXPECT_EQ(environment.verboseLogging, c.on);
        EXPECT_EQ(environment.messageEditorsWithSheets, c.on);
        environment.SetOption(0);
        EXPECT_EQ(environment.verboseLogging, 0);
    }
}

TEST_F(CEnvironmentSettings, BlacklistKeepsOnlyStringsOfAnArray)
{
    const auto domain = CFPreferenceDomain::Application();
    ASSERT_EQ(domain.SetValue(kBlacklistKey, CFPropertyList("a@example.org")), 0);
    {
        CEnvironment environment;
        EXPECT_TRUE(environment.blacklist.isEmpty());
    }
    CFPropertyList::Array array{CFPropertyList("a@example.org"), CFPropertyList(5), CFPropertyList("b@example.org")};
    ASSERT_EQ(domain.SetValue(kBlacklistKey, CFPropertyList(array)), 0);
    CEnvironment environment;
    EXPECT_EQ(environment.blacklist, (QStringList{"a@example.org", "b@example.org"}));
}

TEST_F(CEnvironmentSettings, UserAgent)
{
    CEnvironment environment;
    environment.version.Assign("2.1");
    CString256 agent;
    environment.GetUserAgent(agent);
    EXPECT_STREQ(agent.text, "Brevanto (2.1)");
    Set(kUserAgentKey, "");
    environment.GetUserAgent(agent);
    EXPECT_STREQ(agent.text, "Brevanto (2.1)");
    Set(kUserAgentKey, "Agent\r\nX-Injected: 1");
    environment.GetUserAgent(agent);
    EXPECT_STREQ(agent.text, "Agent  X-Injected: 1");
}

TEST_F(CEnvironmentSettings, MembersBuiltAtStartUp)
{
    CEnvironment environment;
    EXPECT_STREQ(environment.documentExtension.text, "bvto");
    EXPECT_STREQ(environment.untitledName.text, "Untitled");
    EXPECT_EQ(environment.addressBookFramework, nullptr);
    EXPECT_EQ(environment.logFile, nullptr);
    ASSERT_NE(environment.htmlEntityTable, nullptr);  // from the bundle's ISO8859.txt
    EXPECT_EQ(environment.htmlEntityTable->Count(), 100);
    ASSERT_NE(environment.recentItems, nullptr);
    EXPECT_EQ(environment.recentItems->mCapacity, 10);
    EXPECT_EQ(environment.icons[1].type, OSType('APPL'));
    EXPECT_EQ(environment.icons[8].type, OSType('SEeT'));
}

TEST_F(CEnvironmentSettings, ExtensionMapFromTheMappingTable)
{
    WriteMappingTable("# a comment\n"
                      "application/pdf\t\tpdf\n"
                      "text/plain txt\n"
                      "text/x-later txt\n"                  // a later duplicate wins
                      "text/x-vcard vcf\n"                  // the program's own entry wins
                      "message/x-upper EML\n"
                      "garbage-without-slash foo\n"         // malformed: skipped
                      "\n"
                      "image/png png # trailing comment\n");
    CEnvironment environment;
    EXPECT_EQ(MIMETypeOf(environment, ".pdf"), "application/pdf");
    EXPECT_EQ(MIMETypeOf(environment, ".txt"), "text/x-later");
    EXPECT_EQ(MIMETypeOf(environment, ".vcf"), "text/directory");
    EXPECT_EQ(MIMETypeOf(environment, ".eml"), "message/rfc822");
    EXPECT_EQ(MIMETypeOf(environment, ".EML"), "(none)");  // keys are lower case
    EXPECT_EQ(MIMETypeOf(environment, ".foo"), "(none)");
    EXPECT_EQ(MIMETypeOf(environment, ".png"), "image/png");
    EXPECT_EQ(environment.FindExtension(".pdf")->fileType, 0u);  // no file is text by its name alone
    CString256 mimeType;
    EXPECT_TRUE(GetMIMETypeForName("Report.PDF", mimeType));  // the path helpers read the same map
    EXPECT_STREQ(mimeType.text, "application/pdf");
    OSType creator = 1, type = 1;
    EXPECT_TRUE(MapFilenameIC("card.vcf", creator, type));
    EXPECT_EQ(type, 0u);
    gEnvironment = &environment;
    EXPECT_TRUE(IsKnownExtension("PDF"));
    EXPECT_FALSE(IsKnownExtension("foo"));
    gEnvironment = nullptr;
}

TEST_F(CEnvironmentSettings, MissingMappingTableLeavesTheProgramsOwnEntries)
{
    InternetConfigMap::SetTablePath(Folder() + "/no-such-file");
    CEnvironment environment;
    EXPECT_EQ(environment.extensionMap.Count(), 3);
    EXPECT_EQ(MIMETypeOf(environment, ".dmg"), "application/octet-stream");
}

TEST_F(CEnvironmentSettings, TheSharedTablesLeaveWithTheEnvironment)
{
    WriteMappingTable("application/pdf pdf\n");
    Set(kUserAgentKey, "Test Agent");
    {
        CEnvironment environment;
        EXPECT_NE(CFileTypeMaps::Installed(), nullptr);
        EXPECT_EQ(WebEnvironment::UserAgent(), "Test Agent");  // web requests send the setting
        EXPECT_EQ(WebEnvironment::MIMETypeForExtension(".pdf"), "application/pdf");
        EXPECT_EQ(WebEnvironment::MIMETypeForExtension(".foo"), std::nullopt);
    }
    EXPECT_EQ(CFileTypeMaps::Installed(), nullptr);
    EXPECT_EQ(WebEnvironment::UserAgent(), "Brevanto");
    EXPECT_EQ(WebEnvironment::MIMETypeForExtension(".pdf"), std::nullopt);
    CString256 mimeType;
    EXPECT_FALSE(GetMIMETypeForName("a.pdf", mimeType));
}
