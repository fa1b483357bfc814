// The Server Settings sheet: the mailing's SMTP server, user name, password (kept in the
// keychain), port, POP period, authentication, the secure authentication with its "accept any
// certificate" choice, and the list of named servers every window shares (MailServerList),
// with Mail's SMTP accounts imported into it. GUI thread only.
#include "CBrevantoWindow.h"

#include "AlertHelpers.h"
#include "CPreferencesWindow.h"
#include "ControlValues.h"
#include "HelpLinks.h"
#include "Launcher.h"
#include "MailServerList.h"
#include "Presenter.h"
#include "ScriptRunner.h"
#include "SheetController.h"
#include "WindowEvents.h"

namespace {

constexpr const char* kServersScript = "MailSMTPServersScript";
constexpr const char* kUserNamesScript = "MailSMTPServerUsernamesScript";

void ShowNote(const QString& inMessage, const QString& inExplanation = QString())
{
    Presenter::Get().ShowAlert(AlertKind::note, inMessage, inExplanation, AlertButtons::ok);
}

// A script's text result, trimmed; empty when it gave none.
QString RunListScript(const char* inName)
{
    const std::optional<QByteArray> result = ScriptRunner::Run(QString::fromLatin1(inName));
    return result ? QString::fromUtf8(*result).trimmed() : QString();
}

bool IsPopBeforeSMTP(SInt32 inAuthMethod) { return inAuthMethod == 4 || inAuthMethod == 5; }

} // namespace

OSStatus CBrevantoWindow::HandleServerSettingsEvent(WindowEvent& ioEvent)
{
    if (ioEvent.kind == WindowEventKind::showing) {
        BuildServersMenu();
        // Without Mail's account scripts there is nothing to import.
        SetControlVisibility(Control(ControlRole::ImportMailServersButton),
                             !ScriptRunner::ExecutableFor(QString::fromLatin1(kServersScript)).isEmpty(), false);
        ShowServerAuthenticationControls();
        return eventNotHandledErr;
    }
    if (ioEvent.kind != WindowEventKind::commandProcess)
        return eventNotHandledErr;
    switch (ioEvent.command) {
    case 'ssPU': SelectServerEntry(); break;
    case 'Asrv': SaveServerEntry(); break;
    case 'Rsrv': RemoveServerEntry(); break;
    case 'MAIL': ImportMailServers(); break;
    case 'PICK': {
        ControlRef popup = Control(ControlRole::PortPopup);
        const SInt32 item = GetControl32BitValue(popup);
        if (item >= 2 && item <= 4)
            SetControlText(Control(ControlRole::PortField), GetPopupItemText(popup, item));
        SetControl32BitValue(popup, 1);
        break;
    }
    case 'AUTH':
    case 'USSL':
        ShowServerAuthenticationControls();
        break;
    case 'TPRT':
        SaveServerDefaults(true);
        TestServerPort(true);
        break;
    case 'THRT':
        OpenPreferencesWindow();
        if (gPreferencesWindow)
            gPreferencesWindow->SelectPane(CPreferencesWindow::kThrottlePane);
        break;
    case 'ok  ':
        SaveServerDefaults(true);
        SheetController::HideSheetWindow(Window(ENibWindow::serverSettings));
        break;
    case 'HELP':
        Launcher::Current().Open(HelpFolderURL(QStringLiteral("ServerSettings.html")));
        return noErr;
    default:
        return eventNotHandledErr;
    }
    UpdateModifiedMark();
    return eventNotHandledErr;
}

// With the box on the secure mechanism is chosen; with it off the plain authentication, whose
// POP-before-SMTP items show the POP period. Every mail goes out over TLS either way, so the
// accept-any-certificate box always shows.
void CBrevantoWindow::ShowServerAuthenticationControls()
{
    const bool secure = GetControl32BitValue(Control(ControlRole::UseSSLCheckBox)) == 1;
    const bool pop = !secure && IsPopBeforeSMTP(GetControl32BitValue(Control(ControlRole::AuthenticationPopup)));
    SetControlVisibility(Control(ControlRole::SecureAuthenticationPopup), secure, true);
    SetControlVisibility(Control(ControlRole::AuthenticationPopup), !secure, true);
    SetControlVisibility(Control(ControlRole::PopPeriodField), pop, true);
    SetControlVisibility(Control(ControlRole::PopPeriodLabel), pop, true);
}

void CBrevantoWindow::BuildServersMenu()
{
    ControlRef popup = Control(ControlRole::ServersPopup);
    if (!popup)
        return;
    DeletePopupItems(popup);
    AppendPopupItem(popup, QStringLiteral("Select Server..."));
    for (const QString& name : MailServerList::Names())
        AppendPopupItem(popup, name);
    SetControl32BitValue(popup, 1);
}

void CBrevantoWindow::SaveServerEntry()
{
    MailServerEntry entry;
    entry.server = GetControlText(Control(ControlRole::ServerField));
    if (entry.server.isEmpty())
        return;
    entry.user = GetControlText(Control(ControlRole::UserNameField));
    entry.port = GetControlText(Control(ControlRole::PortField));
    entry.popPeriod = GetControlText(Control(ControlRole::PopPeriodField));
    entry.authMethod = SInt16(GetControl32BitValue(Control(ControlRole::AuthenticationPopup)));
    entry.sslAuthMethod = SInt16(GetControl32BitValue(Control(ControlRole::SecureAuthenticationPopup)));
    entry.acceptAnyCertificate = GetControl32BitValue(Control(ControlRole::AcceptAnyCertificateCheckBox)) == 1;
    const bool existed = MailServerList::Contains(entry.server);
    if (const OSStatus error = MailServerList::Store(entry); error != noErr) {
        ShowNote(QStringLiteral("The mail server \"%1\" could not be saved.").arg(entry.server),
                 QStringLiteral("The preferences could not be written (error %1).").arg(error));
        return;
    }
    ShowNote((existed ? QStringLiteral("Updated mail server \"%1\".") : QStringLiteral("Added mail server \"%1\"."))
                 .arg(entry.server));
    BuildServersMenu();
}

void CBrevantoWindow::StoreServerEntry(const QString& inServer, const QString& inUser)
{
    if (inServer.isEmpty())
        return;
    MailServerEntry entry;
    entry.server = inServer;
    entry.user = inUser;
    MailServerList::Store(entry);
    BuildServersMenu();
}

void CBrevantoWindow::RemoveServerEntry()
{
    const QString server = GetControlText(Control(ControlRole::ServerField));
    if (!server.isEmpty() &&
        ShowCautionAlert(QStringLiteral("Are you sure you want to remove server \"%1\"?").arg(server),
                         QStringLiteral("This operation can be undone by adding the server again.")) ==
            kAlertStdAlertOKButton) {
        MailServerList::Remove(server);
        ShowNote(QStringLiteral("Removed mail server \"%1\" from the \"Select Server\" menu.").arg(server),
                 QStringLiteral("Click the \"+\" button now to undo this operation."));
    }
    BuildServersMenu();
}

// The entry always comes with the secure road chosen; its password from the keychain.
void CBrevantoWindow::SelectServerEntry()
{
    ControlRef popup = Control(ControlRole::ServersPopup);
    const std::optional<MailServerEntry> entry = MailServerList::Find(GetPopupItemText(popup, GetControl32BitValue(popup)));
    if (entry) {
        SetControlText(Control(ControlRole::ServerField), entry->server);
        SetControlText(Control(ControlRole::UserNameField), entry->user);
        SetControlText(Control(ControlRole::PortField), entry->port);
        SetControlText(Control(ControlRole::PopPeriodField), entry->popPeriod);
        SetControl32BitValue(Control(ControlRole::AuthenticationPopup), entry->authMethod);
        SetControl32BitValue(Control(ControlRole::SecureAuthenticationPopup), entry->sslAuthMethod);
        SetControl32BitValue(Control(ControlRole::AcceptAnyCertificateCheckBox), entry->acceptAnyCertificate ? 1 : 0);
        SetControl32BitValue(Control(ControlRole::UseSSLCheckBox), 1);
        ShowServerAuthenticationControls();
        QString password;
        if (!entry->server.isEmpty() && !entry->user.isEmpty() &&
            GetServerPassword(entry->server, entry->user, &password) == noErr && !password.isNull())
            SetControlText(Control(ControlRole::PasswordField), password);
        if (!entry->server.isEmpty())
            ShowNote(QStringLiteral("Loaded settings for server \"%1\"").arg(entry->server),
                     QStringLiteral("This server may require that the \"From\" address, in the Mailer window, match "
                                    "the email address for the selected account name."));
    }
    SetControl32BitValue(popup, 1);
}

void CBrevantoWindow::ImportMailServers()
{
    const QString servers = RunListScript(kServersScript);
    const QString users = RunListScript(kUserNamesScript);
    if (servers.isEmpty() || users.isEmpty())
        return;
    ShowNote(QStringLiteral("The following Mail SMTP server names and user names were found:"),
             QStringLiteral("Servers: %1, Usernames: %2").arg(servers, users));
    const QStringList serverNames = servers.split(QStringLiteral(", "));
    const QStringList userNames = users.split(QStringLiteral(", "));
    if (serverNames.size() != userNames.size()) {
        ShowNote(QStringLiteral("Mail SMTP server names and usernames not found."));
        return;
    }
    for (qsizetype index = 0; index < serverNames.size(); ++index) {
        const QString& server = serverNames.at(index);
        if (MailServerList::Contains(server) &&
            ShowCautionAlert(QStringLiteral("The server \"%1\" is already in the \"Select Server\" list.").arg(server),
                             QStringLiteral("Do you want to add it again replacing its settings with default values? "
                                            "If you replace it you may need to re-enter the password for this "
                                            "server.")) != kAlertStdAlertOKButton)
            continue;
        StoreServerEntry(server, userNames.at(index));
    }
}
