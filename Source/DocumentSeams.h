// DocumentSeams: the least the mailing window needs of its document and the
// Address Book until those are built: the document is read and written by nobody (a window is
// never modified) and the Address Book is the contacts store (AddressBookAccess). Tests may pose
// as a machine without an address book, or with a Me card. GUI thread only.
#pragma once

#include "MacTypes.h"
#include "TextFiles.h"

#include <QString>
#include <QByteArray>
#include <QList>
#include <QStringList>

#include <optional>

class DocumentSeams {
public:
    // The Address Book's "Me" card.
    struct MeCard {
        QString name;
        QString organization;
        QStringList emails;
    };

    static bool IsAddressBookAvailable();
    // The card the "Me Card" setting names; nullopt when none.
    static std::optional<MeCard> CopyMeCard();
    // Test hooks: replace the answers above (nullopt restores the default).
    static void SetAddressBookAvailable(std::optional<bool> inAvailable);
    static void SetMeCard(std::optional<MeCard> inCard);
};


// For every open mailing window: its progress display is hidden.
void RefreshWindowsOnActivate();

// Asks for a mailing document and opens it through the application's open-document path;
// noErr also when nothing was chosen.
OSStatus ChooseAndOpenDocument();
// Asks for any file and opens it as a document: a text file becomes a new mailing importing it.
OSStatus ImportRecipientsFile();

