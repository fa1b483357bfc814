// KeychainStore: what the two keychain stores offer the Keychain front (Keychain.h): find, store
// (adding, or replacing in one step) and delete one generic password by service and account.
// The account comes already cut to its stored length. Codes are the keychain's (Keychain.h).
#pragma once

#include "MacTypes.h"

#include <QByteArray>
#include <QString>

class KeychainStore {
public:
    virtual ~KeychainStore() = default;
    virtual QString Name() const = 0;
    virtual OSStatus Find(const QString& service, const QByteArray& account, QByteArray* outPassword) = 0;
    // With inReplace false an existing item gives errSecDuplicateItem and stays as it was.
    virtual OSStatus Store(const QString& service, const QByteArray& account, const QByteArray& password,
                           bool inReplace) = 0;
    virtual OSStatus Delete(const QString& service, const QByteArray& account) = 0;
};
