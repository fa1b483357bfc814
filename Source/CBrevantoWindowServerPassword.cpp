// The mailing's SMTP password in the keychain: one generic password of the service "Brevanto"
// per server and user name, the account being server + ":" + user. Passwords read this session
// are also kept in the application's password store, so a password deleted from the keychain
// meanwhile is written back the next time it is asked for.
#include "CBrevantoApp.h"
#include "CBrevantoWindow.h"
#include "Keychain.h"

namespace {

const QString kKeychainService = QStringLiteral("Brevanto");

// The account text as the keychain keeps it (cut at 255 bytes on a character boundary).
QString KeychainAccount(const QString& inServer, const QString& inUser)
{
    return QString::fromUtf8(Keychain::StoredAccount(inServer + ":" + inUser));
}

QHash<QString, QString>* SessionPasswords()
{
    auto* application = dynamic_cast<CBrevantoApp*>(LApplication::GetApplication());
    return application ? &application->PasswordStore() : nullptr;
}

} // namespace

OSStatus CBrevantoWindow::GetServerPassword(const QString& inServer, const QString& inUser, QString* outPassword)
{
    if (inServer.isEmpty() || inUser.isEmpty())
        return noErr;
    const QString account = KeychainAccount(inServer, inUser);
    QByteArray stored;
    const OSStatus status = Keychain::FindGenericPassword(kKeychainService, account, &stored);
    QHash<QString, QString>* session = SessionPasswords();
    if (status == noErr) {
        *outPassword = QString::fromUtf8(stored);
        if (session)
            session->insert(account, *outPassword);
        return noErr;
    }
    if (!session || !session->contains(account))
        return status;
    *outPassword = session->value(account);
    StoreServerPassword(inServer, inUser, *outPassword);
    return noErr;
}

OSStatus CBrevantoWindow::StoreServerPassword(const QString& inServer, const QString& inUser,
                                              const QString& inPassword)
{
    if (inServer.isEmpty() || inUser.isEmpty() || inPassword.isEmpty())
        return noErr;
    return Keychain::ReplaceGenericPassword(kKeychainService, KeychainAccount(inServer, inUser),
                                            inPassword.toUtf8());
}
