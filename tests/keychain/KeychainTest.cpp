// The keychain against a real Secret Service (gnome-keyring on the test's private session bus,
// see tests/peers/keyring_session.sh), checked from outside with secret-tool, and the file
// store used where no Secret Service answers.
#include "ApplicationFixture.h"
#include "Keychain.h"
#include "KeychainFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <sys/stat.h>

namespace {

const QString kService = QStringLiteral("Brevanto");

// Runs secret-tool with the arguments (and the standard input); its standard output.
QByteArray SecretTool(const QStringList& inArguments, const QByteArray& inInput = {})
{
    QProcess tool;
    tool.start("secret-tool", inArguments);
    EXPECT_TRUE(tool.waitForStarted(10000)) << "secret-tool did not start";
    tool.write(inInput);
    tool.closeWriteChannel();
    EXPECT_TRUE(tool.waitForFinished(20000)) << "secret-tool did not end";
    return tool.readAllStandardOutput();
}

QByteArray LookUp(const QString& inAccount)
{
    return SecretTool({"lookup", "service", kService, "account", inAccount});
}

mode_t ModeOf(const QString& inPath)
{
    struct stat status {};
    EXPECT_EQ(lstat(QFile::encodeName(inPath).constData(), &status), 0) << inPath.toStdString();
    return status.st_mode & 07777;
}

} // namespace

TEST(SecretServiceKeychain, StoresReplacesFindsAndDeletesWhatSecretToolSees)
{
    ASSERT_EQ(Keychain::StoreName(), "Secret Service");
    const QString account = "127.0.0.1:tester";
    const QByteArray password = QString("Pässwörd ✓ 密码").toUtf8();

    EXPECT_EQ(Keychain::AddGenericPassword(kService, account, "first"), noErr);
    EXPECT_EQ(Keychain::AddGenericPassword(kService, account, "second"), errSecDuplicateItem);
    EXPECT_EQ(LookUp(account), "first");

    EXPECT_EQ(Keychain::ReplaceGenericPassword(kService, account, password), noErr);
    EXPECT_EQ(LookUp(account), password);
    QByteArray found;
    EXPECT_EQ(Keychain::FindGenericPassword(kService, account, &found), noErr);
    EXPECT_EQ(found, password);

    EXPECT_EQ(Keychain::DeleteGenericPassword(kService, account), noErr);
    EXPECT_EQ(LookUp(account), "");
    EXPECT_EQ(Keychain::FindGenericPassword(kService, account, &found), errSecItemNotFound);
    EXPECT_EQ(Keychain::DeleteGenericPassword(kService, account), errSecItemNotFound);
}

TEST(SecretServiceKeychain, FindsAnItemStoredByAnotherProgram)
{
    SecretTool({"store", "--label=typed by hand", "service", kService, "account", "smtp.example:anna"}, "from outside");
    QByteArray found;
    ASSERT_EQ(Keychain::FindGenericPassword(kService, "smtp.example:anna", &found), noErr);
    EXPECT_EQ(found, "from outside");
    EXPECT_EQ(Keychain::FindGenericPassword("Other", "smtp.example:anna", &found), errSecItemNotFound);
}

TEST(SecretServiceKeychain, CutsALongAccountOnACharacterBoundary)
{
    // 254 ASCII bytes, then "ø" (two bytes) across the 255-byte limit.
    const QString account = "mail." + QString(249, 'x') + "ø:user";
    const QByteArray stored = Keychain::StoredAccount(account);
    ASSERT_EQ(stored.size(), 254);
    EXPECT_EQ(QString::fromUtf8(stored).toUtf8(), stored);

    ASSERT_EQ(Keychain::ReplaceGenericPassword(kService, account, "long"), noErr);
    EXPECT_EQ(LookUp(QString::fromUtf8(stored)), "long");
    QByteArray found;
    EXPECT_EQ(Keychain::FindGenericPassword(kService, account, &found), noErr);
    EXPECT_EQ(found, "long");
}

class ServerPasswordTest : public ApplicationFixture {};

// The window's password: read from the keychain into the session's store, written back from
// there when the keychain lost it; nothing asked with a name missing.
TEST_F(ServerPasswordTest, ComesFromTheKeychainAndIsWrittenBackWhenLost)
{
    MakeApplication();
    auto* window = new CBrevantoWindow();
    const QString account = "127.0.0.1:tester";
    SecretTool({"store", "--label=server", "service", kService, "account", account}, "s3cret");

    QString password = "untouched";
    EXPECT_EQ(window->GetServerPassword("127.0.0.1", "", &password), noErr);
    EXPECT_EQ(password, "untouched");
    EXPECT_EQ(window->GetServerPassword("127.0.0.1", "nobody", &password), errSecItemNotFound);

    ASSERT_EQ(window->GetServerPassword("127.0.0.1", "tester", &password), noErr);
    EXPECT_EQ(password, "s3cret");
    EXPECT_EQ(app->PasswordStore().value(account), "s3cret");

    SecretTool({"clear", "service", kService, "account", account});
    ASSERT_EQ(LookUp(account), "");
    password.clear();
    ASSERT_EQ(window->GetServerPassword("127.0.0.1", "tester", &password), noErr);
    EXPECT_EQ(password, "s3cret");
    EXPECT_EQ(LookUp(account), "s3cret");

    EXPECT_EQ(window->StoreServerPassword("127.0.0.1", "tester", ""), noErr);
    EXPECT_EQ(LookUp(account), "s3cret");
}

// Without a Secret Service: the file store under XDG_DATA_HOME.
class FileKeychainTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(mFolder.isValid());
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + QFile::encodeName(mFolder.filePath("no-bus")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(mFolder.filePath("share")));
        Keychain::ChooseStoreAgainForTests();
    }
    void TearDown() override { Keychain::ChooseStoreAgainForTests(); }

    QString StorePath() const { return mFolder.filePath("share/Brevanto/Keychain.plist"); }

    QTemporaryDir mFolder;
};

TEST_F(FileKeychainTest, KeepsPasswordsInAPrivateFileOtherProgramsCanParse)
{
    ASSERT_EQ(Keychain::StoreName(), "file " + StorePath());
    const QByteArray password = QString("Zoë's ✓").toUtf8();
    ASSERT_EQ(Keychain::ReplaceGenericPassword(kService, "127.0.0.1:tester", password), noErr);
    EXPECT_EQ(Keychain::AddGenericPassword(kService, "127.0.0.1:tester", "other"), errSecDuplicateItem);

    EXPECT_EQ(ModeOf(QFileInfo(StorePath()).absolutePath()), 0700u);
    EXPECT_EQ(ModeOf(StorePath()), 0600u);
    EXPECT_EQ(QDir(QFileInfo(StorePath()).absolutePath()).entryList(QDir::Files | QDir::Hidden).size(), 1);

    // A fresh store object reads what is on disk; Python's plistlib reads the same file.
    QByteArray found;
    EXPECT_EQ(KeychainFile(StorePath()).Find(kService, "127.0.0.1:tester", &found), noErr);
    EXPECT_EQ(found, password);
    QProcess python;
    python.start(BREVANTO_PYTHON, {"-c", "import plistlib,sys; d=plistlib.load(open(sys.argv[1],'rb'));"
                                         "sys.stdout.buffer.write(d['Brevanto']['127.0.0.1:tester'])",
                                   StorePath()});
    ASSERT_TRUE(python.waitForFinished(20000));
    EXPECT_EQ(python.readAllStandardOutput(), password);

    EXPECT_EQ(Keychain::DeleteGenericPassword(kService, "127.0.0.1:tester"), noErr);
    EXPECT_EQ(Keychain::FindGenericPassword(kService, "127.0.0.1:tester", &found), errSecItemNotFound);
    EXPECT_EQ(ModeOf(StorePath()), 0600u);
}

TEST_F(FileKeychainTest, TightensAWiderFileBeforeReadingIt)
{
    ASSERT_EQ(Keychain::ReplaceGenericPassword(kService, "a:b", "pw"), noErr);
    ASSERT_EQ(chmod(QFile::encodeName(StorePath()).constData(), 0644), 0);
    QByteArray found;
    EXPECT_EQ(Keychain::FindGenericPassword(kService, "a:b", &found), noErr);
    EXPECT_EQ(ModeOf(StorePath()), 0600u);
}

TEST_F(FileKeychainTest, RefusesASymbolicLinkInThePlaceOfTheFile)
{
    ASSERT_EQ(Keychain::ReplaceGenericPassword(kService, "a:b", "pw"), noErr);
    const QString elsewhere = mFolder.filePath("elsewhere.plist");
    ASSERT_TRUE(QFile::rename(StorePath(), elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, StorePath()));

    QByteArray found;
    EXPECT_EQ(Keychain::FindGenericPassword(kService, "a:b", &found), errSecNotAvailable);
    EXPECT_EQ(Keychain::ReplaceGenericPassword(kService, "a:b", "new"), errSecNotAvailable);
    EXPECT_EQ(Keychain::DeleteGenericPassword(kService, "a:b"), errSecNotAvailable);
    EXPECT_TRUE(QFileInfo(StorePath()).isSymLink());
    EXPECT_EQ(KeychainFile(elsewhere).Find(kService, "a:b", &found), noErr);
    EXPECT_EQ(found, "pw");
}
