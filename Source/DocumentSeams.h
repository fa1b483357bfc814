// DocumentSeams: the address book's two answers the mailing window asks first (is there one,
// and the "Me" card), read from the contacts store (AddressBookAccess); tests may pose as a
// machine without an address book, or with a Me card. DocumentSeams.cpp also holds the least of
// the schedule timer until the schedule code replaces it. GUI thread only.
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

