// The general log through the environment: exact entries, the date-stamp prefix, runs appended
// one after another, line ends, and a Logs folder that cannot be made.
#include "CLogFile.h"

#include "EnvironmentTestSupport.h"
#include "PreferenceGetters.h"
#include "WorkingFolders.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>

namespace {

class CLogFileTest : public EnvironmentTest {
protected:
    QString LogPath() const { return DataFolder() + "/Tessaroc Software/Brevanto/Logs/Brevanto.log"; }

    QByteArray LogBytes() const
    {
        QFile file(LogPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static QRegularExpression Line(const char* pattern) { return QRegularExpression(QString::fromUtf8(pattern)); }
};

}  // namespace

TEST_F(CLogFileTest, EntriesAreExactWithoutDateStamps)
{
    CEnvironment environment;
    environment.version.Assign("2.1");
    environment.OpenLog();
    ASSERT_NE(environment.logFile, nullptr);
    environment.LogLine("Mail sent");
    environment.LogLine("two\r\nlines\rhere");
    environment.CloseLog();
    EXPECT_EQ(environment.logFile, nullptr);

    const QList<QByteArray> lines = LogBytes().split('\n');
    ASSERT_EQ(lines.size(), 7);  // opening, entry, three lines, closing, and the empty rest
    EXPECT_TRUE(Line(R"(^Brevanto 2\.1 up at .+\.$)").match(lines[0]).hasMatch()) << lines[0].toStdString();
    EXPECT_EQ(lines[1], "Mail sent");
    EXPECT_EQ(lines[2], "two");
    EXPECT_EQ(lines[3], "lines");
    EXPECT_EQ(lines[4], "here");
    EXPECT_TRUE(Line(R"(^Brevanto 2\.1 down at .+\.$)").match(lines[5]).hasMatch()) << lines[5].toStdString();
    EXPECT_EQ(lines[6], "");
}

TEST_F(CLogFileTest, DateStampPrefixAndASecondRunAppends)
{
    {
        CEnvironment first;
        first.OpenLog();
        first.LogLine("first run");
    }  // destruction closes the log
    Set(kDateStampLogEntriesKey, "true");
    {
        CEnvironment second;
        second.OpenLog();
        second.OpenLog();  // the open log stays in use
        second.LogLine("Mail sent");
    }
    const QList<QByteArray> lines = LogBytes().split('\n');
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(lines[1], "first run");
    EXPECT_TRUE(lines[2].contains(" down at "));
    EXPECT_TRUE(lines[3].contains(" up at "));
    EXPECT_FALSE(lines[3].startsWith('['));  // run lines never get the prefix
    EXPECT_TRUE(Line(R"(^\[[^\]]+\] Mail sent$)").match(lines[4]).hasMatch()) << lines[4].toStdString();
    EXPECT_TRUE(lines[5].contains(" down at "));
}

TEST_F(CLogFileTest, AFileWhereTheLogsFolderShouldBeLeavesNoLog)
{
    ASSERT_TRUE(QDir().mkpath(DataFolder() + "/Tessaroc Software/Brevanto"));
    QFile blocker(DataFolder() + "/Tessaroc Software/Brevanto/Logs");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    CEnvironment environment;
    environment.OpenLog();
    EXPECT_EQ(environment.logFile, nullptr);
    environment.LogLine("nowhere to go");
    environment.CloseLog();
}

TEST_F(CLogFileTest, AnOpenFailureLeavesAQuietObject)
{
    CString256 version("1");
    UInt8 stamp = 0;
    CLogFile log(version, stamp);
    EXPECT_NE(log.Open((Folder() + "/missing/folder/Brevanto.log").toUtf8().constData()), noErr);
    EXPECT_FALSE(log.IsOpen());
    EXPECT_EQ(log.WriteLine(CText("lost")), noErr);
    EXPECT_EQ(log.Close(), noErr);
}
