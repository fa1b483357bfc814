// Keychain: generic passwords kept by (service, account), the stand-in for the keychain's
// generic-password calls. Find, add, replace in one step and delete; the answers are the
// keychain's status codes below.
//
// The store is chosen once per process and named in one log line:
// - the Secret Service (libsecret, default collection, string attributes "service" and
//   "account") when the session bus answers and a Secret Service runs on it or can be started
//   by it. A failing call returns its error; it never falls back to the file;
// - otherwise a property-list file, $XDG_DATA_HOME/Brevanto/Keychain.plist, in a 0700 folder,
//   created 0600 and written whole through a temporary file renamed over it. A symbolic link in
//   its place is refused; wider permissions found on it are tightened before it is read.
// An account longer than 255 bytes is cut there, on a character boundary. No password is ever
// logged. GUI thread or cooperative threads: a Secret Service call blocks the caller until it
// answers or its deadline passes (long enough for an unlock prompt).
#pragma once

#include "MacTypes.h"

#include <QByteArray>
#include <QString>

constexpr OSStatus errSecNotAvailable = -25291; // no store can be reached
constexpr OSStatus errSecAuthFailed = -25293;   // refused: locked, prompt dismissed
constexpr OSStatus errSecDuplicateItem = -25299;
constexpr OSStatus errSecItemNotFound = -25300;

class Keychain {
public:
    // noErr and the password's bytes, or errSecItemNotFound.
    static OSStatus FindGenericPassword(const QString& service, const QString& account, QByteArray* outPassword);
    // errSecDuplicateItem when the item exists already.
    static OSStatus AddGenericPassword(const QString& service, const QString& account, const QByteArray& password);
    // Adds the item or replaces its password, in one step.
    static OSStatus ReplaceGenericPassword(const QString& service, const QString& account,
                                           const QByteArray& password);
    // errSecItemNotFound when there was none.
    static OSStatus DeleteGenericPassword(const QString& service, const QString& account);

    // The account as stored: at most 255 bytes of UTF-8, cut on a character boundary.
    static QByteArray StoredAccount(const QString& account);
    // "Secret Service" or "file <path>": the store this process uses (chosen on first use).
    static QString StoreName();
    // Tests only: the next call chooses the store again from the environment of that time.
    static void ChooseStoreAgainForTests();
};
