#include "AddressBookAccess.h"

#include "CText.h"
#include "ContactsStore.h"
#include "Launcher.h"
#include "Person.h"
#include "Preferences.h"

#include <QDate>

#include <unordered_set>

namespace {

ContactsStore* AvailableStore()
{
    ContactsStore& store = ContactsStore::Shared();
    return store.IsAvailable() ? &store : nullptr;
}

// The joined values of one labelled multi-value whose label equals `inLabel` exactly.
QString JoinLabelled(const ContactsRecord* inRecord, const QString& inProperty, const QString& inLabel,
                     QString (*inFormat)(const ContactsValue&))
{
    if (!inRecord)
        return QString();
    QStringList values;
    for (const ContactsValue& value : inRecord->MultiValue(inProperty).values) {
        if (value.label == inLabel && !value.value.isEmpty())
            values.append(inFormat(value));
    }
    return values.join(',');
}

QString AsWritten(const ContactsValue& inValue) { return inValue.value; }

// A vCard date (1976-07-04, 19760704, with or without a time) as month-day-year; text that is
// no such date stays as written.
QString MonthDayYear(const QString& inDate)
{
    QString digits = inDate.section('T', 0, 0);
    digits.remove('-');
    const QDate date = QDate::fromString(digits, QStringLiteral("yyyyMMdd"));
    if (!date.isValid())
        return inDate;
    return QStringLiteral("%1-%2-%3").arg(date.month()).arg(date.day()).arg(date.year());
}

QString DateValue(const ContactsValue& inValue) { return MonthDayYear(inValue.value); }

bool LabelMatchesType(const QString& inLabel, OSType inType)
{
    if (inLabel == kContactsHomeLabel)
        return inType == kAddressTypeHome;
    if (inLabel == kContactsWorkLabel)
        return inType == kAddressTypeWork;
    return inType == kAddressTypeOther;
}

void CollectMembers(const ContactsStore& inStore, const ContactsRecord* inGroup,
                    std::unordered_set<const ContactsRecord*>& ioGroupsSeen,
                    std::unordered_set<const ContactsRecord*>& ioPeopleSeen, std::vector<ContactsRecord*>& ioResult)
{
    if (!ioGroupsSeen.insert(inGroup).second)
        return;
    for (ContactsRecord* person : inStore.Members(*inGroup)) {
        if (ioPeopleSeen.insert(person).second)
            ioResult.push_back(person);
    }
    for (ContactsRecord* subgroup : inStore.Subgroups(*inGroup))
        CollectMembers(inStore, subgroup, ioGroupsSeen, ioPeopleSeen, ioResult);
}

} // namespace

bool IsAddressBookAvailable() { return AvailableStore() != nullptr; }

ContactsRecord* FindGroupNamed(const QString& inName)
{
    ContactsStore* store = AvailableStore();
    return store ? store->FindGroupNamed(inName) : nullptr;
}

ContactsRecord* FindAddressBookPerson(const QString& inFirstName, const QString& inLastName)
{
    ContactsStore* store = AvailableStore();
    return store ? store->FindPersonNamed(inFirstName, inLastName) : nullptr;
}

ContactsRecord* CreateAddressBookGroup(const QString& inName)
{
    ContactsStore* store = AvailableStore();
    if (!store || store->FindGroupNamed(inName))
        return nullptr;
    ContactsRecord* group = store->AddRecord(ContactsStore::CreateGroup(inName));
    if (group)
        store->Save();
    return group;
}

bool CreateAddressBookGroupNamed(const char* inName, ContactsRecord** outGroup)
{
    ContactsRecord* group = CreateAddressBookGroup(QString::fromUtf8(inName ? inName : ""));
    if (outGroup)
        *outGroup = group;
    return group != nullptr;
}

ContactsRecord* CreateAddressBookPersonFromStrings(const QString& inFirstName, const QString& inLastName,
                                                   const QString& inEmail)
{
    ContactsStore* store = AvailableStore();
    if (!store)
        return nullptr;
    const bool named = !inFirstName.isEmpty() || !inLastName.isEmpty();
    // Without a name, a lookup would hand back any nameless card (a company's) for the address.
    if (named) {
        if (ContactsRecord* existing = store->FindPersonNamed(inFirstName, inLastName))
            return existing;
    } else if (inEmail.isEmpty()) {
        return nullptr;
    }
    ContactsRecord* person = store->AddRecord(ContactsStore::CreatePerson());
    store->SetName(person, inFirstName, inLastName);
    if (!inEmail.isEmpty())
        store->AddLabelledValue(person, "EMAIL", kContactsWorkLabel, inEmail);
    if (!named)
        store->SetText(person, "FN", inEmail); // what other programs show for the card
    return person;
}

ContactsRecord* CreateAddressBookPerson(const Person& inRecord)
{
    const QString first = inRecord.FirstName();
    const QString last = inRecord.LastName();
    if (!first.isEmpty() || !last.isEmpty()) {
        if (ContactsRecord* existing = FindAddressBookPerson(first, last))
            return existing;
    }
    ContactsRecord* person = CreateAddressBookPersonFromStrings(first, last, inRecord.Email());
    if (!person || !inRecord.ColumnValues())
        return person;
    QString note;
    const Person::Columns& columns = *inRecord.ColumnValues();
    for (auto column = columns.constBegin(); column != columns.constEnd(); ++column)
        note += column.key() + " = " + column.value() + '\n';
    ContactsStore::Shared().SetText(person, "NOTE", note);
    return person;
}

void AddPersonToGroup(ContactsRecord* inPerson, const ContactsRecord* inGroup)
{
    ContactsStore* store = AvailableStore();
    if (store && inPerson && inGroup)
        store->AddToGroup(inPerson, *inGroup);
}

bool SaveAddressBook()
{
    ContactsStore* store = AvailableStore();
    return store && store->Save();
}

std::vector<ContactsRecord*> CopyGroupMembersDeep(const ContactsRecord* inGroup)
{
    std::vector<ContactsRecord*> members;
    ContactsStore* store = AvailableStore();
    if (!store || !inGroup)
        return members;
    std::unordered_set<const ContactsRecord*> groupsSeen;
    std::unordered_set<const ContactsRecord*> peopleSeen;
    CollectMembers(*store, inGroup, groupsSeen, peopleSeen, members);
    return members;
}

ContactsRecord* CopyMeRecord()
{
    ContactsStore* store = AvailableStore();
    if (!store)
        return nullptr;
    const std::unique_ptr<char[]> uid = GetPreference(CString256(kMeCardKey));
    return uid ? store->FindByUID(QString::fromUtf8(uid.get())) : nullptr;
}

QString GetRecordUID(const ContactsRecord* inRecord) { return inRecord ? inRecord->UID() : QString(); }

QString GetRecordFirstName(const ContactsRecord* inRecord) { return inRecord ? inRecord->FirstName() : QString(); }

QString GetRecordLastName(const ContactsRecord* inRecord) { return inRecord ? inRecord->LastName() : QString(); }

QString GetRecordOrganization(const ContactsRecord* inRecord)
{
    return inRecord ? inRecord->Organization() : QString();
}

QString GetRecordValue(const ContactsRecord* inRecord, const QString& inProperty)
{
    return inRecord ? inRecord->Text(inProperty.toUpper()) : QString();
}

QString GetRecordLastFirstName(const ContactsRecord* inRecord)
{
    const QString first = GetRecordFirstName(inRecord);
    const QString last = GetRecordLastName(inRecord);
    return last + (!first.isEmpty() && !last.isEmpty() ? QStringLiteral(", ") : QString()) + first;
}

QString GetRecordFirstLastName(const ContactsRecord* inRecord)
{
    const QString last = GetRecordLastName(inRecord);
    return GetRecordFirstName(inRecord) + (last.isEmpty() ? QString() : ' ' + last);
}

QStringList GetRecordEmailList(const ContactsRecord* inRecord)
{
    QStringList emails;
    if (inRecord) {
        for (const ContactsValue& email : inRecord->MultiValue("EMAIL").values)
            emails.append(email.value);
    }
    return emails;
}

QString GetRecordDisplayName(const ContactsRecord* inRecord)
{
    const QString name = GetRecordLastFirstName(inRecord);
    const QString organization = GetRecordOrganization(inRecord);
    if (name.isEmpty())
        return organization.isNull() ? QString("") : organization;
    return organization.isEmpty() ? name : name + " (" + organization + ")";
}

QString GetRecordEmailForType(const ContactsRecord* inGroup, const ContactsRecord* inPerson, OSType inType)
{
    if (!inPerson)
        return QString("");
    const ContactsMultiValue emails = inPerson->MultiValue("EMAIL");
    if (emails.IsEmpty())
        return QString("");
    if (inType == kAddressTypeDistribution && !inGroup)
        return QString("");
    QStringList chosen;
    for (const ContactsValue& value : emails.values) {
        if (value.value.isEmpty())
            continue;
        const bool primary = value.identifier == emails.primaryIdentifier;
        if ((inType == kAddressTypePrimary || inType == kAddressTypeDistribution) ? primary
            : inType == kAddressTypeAll                                         ? true
                                                                                : LabelMatchesType(value.label, inType))
            chosen.append(value.value);
    }
    return chosen.join(',');
}

void GetRecordOrganizationOrName(const ContactsRecord* inGroup, const ContactsRecord* inPerson, OSType inType,
                                 CText& outName, CText& outEmail, bool inUseOrganization)
{
    const QString organization = GetRecordOrganization(inPerson);
    if (inUseOrganization) {
        if (!organization.isEmpty())
            outName.AssignCFString(organization);
    } else {
        const QString name = GetRecordFirstLastName(inPerson);
        outName.AssignCFString(name.isEmpty() && !organization.isEmpty() ? organization : name);
    }
    outEmail.AssignCFString(GetRecordEmailForType(inGroup, inPerson, inType));
}

void GetRecordNameAndEmail(const ContactsRecord* inGroup, const ContactsRecord* inPerson, OSType inType,
                           CText& outFirstName, CText& outLastName, CText& outEmail)
{
    if (const QString first = GetRecordFirstName(inPerson); !first.isNull())
        outFirstName.AssignCFString(first);
    if (const QString last = GetRecordLastName(inPerson); !last.isNull())
        outLastName.AssignCFString(last);
    if (const QString email = GetRecordEmailForType(inGroup, inPerson, inType); !email.isEmpty())
        outEmail.AssignCFString(email);
}

QString GetRecordAddress(const ContactsRecord* inRecord, const QString& inLabel, EContactsAddressPart inPart)
{
    if (!inRecord)
        return QString();
    QString found;
    for (const ContactsValue& address : inRecord->MultiValue("ADR").values) {
        if (address.label == inLabel)
            found = address.addressParts.value(int(inPart));
    }
    return found.isEmpty() ? QString() : found;
}

QString GetRecordEmails(const ContactsRecord* inRecord, const QString& inLabel)
{
    return JoinLabelled(inRecord, "EMAIL", inLabel, AsWritten);
}

QString GetRecordPhones(const ContactsRecord* inRecord, const QString& inLabel)
{
    return JoinLabelled(inRecord, "TEL", inLabel, AsWritten);
}

QString GetRecordRelatedNames(const ContactsRecord* inRecord, const QString& inLabel)
{
    return JoinLabelled(inRecord, "RELATED", inLabel, AsWritten);
}

QString GetRecordOtherDates(const ContactsRecord* inRecord, const QString& inLabel)
{
    return JoinLabelled(inRecord, "X-DATE", inLabel, DateValue);
}

QString GetRecordBirthday(const ContactsRecord* inRecord)
{
    const QString birthday = inRecord ? inRecord->Text("BDAY") : QString();
    return birthday.isEmpty() ? QString() : MonthDayYear(birthday);
}

void OpenPersonInAddressBook(const ContactsRecord* inPerson)
{
    ContactsStore* store = AvailableStore();
    if (!store || !inPerson)
        return;
    if (const QString path = store->FilePath(*inPerson); !path.isEmpty())
        Launcher::Current().Open(path);
}
