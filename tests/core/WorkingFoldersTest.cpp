// The support folders under a temporary XDG_DATA_HOME, the private temporary root and its
// work folders, and the file-name rules of WriteStringToFile.
#include "WorkingFolders.h"

#include "RecordingLauncher.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class WorkingFoldersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("XDG_DATA_HOME", (data.path() + "/share").toUtf8());
        qputenv("TMPDIR", temp.path().toUtf8());
    }
    QString Root() const { return temp.path() + "/Brevanto-" + QString::number(getuid()); }

    QTemporaryDir data;
    QTemporaryDir temp;
};

TEST_F(WorkingFoldersTest, SupportFoldersAreMadeUnderTheDataHome)
{
    const QString support = data.path() + "/share/Tessaroc Software/Brevanto";
    FSRef folder;
    ASSERT_TRUE(GetTessarocSupportFolder(&folder));
    EXPECT_EQ(QString::fromStdString(folder.path), support);
    struct {
        bool (*get)(FSRef*);
        const char* name;
    } subs[] = {{GetLogsFolder, "Logs"}, {GetMessageMonitorFolder, "MessageMonitor"}, {GetReportsFolder, "Reports"}};
    for (const auto& sub : subs) {
        ASSERT_TRUE(sub.get(&folder)) << sub.name;
        EXPECT_EQ(QString::fromStdString(folder.path), support + "/" + sub.name);
        EXPECT_TRUE(QFileInfo(support + "/" + sub.name).isDir());
        EXPECT_TRUE(sub.get(&folder)) << "an existing folder is fine";
    }
    EXPECT_FALSE(GetLogsFolder(nullptr));
}

TEST_F(WorkingFoldersTest, OpenReportsFolderGoesThroughTheLauncher)
{
    RecordingLauncher launcher;
    OpenReportsFolder();
    EXPECT_EQ(launcher.opened, QStringList {data.path() + "/share/Tessaroc Software/Brevanto/Reports"});
}

TEST_F(WorkingFoldersTest, WorkFoldersAreNewPrivateAndNamedByUUID)
{
    const QString a = MakeWorkFolder();
    const QString b = MakeWorkFolder();
    ASSERT_FALSE(a.isNull());
    EXPECT_NE(a, b);
    static const QRegularExpression uuid("/[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$");
    EXPECT_TRUE(uuid.match(a).hasMatch()) << a.toStdString();
    EXPECT_TRUE(a.startsWith(Root() + "/"));
    struct stat info {};
    ASSERT_EQ(stat(QFile::encodeName(Root()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_TRUE(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d \\+0000$")
                    .match(MakeUUIDName(true)).hasMatch());
}

TEST_F(WorkingFoldersTest, PlantedLinkAsRootMakesConversionsFail)
{
    QTemporaryDir elsewhere;
    ASSERT_TRUE(QFile::link(elsewhere.path(), Root()));
    EXPECT_TRUE(MakeWorkFolder().isNull());
    FSRef file;
    EXPECT_FALSE(WriteStringToFile("secret", "note.txt", &file));
    EXPECT_TRUE(QDir(elsewhere.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST_F(WorkingFoldersTest, WriteStringToFileKeepsInsideItsWorkFolder)
{
    FSRef file;
    ASSERT_TRUE(WriteStringToFile(QString::fromUtf8("Grüße\n"), "Mail subject.txt", &file));
    QFile written(QString::fromStdString(file.path));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("Gr\xc3\xbc\xc3\x9f" "e\n"));
    EXPECT_TRUE(QString::fromStdString(file.path).startsWith(Root() + "/"));

    const int before = QDir(Root()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size();
    for (const QString& bad : {QString("../x"), QString("a/b"), QString(""), QString("."), QString(".."),
                               QString("a") + QChar(0) + "b"})
        EXPECT_FALSE(WriteStringToFile("x", bad, &file)) << bad.toStdString();
    EXPECT_EQ(QDir(Root()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), before);
    EXPECT_FALSE(QFile::exists(temp.path() + "/x"));
}

} // namespace
