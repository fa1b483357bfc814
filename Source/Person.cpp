#include "Person.h"

#include "ByteDecoders.h"
#include "MacRomanText.h"
#include "PreferenceGetters.h"

#include <QByteArray>

#include <cstring>

namespace {

void ReadFlatField(const char* inField, CString256& outText)
{
    const void* nul = std::memchr(inField, 0, Person::kFieldSize - 1);
    const size_t length = nul ? size_t(static_cast<const char*>(nul) - inField) : Person::kFieldSize - 1;
    const QByteArray bytes(inField, qsizetype(length));
    if (IsValidUtf8(bytes))
        outText.Assign(bytes.constData());
    else
        outText.AssignCFString(DecodeMacRoman(bytes));
}

void WriteFlatField(const CString256& inText, char* outField)
{
    std::memset(outField, 0, Person::kFieldSize);
    std::memcpy(outField, inText.text, inText.Length());
}

} // namespace

Person::Person(const char* inFirstName, const char* inLastName, const char* inEmail)
    : mFirstName(inFirstName)
    , mLastName(inLastName)
    , mEmail(inEmail)
{
}

Person::Person(const Columns& inColumns)
    : mColumns(inColumns)
{
    mFirstName.AssignCFString(inColumns.value(QStringLiteral("First Name")));
    mLastName.AssignCFString(inColumns.value(QStringLiteral("Last Name")));
    mEmail.AssignCFString(inColumns.value(QStringLiteral("Email Address")));
}

Person Person::FromFlatRecord(const char* inRecord)
{
    Person person;
    ReadFlatField(inRecord, person.mFirstName);
    ReadFlatField(inRecord + kFieldSize, person.mLastName);
    ReadFlatField(inRecord + 2 * kFieldSize, person.mEmail);
    return person;
}

void Person::ToFlatRecord(char* outRecord) const
{
    WriteFlatField(mFirstName, outRecord);
    WriteFlatField(mLastName, outRecord + kFieldSize);
    WriteFlatField(mEmail, outRecord + 2 * kFieldSize);
}

bool Person::operator==(const Person& inOther) const
{
    return mFirstName == inOther.mFirstName && mLastName == inOther.mLastName && mEmail == inOther.mEmail;
}

QString Person::CopyFullName() const
{
    QString name = FirstName();
    if (mFirstName.Length() != 0 && mLastName.Length() != 0)
        name += QLatin1Char(' ');
    return name + LastName();
}

bool GetEliminateDuplicates() { return ReadTrueRuleFlag(kEliminateDuplicatesKey, false); }
