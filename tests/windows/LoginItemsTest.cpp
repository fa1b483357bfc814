// Launch at login against a private configuration folder, with desktop-file-validate as the
// judge of the entry.
#include "DesktopApps.h"
#include "LQtApplication.h"
#include "LoginItems.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

class LoginItemsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        LQtApplication::Instance();
        mSavedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", Config().toUtf8());
        QDir().mkpath(Config());
        // A program whose path needs every kind of quoting.
        QDir().mkpath(mScratch.path() + "/bin dir");
        mProgram = mScratch.path() + QStringLiteral("/bin dir/my \"prog\" 100% $HOME \\ \u00E9");
        WriteFile(mProgram, "#!/bin/sh\n");
        SetLoginItemProgram(mProgram);
    }
    void TearDown() override
    {
        SetLoginItemProgram(QString());
        qputenv("XDG_CONFIG_HOME", mSavedConfig);
    }

    QString Config() const { return mScratch.path() + "/config"; }
    QString Autostart() const { return Config() + "/autostart"; }
    QString Entry() const { return Autostart() + "/org.brevanto.Brevanto.desktop"; }
    static void WriteFile(const QString& inPath, const QByteArray& inBytes)
    {
        QFile file(inPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(inBytes);
    }
    static QByteArray ReadFile(const QString& inPath)
    {
        QFile file(inPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir mScratch;
    QByteArray mSavedConfig;
    QString mProgram;
};

} // namespace

TEST_F(LoginItemsTest, AddWritesOneValidEntryThatStartsThisProgram)
{
    ASSERT_TRUE(QDir().mkpath(Autostart()));
    const QByteArray other = "[Desktop Entry]\nType=Application\nName=Other\nExec=/usr/bin/other\n";
    WriteFile(Autostart() + "/other.desktop", other);

    EXPECT_TRUE(AddAppToLoginItems());
    QProcess validate;
    validate.start("desktop-file-validate", {Entry()});
    ASSERT_TRUE(validate.waitForFinished(20000)) << "desktop-file-validate must be installed";
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
    const std::optional<DesktopEntry> entry = DesktopApps::ReadFile(Entry());
    ASSERT_TRUE(entry);
    EXPECT_EQ(DesktopApps::SplitExec(entry->exec), QStringList{mProgram});

    const QByteArray written = ReadFile(Entry());
    EXPECT_FALSE(AddAppToLoginItems()) << "listed already";
    EXPECT_EQ(ReadFile(Entry()), written);

    EXPECT_TRUE(RemoveAppFromLoginItems());
    EXPECT_FALSE(QFile::exists(Entry()));
    EXPECT_FALSE(RemoveAppFromLoginItems()) << "not listed";
    EXPECT_EQ(ReadFile(Autostart() + "/other.desktop"), other) << "another program's entry is never touched";
}

TEST_F(LoginItemsTest, TheAutostartFolderIsMadeOnlyInsideAnExistingConfiguration)
{
    EXPECT_TRUE(AddAppToLoginItems());
    EXPECT_TRUE(QFile::exists(Entry())) << "autostart is created when absent";

    qputenv("XDG_CONFIG_HOME", (mScratch.path() + "/missing").toUtf8());
    EXPECT_FALSE(AddAppToLoginItems());
    EXPECT_FALSE(QFile::exists(mScratch.path() + "/missing"));
    EXPECT_TRUE(RemoveAppFromLoginItems()) << "nothing to remove";

    const QString plain = mScratch.path() + "/plain";
    ASSERT_TRUE(QDir().mkpath(plain));
    WriteFile(plain + "/autostart", "a file");
    qputenv("XDG_CONFIG_HOME", plain.toUtf8());
    EXPECT_FALSE(AddAppToLoginItems());
    EXPECT_TRUE(RemoveAppFromLoginItems());
}

TEST_F(LoginItemsTest, HiddenOrMovedEntriesAreReplaced)
{
    ASSERT_TRUE(QDir().mkpath(Autostart()));
    const QByteArray hidden = "[Desktop Entry]\nType=Application\nName=Brevanto\nExec=" +
                              LoginItemExec(mProgram).toUtf8() + "\nHidden=true\n";
    WriteFile(Entry(), hidden);
    EXPECT_FALSE(RemoveAppFromLoginItems()) << "a hidden entry counts as absent";
    EXPECT_TRUE(AddAppToLoginItems());
    EXPECT_FALSE(ReadFile(Entry()).contains("Hidden"));

    WriteFile(Entry(), "[Desktop Entry]\nType=Application\nName=Brevanto\nExec=/old/place/brevanto\n");
    EXPECT_TRUE(AddAppToLoginItems()) << "the program has moved since";
    EXPECT_EQ(DesktopApps::SplitExec(DesktopApps::ReadFile(Entry())->exec), QStringList{mProgram});
}
