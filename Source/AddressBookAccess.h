// AddressBookAccess: the mailing program's thin layer over the address book (ContactsStore's
// shared store): finding groups and people by name, a group's members with those of its nested
// groups, making groups and people during imports, and reading the values the recipient list,
// the sender and the merge fields need, with the program's rules for choosing among several
// values and for joining names. Free functions, no state of their own. When the address book is
// unavailable every lookup finds nothing and every text is empty. Text getters answer a null
// QString for "none". GUI thread and the cooperative threads (they never run at once).
#pragma once

#include "ContactsRecord.h"
#include "MacTypes.h"

#include <QString>
#include <QStringList>

#include <vector>

class CBrevantoWindow;
class CText;
class Person;

// The address-type pop-up's commands: which addresses of a person a mailing uses.
inline constexpr OSType kAddressTypePrimary = 'PRIM';
inline constexpr OSType kAddressTypeDistribution = 'DIST';
inline constexpr OSType kAddressTypeAll = 'ALL ';
inline constexpr OSType kAddressTypeHome = 'HOME';
inline constexpr OSType kAddressTypeWork = 'WORK';
inline constexpr OSType kAddressTypeOther = 'OTHE';

// The preference that names the user's own card by its UID.
inline constexpr char kMeCardKey[] = "Me Card";

bool IsAddressBookAvailable();

// The first group named so, without regard to case; null when none.
ContactsRecord* FindGroupNamed(const QString& inName);
// The first person with both names, without regard to case; null when none.
ContactsRecord* FindAddressBookPerson(const QString& inFirstName, const QString& inLastName);
// Makes a group of that name and saves the address book. False (nothing made) when a group of
// that name exists, in any case, or it cannot be made or saved.
bool CreateAddressBookGroupNamed(const char* inName, ContactsRecord** outGroup);
// The same, answering the new group, or null when the name exists or it cannot be made.
ContactsRecord* CreateAddressBookGroup(const QString& inName);
// An existing person with those names, else a new one with the names that are not empty and,
// with an e-mail address, that address as its work address. Without any name a new person is
// made for the address (never a nameless card found); with neither a name nor an address, null.
// The address book is not saved here: the importer saves.
ContactsRecord* CreateAddressBookPersonFromStrings(const QString& inFirstName, const QString& inLastName,
                                                   const QString& inEmail);
// The person for an imported record: an existing one with the same names (unchanged), else a new
// one as above, noting the record's columns, if it has any, one "key = value" line each in key
// order. Null for a record without names and address. The address book is not saved here.
ContactsRecord* CreateAddressBookPerson(const Person& inRecord);
// Puts the person (or a group: a subgroup) into the group; saved with the next save.
void AddPersonToGroup(ContactsRecord* inPerson, const ContactsRecord* inGroup);
// Writes every changed card; false when one could not be written or there is no address book.
bool SaveAddressBook();
// Every person of the group and, depth first, of its subgroups: each once, members before
// subgroups, in the order met. A cycle of groups is walked once.
std::vector<ContactsRecord*> CopyGroupMembersDeep(const ContactsRecord* inGroup);
// The user's own card: the one whose UID the "Me Card" preference holds; null when none.
ContactsRecord* CopyMeRecord();

QString GetRecordUID(const ContactsRecord* inRecord);
QString GetRecordFirstName(const ContactsRecord* inRecord);
QString GetRecordLastName(const ContactsRecord* inRecord);
QString GetRecordOrganization(const ContactsRecord* inRecord);
// The text of one vCard property (NICKNAME, TITLE, NOTE, ...); null when unset.
QString GetRecordValue(const ContactsRecord* inRecord, const QString& inProperty);
// Last name, ", " when both are set, first name.
QString GetRecordLastFirstName(const ContactsRecord* inRecord);
// First name, then " " and the last name when one is set (a lone last name keeps its blank).
QString GetRecordFirstLastName(const ContactsRecord* inRecord);
// Every e-mail address of the record, in stored order; empty for none.
QStringList GetRecordEmailList(const ContactsRecord* inRecord);
// GetRecordLastFirstName, with " (organization)" after it; the organization alone without a name.
QString GetRecordDisplayName(const ContactsRecord* inRecord);
// The person's addresses of that address type, joined by "," without blanks: the primary one
// ('PRIM', and 'DIST' with a group: the address book keeps no per-group choice), every one
// ('ALL '), those labelled home, work, or anything else ('OTHE'). 'DIST' without a group: empty.
QString GetRecordEmailForType(const ContactsRecord* inGroup, const ContactsRecord* inPerson, OSType inType);
// The name (the organization with `inUseOrganization` when there is one, else the first-last
// name, or the organization when that is empty) and the addresses of that type.
void GetRecordOrganizationOrName(const ContactsRecord* inGroup, const ContactsRecord* inPerson, OSType inType,
                                 CText& outName, CText& outEmail, bool inUseOrganization);
// First name, last name, addresses; an output stays as it was where the value is missing.
void GetRecordNameAndEmail(const ContactsRecord* inGroup, const ContactsRecord* inPerson, OSType inType,
                           CText& outFirstName, CText& outLastName, CText& outEmail);

// Postal address part of the address with that label (the last one of several); null when none.
QString GetRecordAddress(const ContactsRecord* inRecord, const QString& inLabel, EContactsAddressPart inPart);
// Every value with that label, in stored order, joined by ",". Labels compare exactly.
QString GetRecordEmails(const ContactsRecord* inRecord, const QString& inLabel);
QString GetRecordPhones(const ContactsRecord* inRecord, const QString& inLabel);
QString GetRecordRelatedNames(const ContactsRecord* inRecord, const QString& inLabel);
// Dates as month-day-year ("7-4-1976"), joined by ",".
QString GetRecordOtherDates(const ContactsRecord* inRecord, const QString& inLabel);
QString GetRecordBirthday(const ContactsRecord* inRecord);

// Shows the person's card: its .vcf file opened with the desktop's opener. Nothing for a person
// never saved.
void OpenPersonInAddressBook(const ContactsRecord* inPerson);
