// Preference domains: one property-list file per domain, written at once and atomically, re-read
// when another process changed it, a corrupt file moved aside, failures reported and harmless.
#include "CFPreferenceDomain.h"
#include "CFPropertyListReader.h"
#include "PrivateHome.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <unistd.h>

namespace {

class PreferenceDomain : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(mHome.IsValid()); }

    static QByteArray Contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static CFPropertyList Parsed(const QString& path)
    {
        return CFPropertyListReader::Read(Contents(path));
    }
    // True when this process ignores file permissions (root), so permission tests cannot fail.
    bool OverridesPermissions()
    {
        const QString probe = mHome.Path("probe");
        QDir().mkpath(probe);
        QFile::setPermissions(probe, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QFile file(probe + "/x");
        const bool overrides = file.open(QIODevice::WriteOnly);
        QFile::setPermissions(probe, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        return overrides;
    }

    PrivateHome mHome;
};

TEST_F(PreferenceDomain, FilesFollowTheEnvironmentAndTheBundleIdentifier)
{
    EXPECT_EQ(CFPreferenceDomain::Application().FilePath(),
              mHome.ConfigFolder() + "/Brevanto/org.brevanto.Brevanto.plist");
    EXPECT_EQ(CFPreferenceDomain::AnyUserApplication().FilePath(),
              mHome.SystemConfigFolder() + "/Brevanto/org.brevanto.Brevanto.plist");
}

TEST_F(PreferenceDomain, EveryWriteLeavesAFileThatParses)
{
    const CFPreferenceDomain domain = CFPreferenceDomain::Application();
    EXPECT_TRUE(domain.CopyValue("Log").IsNull());
    const CFPropertyList servers = CFPropertyList::Array{CFPropertyList::Dictionary{{"Host", "127.0.0.1"}}};
    const struct {
        const char* key;
        CFPropertyList value;
    } writes[] = {{"Log", "true"}, {"Empty", QString("")}, {"MailServers", servers}, {"Count", 3},
                  {"Log", CFPropertyList()}, {"Blacklist", CFPropertyList::Array{"a@example.com"}}};
    CFPropertyList::Dictionary expected;
    for (const auto& write : writes) {
        ASSERT_EQ(domain.SetValue(write.key, write.value), noErr) << write.key;
        if (write.value.IsNull())
            expected.remove(write.key);
        else
            expected.insert(write.key, write.value);
        EXPECT_EQ(Parsed(domain.FilePath()), CFPropertyList(expected)) << "after writing " << write.key;
        EXPECT_EQ(domain.CopyValue(write.key), write.value);
    }
    EXPECT_EQ(domain.CopyValue("Empty"), CFPropertyList(QString("")));
    EXPECT_EQ(QDir(mHome.ConfigFolder() + "/Brevanto").entryList(QDir::Files), QStringList{"org.brevanto.Brevanto.plist"})
        << "no temporary file stays behind";
}

TEST_F(PreferenceDomain, AnotherProcesssKeySurvivesOurNextWrite)
{
    const CFPreferenceDomain domain = CFPreferenceDomain::Application();
    ASSERT_EQ(domain.SetValue("Ours", 1), noErr);
    QProcess python;
    python.start("/usr/bin/python3", {"-c", R"(
import os, plistlib, sys
path = sys.argv[1]
with open(path, 'rb') as f:
    values = plistlib.load(f)
values['Theirs'] = 'from another process'
with open(path + '.tmp', 'wb') as f:
    plistlib.dump(values, f)
os.replace(path + '.tmp', path)
)",
                                          domain.FilePath()});
    ASSERT_TRUE(python.waitForFinished(30000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();

    EXPECT_EQ(domain.CopyValue("Theirs").ToString(), "from another process");
    ASSERT_EQ(domain.SetValue("Ours", 2), noErr);
    EXPECT_EQ(Parsed(domain.FilePath()),
              CFPropertyList(CFPropertyList::Dictionary{{"Ours", 2}, {"Theirs", "from another process"}}));
}

TEST_F(PreferenceDomain, ACorruptFileIsMovedAsideAndTheDomainStartsEmpty)
{
    const CFPreferenceDomain domain = CFPreferenceDomain::Application();
    QDir().mkpath(mHome.ConfigFolder() + "/Brevanto");
    const QByteArray corrupt = "<plist><dict><key>Log</key><string>true</dict></plist>";
    for (const QByteArray& bytes : {corrupt, QByteArray("<plist><string>not a dictionary</string></plist>")}) {
        QFile file(domain.FilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        EXPECT_TRUE(domain.CopyValue("Log").IsNull());
        EXPECT_FALSE(domain.LastError().isEmpty());
        EXPECT_FALSE(QFile::exists(domain.FilePath()));
    }
    const QStringList aside = QDir(mHome.ConfigFolder() + "/Brevanto")
                                  .entryList({"org.brevanto.Brevanto.plist.unreadable-*"}, QDir::Files, QDir::Name);
    ASSERT_EQ(aside.size(), 2);
    EXPECT_EQ(Contents(mHome.ConfigFolder() + "/Brevanto/" + aside.first()), corrupt);

    ASSERT_EQ(domain.SetValue("Log", "false"), noErr);
    EXPECT_EQ(Parsed(domain.FilePath()), CFPropertyList(CFPropertyList::Dictionary{{"Log", "false"}}));
}

TEST_F(PreferenceDomain, AValueThatCannotBeWrittenIsReportedAndKeepsTheOldFile)
{
    const CFPreferenceDomain domain = CFPreferenceDomain::Application();
    ASSERT_EQ(domain.SetValue("Log", "true"), noErr);
    const QByteArray before = Contents(domain.FilePath());
    EXPECT_EQ(domain.SetValue("Bad", CFPropertyList::Array{CFPropertyList()}), paramErr);
    EXPECT_FALSE(domain.LastError().isEmpty());
    EXPECT_EQ(Contents(domain.FilePath()), before);
    EXPECT_TRUE(domain.CopyValue("Bad").IsNull());
}

TEST_F(PreferenceDomain, AReadOnlyFolderIsReportedAndKeepsTheOldFile)
{
    if (OverridesPermissions())
        GTEST_SKIP() << "this process ignores file permissions";
    const CFPreferenceDomain domain = CFPreferenceDomain::Application();
    ASSERT_EQ(domain.SetValue("Log", "true"), noErr);
    const QByteArray before = Contents(domain.FilePath());
    const QString folder = mHome.ConfigFolder() + "/Brevanto";
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);

    EXPECT_EQ(domain.SetValue("Log", "false"), permErr);
    EXPECT_FALSE(domain.LastError().isEmpty());
    EXPECT_EQ(Contents(domain.FilePath()), before);
    EXPECT_EQ(domain.CopyValue("Log").ToString(), "true");

    // A file that cannot be read is never replaced by what little we know.
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(domain.FilePath(), QFileDevice::Permissions());
    EXPECT_EQ(domain.SetValue("Other", "x"), permErr);
    QFile::setPermissions(domain.FilePath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(Contents(domain.FilePath()), before);
}

// A write killed between its temporary file and the rename leaves the temporary behind: the
// next write clears it away.
TEST_F(PreferenceDomain, TheNextWriteRemovesAnInterruptedWritesTemporaryFile)
{
    const CFPreferenceDomain domain = CFPreferenceDomain::Application();
    ASSERT_EQ(domain.SetValue("Log", "true"), noErr);
    const QString leftover = QFileInfo(domain.FilePath()).absolutePath() + "/.brevanto-write-0badf00d";
    QFile file(leftover);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<?xml");
    file.flush();
    file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime);
    file.close();

    ASSERT_EQ(domain.SetValue("Log", "false"), noErr);
    EXPECT_FALSE(QFileInfo::exists(leftover));
    EXPECT_EQ(Parsed(domain.FilePath()), CFPropertyList(CFPropertyList::Dictionary{{"Log", "false"}}));
}

TEST_F(PreferenceDomain, ASymbolicLinkStaysALinkAndItsTargetIsReplaced)
{
    const CFPreferenceDomain domain = CFPreferenceDomain::Application();
    QDir().mkpath(mHome.ConfigFolder() + "/Brevanto");
    const QString target = mHome.Path("dotfiles.plist");
    ASSERT_TRUE(QFile::link(target, domain.FilePath()));
    ASSERT_EQ(domain.SetValue("Log", "true"), noErr);
    EXPECT_TRUE(QFileInfo(domain.FilePath()).isSymLink());
    EXPECT_EQ(Parsed(target), CFPropertyList(CFPropertyList::Dictionary{{"Log", "true"}}));
}

} // namespace
