// KeychainFile: generic passwords in one property-list file private to the user, for sessions
// without a Secret Service: { service: { account: <password bytes> } }.
// The folder is created 0700; the file is written whole to a temporary file created 0600 in the
// same folder and renamed over the old one, so it is never readable by others, not even for a
// moment, and a failed write leaves the old file. It is opened without following a symbolic
// link (a link in its place is refused, never replaced) and permissions wider than 0600 found
// on it are tightened before it is read. Writers of other processes are kept out by a lock on
// the folder while a change is read, made and written. Any thread.
#pragma once

#include "KeychainStore.h"

class KeychainFile final : public KeychainStore {
public:
    explicit KeychainFile(QString inPath) : mPath(std::move(inPath)) {}
    // $XDG_DATA_HOME/Brevanto/Keychain.plist ($HOME/.local/share when unset).
    static QString DefaultPath();

    QString Name() const override { return QStringLiteral("file ") + mPath; }
    OSStatus Find(const QString& service, const QByteArray& account, QByteArray* outPassword) override;
    OSStatus Store(const QString& service, const QByteArray& account, const QByteArray& password,
                   bool inReplace) override;
    OSStatus Delete(const QString& service, const QByteArray& account) override;

private:
    QString mPath;
};
