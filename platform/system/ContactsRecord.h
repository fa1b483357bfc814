// ContactsRecord: one person or group of the contacts store, held as its vCard, with the values
// the program reads of it. A group is a card of KIND:group (FN is its name); a person belongs to
// the groups its CATEGORIES names. E-mail addresses, phones, postal addresses, related names and
// other dates are labelled multi-values: the label comes from the property's TYPE ("home",
// "work"; for phones also "mobile", "main", "home fax", "work fax", "pager"), from a grouped
// "itemN.X-ABLabel" as written, from another TYPE as written, else "other". A value's identifier
// is its position among the values of its property, stable while the card is unchanged; the
// primary one is the first marked "pref", else the first. Changes go through ContactsStore,
// which marks the record for saving. GUI thread only.
#pragma once

#include "VCard.h"

#include <QString>
#include <QStringList>

#include <vector>

inline constexpr char kContactsHomeLabel[] = "home";
inline constexpr char kContactsWorkLabel[] = "work";
inline constexpr char kContactsOtherLabel[] = "other";
inline constexpr char kContactsMobileLabel[] = "mobile";
inline constexpr char kContactsMainLabel[] = "main";
inline constexpr char kContactsHomeFaxLabel[] = "home fax";
inline constexpr char kContactsWorkFaxLabel[] = "work fax";
inline constexpr char kContactsPagerLabel[] = "pager";
inline constexpr char kContactsAnniversaryLabel[] = "anniversary";

// Postal address parts, in the order of ADR's components 3 to 7, and the country code.
enum class EContactsAddressPart { street, city, state, zip, country, countryCode };

struct ContactsValue {
    int identifier = 0;
    QString label;
    QString value;           // e-mail, phone, related name, date as written; an address's street
    QStringList addressParts; // ADR: street, city, state, ZIP, country, country code
};

struct ContactsMultiValue {
    std::vector<ContactsValue> values;
    int primaryIdentifier = 0;
    bool IsEmpty() const { return values.empty(); }
};

class ContactsRecord {
public:
    explicit ContactsRecord(VCard inCard) : mCard(std::move(inCard)) {}

    const VCard& Card() const { return mCard; }
    bool IsGroup() const;

    QString UID() const;
    // A group's name (FN); null when unset.
    QString GroupName() const;
    // N components: 0 last, 1 first, 2 middle, 3 prefix, 4 suffix; null when unset or empty.
    QString NamePart(int inIndex) const;
    QString FirstName() const { return NamePart(1); }
    QString LastName() const { return NamePart(0); }
    // ORG's first component; null when unset or empty.
    QString Organization() const;
    // The unescaped text of the first property of that name (NICKNAME, X-MAIDENNAME, TITLE, URL,
    // NOTE, BDAY, ...); null when missing.
    QString Text(const QString& inProperty) const;
    // EMAIL, TEL, ADR, RELATED, or X-DATE (with ANNIVERSARY first, labelled "anniversary").
    ContactsMultiValue MultiValue(const QString& inProperty) const;
    // The names of the groups the card's CATEGORIES lists.
    QStringList Categories() const;

private:
    friend class ContactsStore;
    VCard mCard;
    QString mFileName;   // in the store's folder
    bool mChanged = false;
    int mOrder = 0;      // when it was read or added
};
