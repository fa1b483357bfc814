// The Server Settings sheet and the named-server list every window shares, with the keychain's
// file store (a session bus that does not answer) for the passwords.
#include "MailingWindowFixture.h"

#include "../platform/QStringPrinter.h"
#include "CFPreferenceDomain.h"
#include "CommandRouter.h"
#include "ControlValues.h"
#include "Keychain.h"
#include "MailServerList.h"
#include "ScriptRunner.h"
#include "SheetController.h"

#include <QFile>

namespace {

using ENib = CBrevantoWindow::ENibWindow;

class ServerSettingsTest : public MailingWindowTest {
protected:
    void SetUp() override
    {
        MailingWindowTest::SetUp();
        mSavedBus = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        mSavedData = qgetenv("XDG_DATA_HOME");
        qputenv("DBUS_SESSION_BUS_ADDRESS", QFile::encodeName("unix:path=" + FolderPath("no-bus")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(FolderPath("data")));
        Keychain::ChooseStoreAgainForTests();
        CFPreferenceDomain::Application().RemoveValue(QString::fromLatin1(MailServerList::kKey));
        mWindow = new CBrevantoWindow();
        CommandRouter::Get().SendWindowCommand(mWindow->GetMainWindow(), 'SSeT');
    }
    void TearDown() override
    {
        CFPreferenceDomain::Application().RemoveValue(QString::fromLatin1(MailServerList::kKey));
        ScriptRunner::SetScriptsFolder(QString());
        MailingWindowTest::TearDown();
        qputenv("DBUS_SESSION_BUS_ADDRESS", mSavedBus);
        qputenv("XDG_DATA_HOME", mSavedData);
        Keychain::ChooseStoreAgainForTests();
    }

    void Post(CommandT inCommand) { CommandRouter::Get().SendWindowCommand(Sheet(), inCommand); }
    WindowRef Sheet() const { return mWindow->Window(ENib::serverSettings); }
    ControlRef Control(ControlRole inRole) const { return mWindow->Control(inRole); }
    void Type(ControlRole inRole, const QString& inText) { SetControlText(Control(inRole), inText); }
    QString Text(ControlRole inRole) const { return GetControlText(Control(inRole)); }
    QString LastAlert() const { return mPresenter->Requests().empty() ? QString() : mPresenter->Requests().back().message; }
    QStringList MenuItems() const
    {
        QStringList items;
        ControlRef popup = Control(ControlRole::ServersPopup);
        for (SInt32 item = 1; item <= CountPopupItems(popup); ++item)
            items.append(GetPopupItemText(popup, item));
        return items;
    }
    void Choose(const QString& inServer)
    {
        ControlRef popup = Control(ControlRole::ServersPopup);
        SetControl32BitValue(popup, SInt32(MenuItems().indexOf(inServer)) + 1);
        Post('ssPU');
    }
    // An executable script printing one line.
    void WriteScript(const char* inName, const char* inOutput)
    {
        QFile script(FolderPath(QString::fromLatin1(inName)));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QByteArray("#!/bin/sh\necho '") + inOutput + "'\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    CBrevantoWindow* mWindow = nullptr;
    QByteArray mSavedBus;
    QByteArray mSavedData;
};

} // namespace

// Saving under a new name adds, under a known name updates (replacing the entry); the menu
// lists the names ignoring case; the password never goes into the list.
TEST_F(ServerSettingsTest, SavedServersAreAddedOrUpdatedAndListedByName)
{
    ASSERT_TRUE(SheetController::IsSheetShown(Sheet()));
    EXPECT_EQ(MenuItems(), QStringList{"Select Server..."});
    Type(ControlRole::ServerField, "smtp.b.org");
    Type(ControlRole::UserNameField, "bo");
    Type(ControlRole::PasswordField, "secret");
    mPresenter->QueueAlert(1);
    Post('Asrv');
    EXPECT_EQ(LastAlert(), "Added mail server \"smtp.b.org\".");
    Type(ControlRole::ServerField, "Smtp.A.org");
    mPresenter->QueueAlert(1);
    Post('Asrv');
    Type(ControlRole::ServerField, "smtp.b.org");
    Type(ControlRole::PortField, "2525");
    mPresenter->QueueAlert(1);
    Post('Asrv');
    EXPECT_EQ(LastAlert(), "Updated mail server \"smtp.b.org\".");
    EXPECT_EQ(MenuItems(), (QStringList{"Select Server...", "Smtp.A.org", "smtp.b.org"}));
    EXPECT_EQ(MailServerList::Find("smtp.b.org")->port, "2525");
    const CFPropertyList stored =
        CFPreferenceDomain::Application().CopyValue(QString::fromLatin1(MailServerList::kKey)).Value("smtp.b.org");
    EXPECT_EQ(stored.Count(), 8);
    EXPECT_EQ(stored.Value("useSSL").ToInteger(), 1);
    EXPECT_TRUE(stored.Value("password").IsNull());
}

// A loaded entry switches the sheet to the secure road with its own certificate choice and
// brings its password from the keychain.
TEST_F(ServerSettingsTest, ALoadedEntryComesWithSSLItsCertificateChoiceAndItsPassword)
{
    MailServerEntry entry;
    entry.server = "smtp.a.org";
    entry.user = "ann";
    entry.port = "465";
    entry.authMethod = 3;
    entry.sslAuthMethod = 4;
    entry.acceptAnyCertificate = true;
    ASSERT_EQ(MailServerList::Store(entry), noErr);
    ASSERT_EQ(mWindow->StoreServerPassword("smtp.a.org", "ann", "pässword"), noErr);
    SetControl32BitValue(Control(ControlRole::UseSSLCheckBox), 0);
    Post('USSL');
    EXPECT_TRUE(IsControlVisible(Control(ControlRole::AuthenticationPopup)));
    EXPECT_FALSE(IsControlVisible(Control(ControlRole::SecureAuthenticationPopup)));

    SheetController::HideSheetWindow(Sheet());
    CommandRouter::Get().SendWindowCommand(mWindow->GetMainWindow(), 'SSeT');
    mPresenter->QueueAlert(1);
    Choose("smtp.a.org");
    EXPECT_EQ(LastAlert(), "Loaded settings for server \"smtp.a.org\"");
    EXPECT_EQ(Text(ControlRole::ServerField), "smtp.a.org");
    EXPECT_EQ(Text(ControlRole::PortField), "465");
    EXPECT_EQ(Text(ControlRole::PasswordField), "pässword");
    EXPECT_EQ(GetControl32BitValue(Control(ControlRole::UseSSLCheckBox)), 1);
    EXPECT_EQ(mWindow->GetSecureMechanismValue(), 4);
    EXPECT_EQ(mWindow->GetAuthenticationTypeValue(), 3);
    EXPECT_TRUE(mWindow->GetAcceptAnyCertificate());
    EXPECT_TRUE(IsControlVisible(Control(ControlRole::SecureAuthenticationPopup)));
    EXPECT_FALSE(IsControlVisible(Control(ControlRole::AuthenticationPopup)));
    EXPECT_EQ(GetControl32BitValue(Control(ControlRole::ServersPopup)), 1);
}

TEST_F(ServerSettingsTest, RemovingAsksAndCancelKeepsTheEntry)
{
    MailServerEntry entry;
    entry.server = "smtp.a.org";
    MailServerList::Store(entry);
    Type(ControlRole::ServerField, "smtp.a.org");
    mPresenter->QueueAlert(2);
    Post('Rsrv');
    EXPECT_EQ(LastAlert(), "Are you sure you want to remove server \"smtp.a.org\"?");
    EXPECT_TRUE(MailServerList::Contains("smtp.a.org"));
    mPresenter->QueueAlert(1);
    mPresenter->QueueAlert(1);
    Post('Rsrv');
    EXPECT_EQ(LastAlert(), "Removed mail server \"smtp.a.org\" from the \"Select Server\" menu.");
    EXPECT_FALSE(MailServerList::Contains("smtp.a.org"));
    EXPECT_EQ(MenuItems(), QStringList{"Select Server..."});
}

// The port choice writes its port and goes back to its title; the POP-before-SMTP items show
// the POP period.
TEST_F(ServerSettingsTest, PortChoiceAndAuthenticationShowWhatTheyName)
{
    const struct {
        SInt32 item;
        const char* port;
    } ports[] = {{1, "587"}, {2, "25"}, {3, "587"}, {4, "465"}};
    for (const auto& c : ports) {
        Type(ControlRole::PortField, "587");
        SetControl32BitValue(Control(ControlRole::PortPopup), c.item);
        Post('PICK');
        EXPECT_EQ(Text(ControlRole::PortField), c.port) << c.item;
        EXPECT_EQ(GetControl32BitValue(Control(ControlRole::PortPopup)), 1);
    }
    SetControl32BitValue(Control(ControlRole::UseSSLCheckBox), 0);
    for (SInt32 item = 1; item <= 5; ++item) {
        SetControl32BitValue(Control(ControlRole::AuthenticationPopup), item);
        Post('AUTH');
        EXPECT_EQ(IsControlVisible(Control(ControlRole::PopPeriodField)), item >= 4) << item;
        EXPECT_EQ(IsControlVisible(Control(ControlRole::PopPeriodLabel)), item >= 4) << item;
    }
}

// Mail's accounts: as many user names as servers are needed; a known server is replaced only
// when the user agrees.
TEST_F(ServerSettingsTest, MailAccountsAreImportedOnlyInPairs)
{
    ScriptRunner::SetScriptsFolder(FolderPath(""));
    WriteScript("MailSMTPServersScript", "a.org, b.org, c.org");
    WriteScript("MailSMTPServerUsernamesScript", "ann, bo");
    mPresenter->QueueAlert(1);
    mPresenter->QueueAlert(1);
    Post('MAIL');
    EXPECT_EQ(LastAlert(), "Mail SMTP server names and usernames not found.");
    EXPECT_TRUE(MailServerList::Names().isEmpty());

    MailServerEntry known;
    known.server = "b.org";
    known.port = "25";
    MailServerList::Store(known);
    WriteScript("MailSMTPServersScript", "a.org, b.org");
    mPresenter->QueueAlert(1); // what was found
    mPresenter->QueueAlert(2); // b.org is known: keep it
    Post('MAIL');
    EXPECT_EQ(mPresenter->Requests().front().explanation, "Servers: a.org, b.org, c.org, Usernames: ann, bo");
    EXPECT_EQ(MailServerList::Names(), (QStringList{"a.org", "b.org"}));
    EXPECT_EQ(MailServerList::Find("a.org")->user, "ann");
    EXPECT_EQ(MailServerList::Find("b.org")->port, "25");
    EXPECT_EQ(MenuItems(), (QStringList{"Select Server...", "a.org", "b.org"}));
}
