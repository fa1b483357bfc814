// A mailing whose SMTP password lives in the Secret Service (gnome-keyring on the test's own
// session bus): set in the Server Settings sheet, found there by secret-tool, brought back
// into a reopened document's password field, and used for a whole run through aiosmtpd over
// STARTTLS with the mechanism chosen automatically.
#include "MailingRunFixture.h"

#include "CommandRouter.h"
#include "Keychain.h"
#include "SheetController.h"

namespace {

class KeychainMailingTest : public MailingRunTest {
protected:
    // The password stored for the account, as secret-tool finds it.
    static QByteArray LookUp(const QString& inAccount)
    {
        QProcess tool;
        tool.start("secret-tool", {"lookup", "service", "Brevanto", "account", inAccount});
        EXPECT_TRUE(tool.waitForFinished(20000)) << "secret-tool did not end";
        return tool.readAllStandardOutput();
    }
};

} // namespace

TEST_F(KeychainMailingTest, APasswordSetInTheSheetIsKeptInTheKeychainAndSendsTheMailing)
{
    ASSERT_EQ(Keychain::StoreName(), "Secret Service");
    const QString password = QString::fromUtf8("Pässwörd ✓");
    SmtpServerPeer peer({SmtpServerPeer::EMode::startTLS, {("tester:" + password).toStdString()}, "LOGIN CRAM-MD5"});
    ASSERT_TRUE(peer.IsRunning());
    constexpr int kCount = 20;
    QString list;
    for (int i = 0; i < kCount; ++i)
        list += QStringLiteral("R%1\tQ\tr%1@example.org\n").arg(i);
    CBrevantoWindow* window = MakeWindow(peer.Port(), list);

    // The Server Settings sheet, filled as the user fills it, Automatic chosen, then OK.
    CommandRouter::Get().SendWindowCommand(window->GetMainWindow(), 'SSeT');
    WindowRef sheet = window->Window(CBrevantoWindow::ENibWindow::serverSettings);
    ASSERT_TRUE(SheetController::IsSheetShown(sheet));
    SetControlText(window->Control(ControlRole::ServerField), "127.0.0.1");
    SetControlText(window->Control(ControlRole::PortField), QString::number(peer.Port()));
    SetControlText(window->Control(ControlRole::UserNameField), "tester");
    SetControlText(window->Control(ControlRole::PasswordField), password);
    SetControl32BitValue(window->Control(ControlRole::UseSSLCheckBox), 1);
    SetControl32BitValue(window->Control(ControlRole::SecureAuthenticationPopup), 1);
    CommandRouter::Get().SendWindowCommand(sheet, 'ok  ');
    EXPECT_FALSE(SheetController::IsSheetShown(sheet));
    EXPECT_EQ(LookUp("127.0.0.1:tester"), password.toUtf8());

    // Saved, closed and opened again: the password comes back from the keychain alone.
    const QString document = FolderPath("Keychain.bvto");
    mPresenter->QueueSaveFile(document, false);
    ASSERT_TRUE(window->SaveAs());
    window->Cleanup();
    DeleteQueued();
    window = CBrevantoWindow::OpenDocumentFile(document);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetControlText(window->Control(ControlRole::PasswordField)), password);
    // The recipients are read again from their import file.
    ASSERT_TRUE(LThread::WaitUntil([] { return gThreadList.Count() == 0; }, DeadlineAfter(std::chrono::minutes(1))));
    ASSERT_EQ(window->CountRecipients(), kCount);
    EXPECT_EQ(window->GetSecureMechanismValue(), 1);

    ASSERT_TRUE(SendAndWait(window, *mPresenter));
    EXPECT_EQ(window->GetSecureMechanismValue(), 3);  // LOGIN, the first one offered
    EXPECT_EQ(Caption(window, ControlRole::ProgressStatusCaption), "Completed with 0 errors.");
    const auto messages = peer.Messages();
    ASSERT_EQ(messages.size(), size_t(kCount));
    QStringList expected;
    for (int i = 0; i < kCount; ++i)
        expected << QStringLiteral("r%1@example.org").arg(i);
    EXPECT_EQ(AcceptedAddresses(peer), expected);
    for (const auto& message : messages) {
        EXPECT_EQ(message.authMechanism, "LOGIN");
        EXPECT_EQ(message.authLogin, "tester");
    }
}
