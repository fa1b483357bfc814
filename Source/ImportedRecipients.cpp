#include "ImportedRecipients.h"

#include <algorithm>
#include <functional>
#include <string_view>

const Person* ImportedRecipients::At(SInt32 inIndex) const
{
    if (inIndex < 0 || size_t(inIndex) >= mIndex.size())
        return nullptr;
    return mIndex[size_t(inIndex)];
}

void ImportedRecipients::Append(const Person& inPerson)
{
    ++mGeneration;
    mList.Append(inPerson);
    Person* added = mList.Last();
    mIndex.push_back(added);
    mByHash.emplace(Hash(*added), added);
}

bool ImportedRecipients::Contains(const Person& inPerson) const
{
    const auto [first, last] = mByHash.equal_range(Hash(inPerson));
    return std::any_of(first, last, [&inPerson](const auto& entry) { return *entry.second == inPerson; });
}

void ImportedRecipients::RemoveAll()
{
    ++mGeneration;
    mList.RemoveAll();
    mIndex.clear();
    mByHash.clear();
}

void ImportedRecipients::RemoveAt(std::vector<SInt32> inIndexes)
{
    std::vector<bool> remove(mIndex.size(), false);
    for (SInt32 index : inIndexes) {
        if (index >= 0 && size_t(index) < mIndex.size())
            remove[size_t(index)] = true;
    }
    CList<Person> kept;
    for (size_t index = 0; index < mIndex.size(); ++index) {
        if (!remove[index])
            kept.Append(*mIndex[index]);
    }
    mList = kept;
    ++mGeneration;
    Rebuild();
}

bool ImportedRecipients::SetField(SInt32 inIndex, EField inField, const QString& inText)
{
    if (inIndex < 0 || size_t(inIndex) >= mIndex.size())
        return false;
    ++mGeneration;
    Person* person = mIndex[size_t(inIndex)];
    const auto [first, last] = mByHash.equal_range(Hash(*person));
    for (auto entry = first; entry != last; ++entry) {
        if (entry->second == person) {
            mByHash.erase(entry);
            break;
        }
    }
    switch (inField) {
    case EField::firstName: person->SetFirstName(inText); break;
    case EField::lastName: person->SetLastName(inText); break;
    case EField::email: person->SetEmail(inText); break;
    }
    mByHash.emplace(Hash(*person), person);
    return true;
}

QByteArray ImportedRecipients::ToData() const
{
    QByteArray data;
    if (mIndex.empty())
        return data;
    data.resize(qsizetype(mIndex.size() * Person::kFlatRecordSize));
    char* record = data.data();
    for (const Person* person : mIndex) {
        person->ToFlatRecord(record);
        record += Person::kFlatRecordSize;
    }
    return data;
}

void ImportedRecipients::AppendFromData(const QByteArray& inData)
{
    const size_t count = size_t(inData.size()) / Person::kFlatRecordSize;
    for (size_t record = 0; record < count; ++record)
        Append(Person::FromFlatRecord(inData.constData() + record * Person::kFlatRecordSize));
}

size_t ImportedRecipients::Hash(const Person& inPerson)
{
    const std::hash<std::string_view> hash;
    size_t value = hash(inPerson.FirstNameBytes().text);
    value = value * 31 + hash(inPerson.LastNameBytes().text);
    return value * 31 + hash(inPerson.EmailBytes().text);
}

void ImportedRecipients::Rebuild()
{
    mIndex.clear();
    mByHash.clear();
    mIndex.reserve(size_t(mList.Count()));
    mList.Rewind();
    while (Person* person = mList.Next()) {
        mIndex.push_back(person);
        mByHash.emplace(Hash(*person), person);
    }
}
