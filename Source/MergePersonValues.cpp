#include "MergePersonValues.h"

#include "AddressBookAccess.h"
#include "CBrevantoWindow.h"
#include "Person.h"

#include <QHash>

namespace {

const QHash<QString, EContactsAddressPart>& AddressParts()
{
    static const QHash<QString, EContactsAddressPart> parts = {
        {"Street", EContactsAddressPart::street},   {"City", EContactsAddressPart::city},
        {"State", EContactsAddressPart::state},     {"ZIP", EContactsAddressPart::zip},
        {"Country", EContactsAddressPart::country}, {"CountryCode", EContactsAddressPart::countryCode},
    };
    return parts;
}

// A named person property: a part of the card's name, or the text of one of its properties.
QString PropertyValue(const ContactsRecord* inRecord, const QString& inName)
{
    static const QHash<QString, int> nameParts = {{"MiddleName", 2}, {"Title", 3}, {"Suffix", 4}};
    static const QHash<QString, QString> properties = {
        {"Note", "NOTE"},      {"Nickname", "NICKNAME"}, {"MaidenName", "X-MAIDENNAME"},
        {"JobTitle", "TITLE"}, {"HomePage", "URL"},
    };
    if (const auto part = nameParts.constFind(inName); part != nameParts.constEnd())
        return inRecord->NamePart(*part);
    if (inName == QLatin1String("Organization"))
        return GetRecordOrganization(inRecord);
    return GetRecordValue(inRecord, properties.value(inName, inName));
}

} // namespace

QString CopyPersonValue(const CBrevantoWindow& inWindow, SInt32 inIndex, const PersonValueRequest& inRequest)
{
    const bool imported = inWindow.CurrentSource() == CBrevantoWindow::ERecipientSource::imported;
    if (inIndex != -1 && imported)
        return inRequest.kind == EPersonValue::uid ? QString::number(inIndex) : QString();
    const ContactsRecord* record = inIndex == -1 ? CopyMeRecord() : inWindow.AddressBookPerson(inIndex);
    if (!record)
        return QString();
    switch (inRequest.kind) {
    case EPersonValue::address:
        if (!AddressParts().contains(inRequest.part))
            return QString();
        return GetRecordAddress(record, inRequest.label, AddressParts().value(inRequest.part));
    case EPersonValue::email: return GetRecordEmails(record, inRequest.label);
    case EPersonValue::phone: return GetRecordPhones(record, inRequest.label);
    case EPersonValue::relatedName: return GetRecordRelatedNames(record, inRequest.label);
    case EPersonValue::date: return GetRecordOtherDates(record, inRequest.label);
    case EPersonValue::birthday: return GetRecordBirthday(record);
    case EPersonValue::uid: return GetRecordUID(record);
    case EPersonValue::property: return PropertyValue(record, inRequest.label);
    }
    return QString();
}

std::optional<QString> CopyImportColumnValue(const CBrevantoWindow& inWindow, SInt32 inIndex, const QString& inColumn)
{
    const Person* person = inWindow.mImported.At(inIndex);
    if (!person || !person->ColumnValues())
        return std::nullopt;
    const auto found = person->ColumnValues()->constFind(inColumn);
    if (found == person->ColumnValues()->constEnd())
        return std::nullopt;
    return *found;
}
