#include "Keychain.h"

#include "KeychainFile.h"
#include "SecretServiceStore.h"

#include <QDebug>

#include <memory>
#include <mutex>

namespace {

constexpr qsizetype kMaximumAccountBytes = 255;

std::mutex gStoreMutex;
std::unique_ptr<KeychainStore> gStore;

// The store of this process, chosen on first use and named once in the log.
KeychainStore& Store()
{
    std::lock_guard lock(gStoreMutex);
    if (!gStore) {
        if (SecretServiceStore::IsReachable())
            gStore = std::make_unique<SecretServiceStore>();
        else
            gStore = std::make_unique<KeychainFile>(KeychainFile::DefaultPath());
        qInfo().noquote() << "Keychain: passwords are kept in the" << gStore->Name();
    }
    return *gStore;
}

} // namespace

QByteArray Keychain::StoredAccount(const QString& account)
{
    QByteArray bytes = account.toUtf8();
    if (bytes.size() <= kMaximumAccountBytes)
        return bytes;
    qsizetype cut = kMaximumAccountBytes;
    while (cut > 0 && (uchar(bytes[cut]) & 0xC0) == 0x80) // never inside a character
        --cut;
    bytes.truncate(cut);
    return bytes;
}

QString Keychain::StoreName() { return Store().Name(); }

void Keychain::ChooseStoreAgainForTests()
{
    std::lock_guard lock(gStoreMutex);
    gStore.reset();
}

OSStatus Keychain::FindGenericPassword(const QString& service, const QString& account, QByteArray* outPassword)
{
    return Store().Find(service, StoredAccount(account), outPassword);
}

OSStatus Keychain::AddGenericPassword(const QString& service, const QString& account, const QByteArray& password)
{
    return Store().Store(service, StoredAccount(account), password, false);
}

OSStatus Keychain::ReplaceGenericPassword(const QString& service, const QString& account,
                                          const QByteArray& password)
{
    return Store().Store(service, StoredAccount(account), password, true);
}

OSStatus Keychain::DeleteGenericPassword(const QString& service, const QString& account)
{
    return Store().Delete(service, StoredAccount(account));
}
