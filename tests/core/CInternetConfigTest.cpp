// Internet Config access: starting and stopping, URL launching through a recording launcher, and
// the mapping iteration and file-name mapping over fixture tables.
#include "CInternetConfig.h"

#include "EnvironmentTestSupport.h"
#include "Launcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class RecordingLauncher : public Launcher {
public:
    bool Open(const QString& pathOrURL) override
    {
        opened.append(pathOrURL);
        return true;
    }
    QStringList opened;
};

class CInternetConfigTest : public EnvironmentTest {
protected:
    void SetUp() override
    {
        EnvironmentTest::SetUp();
        Launcher::Install(&mLauncher);
    }
    void TearDown() override
    {
        Launcher::Install(nullptr);
        EnvironmentTest::TearDown();
    }

    std::vector<std::string> Iterate(CInternetConfig& config)
    {
        std::vector<std::string> entries;
        EXPECT_EQ(config.BeginMapIteration(), noErr);
        ICMapEntry entry;
        while (config.NextMapEntry(entry))
            entries.push_back(entry.extension + " " + entry.MIMEType);
        EXPECT_EQ(config.EndMapIteration(), noErr);
        return entries;
    }

    RecordingLauncher mLauncher;
};

}  // namespace

TEST_F(CInternetConfigTest, LaunchURLOnlyWhenStarted)
{
    CInternetConfig config('KWRD');
    EXPECT_EQ(config.LaunchURL("https://example.org/help?a=1&b=2"), -1);
    EXPECT_TRUE(mLauncher.opened.isEmpty());

    ASSERT_EQ(config.Start(), noErr);
    unsigned char pascal[] = "\x1Amailto:someone@example.org";
    EXPECT_EQ(config.LaunchURL(pascal), noErr);
    EXPECT_EQ(config.LaunchURL("https://example.org/help?a=1&b=2"), noErr);
    EXPECT_EQ(mLauncher.opened, (QStringList{"mailto:someone@example.org", "https://example.org/help?a=1&b=2"}));

    config.Stop();
    config.Stop();
    EXPECT_FALSE(config.IsStarted());
    EXPECT_EQ(config.LaunchURL("https://example.org/"), -1);
    EXPECT_EQ(mLauncher.opened.size(), 2);
}

TEST_F(CInternetConfigTest, MappingIterationSkipsWhatCannotBeRead)
{
    WriteMappingTable("application/pdf pdf\n"
                      "not-a-type ext\n"
                      "#comment/type cmt\n"
                      "text/plain txt text\n"
                      "image/x-bad b/ad\n");
    CInternetConfig config('KWRD');
    ICMapEntry entry;
    EXPECT_EQ(config.BeginMapIteration(), -1);
    EXPECT_FALSE(config.NextMapEntry(entry));
    ASSERT_EQ(config.Start(), noErr);
    EXPECT_EQ(Iterate(config), (std::vector<std::string>{".pdf application/pdf", ".txt text/plain", ".text text/plain"}));
    EXPECT_EQ(config.EndMapIteration(), -1);  // no table held any more
}

TEST_F(CInternetConfigTest, EmptyTableEndsAtOnce)
{
    WriteMappingTable("# nothing but comments\n\ntext/x-no-extensions\n");
    CInternetConfig config('KWRD');
    ASSERT_EQ(config.Start(), noErr);
    EXPECT_TRUE(Iterate(config).empty());
}

TEST_F(CInternetConfigTest, MapFilenameCutsLongNamesTo255)
{
    WriteMappingTable("text/plain txt\n");
    CInternetConfig config('KWRD');
    ICMapEntry entry;
    EXPECT_EQ(config.MapFilename("a.txt", entry), -1);
    ASSERT_EQ(config.Start(), noErr);
    EXPECT_EQ(config.MapFilename("Notes.TXT", entry), noErr);
    EXPECT_EQ(entry.MIMEType, "text/plain");
    const std::string fits = std::string(251, 'n') + ".txt";         // 255 bytes
    const std::string tooLong = std::string(296, 'n') + ".txt";      // the extension lies past 255
    EXPECT_EQ(config.MapFilename(fits.c_str(), entry), noErr);
    EXPECT_EQ(config.MapFilename(tooLong.c_str(), entry), CInternetConfig::kPrefNotFoundErr);
    Str255 buffer;
    EXPECT_EQ(config.GetStringPref(reinterpret_cast<const unsigned char*>("\x03key"), buffer), -1);
}
