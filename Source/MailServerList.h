// MailServerList: the named SMTP servers every mailing window offers in its Server Settings
// sheet, kept in the application's preferences under "MailServers" as a dictionary from server
// name to an entry. The password is never kept here (the keychain holds it).
//
// Each call reads the list afresh and every change is written at once, so two windows never
// undo each other's additions. A stored value that is not a dictionary reads as an empty list;
// an entry that is not a dictionary is skipped. Any thread (the preference domain locks).
#pragma once

#include "MacTypes.h"

#include <QString>
#include <QStringList>

#include <optional>

struct MailServerEntry {
    QString server;            // also the entry's name
    QString user;
    QString port = QStringLiteral("587");
    QString popPeriod = QStringLiteral("30");
    SInt16 authMethod = 1;     // the authentication popup's item
    SInt16 sslAuthMethod = 1;  // the secure authentication popup's item
    bool acceptAnyCertificate = false;
};

class MailServerList {
public:
    static constexpr const char* kKey = "MailServers";

    // The names, sorted without regard to case.
    static QStringList Names();
    static bool Contains(const QString& inName);
    static std::optional<MailServerEntry> Find(const QString& inName);
    // Sets the entry under its server name, replacing one of that name; 0 or the write error.
    static OSStatus Store(const MailServerEntry& inEntry);
    static OSStatus Remove(const QString& inName);
};
