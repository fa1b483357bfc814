// MailingSnapshot: the values of a mailing window that make up its document, as the window
// shows them now. The window keeps the one taken when its document was last opened or saved;
// it has unsaved changes while a fresh snapshot differs from that one. Layout (bounds, list
// states, the drawer) is no part of it: moving a window is no edit. A plain value.
#pragma once

#include "MacTypes.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct MailingSnapshot {
    QString sideTexts[3]; // plain-text alternative, preamble, epilogue
    QString url;
    QString subject;
    QString myName, myEmail;
    SInt32 group = 0, fromMeAt = 0, addressType = 0, senderAddressType = 0, optionsAddressType = 0;
    QStringList attachments;
    QString attachmentPathField;
    QString server, userName, password, port, popPeriod;
    SInt32 useOrganization = 0, recipientsTab = 0, senderTab = 0;
    QString importPath, entourageGroup;
    SInt64 scheduledTime = 0;
    SInt32 wake = 0, repeat = 0, repeatCount = 0, repeatUnit = 0, wakeBeforeSeconds = 0;
    SInt32 priority = 0, authentication = 0, secureAuthentication = 0, charset = 0;
    SInt32 imageHTML = 0;
    QString cc, bcc, returnPath, replyTo;
    std::optional<std::vector<bool>> groupFlags, importFlags;
    // Edits of the imported list count only while the document keeps the list ("Save Imported").
    UInt64 importedGeneration = 0;

    bool operator==(const MailingSnapshot&) const = default;
};
