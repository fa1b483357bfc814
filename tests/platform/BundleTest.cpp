// The program's bundle: Info.plist compiled in, resources by name, real files for callers that
// need a path, auxiliary executables beside the program.
#include "CFBundle.h"
#include "CFPropertyListReader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

namespace {

TEST(Bundle, InfoPlistGivesIdentifierAndVersions)
{
    QFile source(BREVANTO_SOURCE_DIR "/resources/Info.plist");
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const CFPropertyList expected = CFPropertyListReader::Read(source.readAll());
    const CFBundle& bundle = CFBundle::Main();
    EXPECT_EQ(bundle.Identifier(), "org.brevanto.Brevanto");
    EXPECT_EQ(bundle.InfoDictionary(), expected);
    for (const char* key : {"CFBundleName", "CFBundleShortVersionString", "CFBundleVersion"}) {
        EXPECT_FALSE(bundle.ValueForInfoDictionaryKey(key).ToString().isEmpty()) << key;
        EXPECT_EQ(bundle.ValueForInfoDictionaryKey(key), expected.Value(key)) << key;
    }
}

TEST(Bundle, AMissingResourceAnswersNothing)
{
    const CFBundle& bundle = CFBundle::Main();
    EXPECT_TRUE(bundle.ResourcePath("No Such Sound", "aiff").isEmpty());
    EXPECT_FALSE(bundle.ReadResource("No Such Sound", "aiff").has_value());
    EXPECT_TRUE(bundle.MaterializedResourcePath("No Such Sound", "aiff").isEmpty());
    EXPECT_TRUE(bundle.ResourcePath("Info", "plist", "No Such Folder").isEmpty());
    EXPECT_TRUE(bundle.ResourcePath("../resources/Info", "plist").isEmpty());
}

TEST(Bundle, AMaterialisedFileHoldsTheResourceBytesInAPrivateFolder)
{
    const CFBundle& bundle = CFBundle::Main();
    EXPECT_EQ(bundle.ResourcePath("Info", "plist"), ":/Info.plist");
    const std::optional<QByteArray> bytes = bundle.ReadResource("Info", "plist");
    ASSERT_TRUE(bytes.has_value());
    const QString path = bundle.MaterializedResourcePath("Info", "plist");
    ASSERT_FALSE(path.isEmpty());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), *bytes);
    EXPECT_EQ(QFileInfo(QFileInfo(path).absolutePath()).permissions() & 0x0077, 0)
        << "only the owner reaches the folder";
    EXPECT_EQ(bundle.MaterializedResourcePath("Info", "plist"), path) << "made once per run";
}

TEST(Bundle, AuxiliaryExecutablesLieBesideTheProgram)
{
    const QFileInfo self(QFileInfo("/proc/self/exe").canonicalFilePath());
    EXPECT_EQ(CFBundle::Main().AuxiliaryExecutablePath(self.fileName()), self.filePath());
    EXPECT_TRUE(CFBundle::Main().AuxiliaryExecutablePath("no-such-helper").isEmpty());
}

} // namespace
