// SecretServiceStore: generic passwords in the Secret Service of the session bus (libsecret),
// items of the default collection with the string attributes "service" and "account" (any
// item carrying them matches, whoever stored it). Every call ends within a deadline that leaves
// room for an unlock prompt; a locked collection, a dismissed prompt or a passed deadline give
// errSecAuthFailed, any other failure errSecNotAvailable (its message logged, never a password).
// Blocks the calling thread while the service answers.
#pragma once

#include "KeychainStore.h"

class SecretServiceStore final : public KeychainStore {
public:
    // True when the session bus answers and a Secret Service runs on it or can be activated.
    // Never starts a bus of its own; waits a few seconds at most.
    static bool IsReachable();

    QString Name() const override { return QStringLiteral("Secret Service"); }
    OSStatus Find(const QString& service, const QByteArray& account, QByteArray* outPassword) override;
    OSStatus Store(const QString& service, const QByteArray& account, const QByteArray& password,
                   bool inReplace) override;
    OSStatus Delete(const QString& service, const QByteArray& account) override;
};
