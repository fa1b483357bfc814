#include "ContactsStore.h"

#include "ContactsFolder.h"
#include "WholeFileWrite.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

// One file of the folder: its cards in order, each either a record or text kept as read.
struct ContactsStore::StoredFile {
    QString name;
    struct Entry {
        QByteArray raw;
        ContactsRecord* record = nullptr; // null for a card that did not parse
    };
    std::vector<Entry> entries;
};

namespace {

QString NameKey(const QString& inFirstName, const QString& inLastName)
{
    return inFirstName.toCaseFolded() + QChar(0x1F) + inLastName.toCaseFolded();
}

QString FreshUID() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(); }

} // namespace

ContactsStore::ContactsStore(QString inFolder) : mFolder(std::move(inFolder)) { Reload(); }

ContactsStore::~ContactsStore() = default;

ContactsStore& ContactsStore::Shared()
{
    static std::unique_ptr<ContactsStore> store;
    if (const QString folder = ContactsFolder::Path(); !store || store->Folder() != folder)
        store = std::make_unique<ContactsStore>(folder);
    return *store;
}

void ContactsStore::Clear()
{
    mFiles.clear();
    mRecords.clear();
    mPeopleByName.clear();
    mNextOrder = 0;
    mAvailable = false;
}

bool ContactsStore::Reload()
{
    Clear();
    QDir folder(mFolder);
    if (!QDir().mkpath(mFolder) || !QFileInfo(mFolder).isDir() || !QFileInfo(mFolder).isReadable()) {
        qWarning().noquote() << "Contacts: the folder" << mFolder << "cannot be made or read: no address book";
        return false;
    }
    mAvailable = true;
    for (const QString& name : folder.entryList({"*.vcf"}, QDir::Files | QDir::Readable, QDir::Name))
        ReadFile(name);
    return true;
}

void ContactsStore::ReadFile(const QString& inName)
{
    QFile file(mFolder + '/' + inName);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning().noquote() << "Contacts: cannot read" << file.fileName() << file.errorString();
        return;
    }
    auto stored = std::make_unique<StoredFile>();
    stored->name = inName;
    for (VCardChunk& chunk : ParseVCards(file.readAll())) {
        if (!chunk.parsed) {
            qWarning().noquote() << "Contacts: a card in" << file.fileName() << "is skipped:" << chunk.error;
            stored->entries.push_back({chunk.raw, nullptr});
            continue;
        }
        auto record = std::make_unique<ContactsRecord>(std::move(chunk.card));
        record->mFileName = inName;
        record->mOrder = mNextOrder++;
        stored->entries.push_back({chunk.raw, record.get()});
        if (!record->IsGroup())
            IndexPerson(record.get());
        mRecords.push_back(std::move(record));
    }
    mFiles.push_back(std::move(stored));
}

void ContactsStore::IndexPerson(ContactsRecord* inRecord)
{
    std::vector<ContactsRecord*>& named = mPeopleByName[NameKey(inRecord->FirstName(), inRecord->LastName())];
    if (std::find(named.begin(), named.end(), inRecord) == named.end())
        named.push_back(inRecord);
}

std::vector<ContactsRecord*> ContactsStore::People() const
{
    std::vector<ContactsRecord*> people;
    for (const auto& record : mRecords) {
        if (!record->IsGroup())
            people.push_back(record.get());
    }
    return people;
}

std::vector<ContactsRecord*> ContactsStore::Groups() const
{
    std::vector<ContactsRecord*> groups;
    for (const auto& record : mRecords) {
        if (record->IsGroup())
            groups.push_back(record.get());
    }
    return groups;
}

ContactsRecord* ContactsStore::FindGroupNamed(const QString& inName) const
{
    for (const auto& record : mRecords) {
        if (record->IsGroup() && record->GroupName().compare(inName, Qt::CaseInsensitive) == 0)
            return record.get();
    }
    return nullptr;
}

ContactsRecord* ContactsStore::FindPersonNamed(const QString& inFirstName, const QString& inLastName) const
{
    // Entries of renamed people stay behind in their old key's list: each is checked again.
    const QString key = NameKey(inFirstName, inLastName);
    const auto found = mPeopleByName.constFind(key);
    if (found == mPeopleByName.constEnd())
        return nullptr;
    ContactsRecord* first = nullptr;
    for (ContactsRecord* record : *found) {
        if (NameKey(record->FirstName(), record->LastName()) == key && (!first || record->mOrder < first->mOrder))
            first = record;
    }
    return first;
}

ContactsRecord* ContactsStore::FindByUID(const QString& inUID) const
{
    if (inUID.isEmpty())
        return nullptr;
    for (const auto& record : mRecords) {
        if (record->UID() == inUID)
            return record.get();
    }
    return nullptr;
}

std::vector<ContactsRecord*> ContactsStore::Members(const ContactsRecord& inGroup) const
{
    std::vector<ContactsRecord*> members;
    const QString name = inGroup.GroupName();
    for (const auto& record : mRecords) {
        if (!record->IsGroup() && record->Categories().contains(name, Qt::CaseInsensitive))
            members.push_back(record.get());
    }
    return members;
}

std::vector<ContactsRecord*> ContactsStore::Subgroups(const ContactsRecord& inGroup) const
{
    std::vector<ContactsRecord*> subgroups;
    const QString name = inGroup.GroupName();
    for (const auto& record : mRecords) {
        if (record->IsGroup() && record.get() != &inGroup && record->Categories().contains(name, Qt::CaseInsensitive))
            subgroups.push_back(record.get());
    }
    return subgroups;
}

std::unique_ptr<ContactsRecord> ContactsStore::CreateGroup(const QString& inName)
{
    auto group = CreatePerson();
    group->mCard.Obtain("KIND").SetText("group");
    group->mCard.Obtain("FN").SetText(inName);
    group->mCard.Obtain("N").SetComponents({inName, {}, {}, {}, {}});
    return group;
}

std::unique_ptr<ContactsRecord> ContactsStore::CreatePerson()
{
    auto person = std::make_unique<ContactsRecord>(VCard());
    person->mCard.Obtain("UID").SetText(FreshUID());
    return person;
}

ContactsRecord* ContactsStore::AddRecord(std::unique_ptr<ContactsRecord> inRecord)
{
    if (!mAvailable || !inRecord)
        return nullptr;
    if (inRecord->UID().isEmpty())
        inRecord->mCard.Obtain("UID").SetText(FreshUID());
    // A UID makes a poor file name when it holds a path separator or starts with a dot.
    QString name = inRecord->UID();
    if (name.contains('/') || name.startsWith('.') || QFileInfo::exists(mFolder + '/' + name + ".vcf"))
        name = FreshUID();
    inRecord->mFileName = name + ".vcf";
    inRecord->mChanged = true;
    inRecord->mOrder = mNextOrder++;
    ContactsRecord* record = inRecord.get();
    mFiles.push_back(std::make_unique<StoredFile>(StoredFile{inRecord->mFileName, {{QByteArray(), record}}}));
    if (!record->IsGroup())
        IndexPerson(record);
    mRecords.push_back(std::move(inRecord));
    return record;
}

void ContactsStore::MarkChanged(ContactsRecord* inRecord) { inRecord->mChanged = true; }

void ContactsStore::SetName(ContactsRecord* inRecord, const QString& inFirstName, const QString& inLastName)
{
    if (!inRecord)
        return;
    QStringList parts = inRecord->mCard.Find("N") ? inRecord->mCard.Find("N")->Components() : QStringList();
    while (parts.size() < 5)
        parts.append(QString());
    parts[0] = inLastName;
    parts[1] = inFirstName;
    inRecord->mCard.Obtain("N").SetComponents(parts);
    // FN is required in the vCard 3.0 written here.
    const QString full = (inFirstName + ' ' + inLastName).trimmed();
    inRecord->mCard.Obtain("FN").SetText(full);
    if (!inRecord->IsGroup())
        IndexPerson(inRecord);
    MarkChanged(inRecord);
}

void ContactsStore::SetText(ContactsRecord* inRecord, const QString& inProperty, const QString& inText)
{
    if (!inRecord)
        return;
    inRecord->mCard.Obtain(inProperty).SetText(inText);
    MarkChanged(inRecord);
}

void ContactsStore::AddLabelledValue(ContactsRecord* inRecord, const QString& inProperty, const QString& inLabel,
                                     const QString& inValue)
{
    if (!inRecord)
        return;
    VCardProperty property{{}, inProperty, {}, {}};
    property.SetText(inValue);
    if (inLabel == kContactsHomeLabel || inLabel == kContactsWorkLabel) {
        property.parameters.emplace_back("TYPE", inLabel.toUpper());
    } else if (!inLabel.isEmpty() && inLabel != kContactsOtherLabel) {
        // A custom label rides on a property group, as other programs write it.
        int item = 1;
        auto used = [&](const QString& group) { return inRecord->mCard.FindInGroup(group, "X-ABLABEL") != nullptr; };
        while (used(QStringLiteral("item%1").arg(item)))
            ++item;
        property.group = QStringLiteral("item%1").arg(item);
        VCardProperty label{property.group, "X-ABLABEL", {}, {}};
        label.SetText(inLabel);
        inRecord->mCard.properties.push_back(property);
        inRecord->mCard.properties.push_back(label);
        MarkChanged(inRecord);
        return;
    }
    inRecord->mCard.properties.push_back(property);
    MarkChanged(inRecord);
}

void ContactsStore::AddToGroup(ContactsRecord* inRecord, const ContactsRecord& inGroup)
{
    if (!inRecord || inRecord == &inGroup || inRecord->Categories().contains(inGroup.GroupName(), Qt::CaseInsensitive))
        return;
    QStringList names = inRecord->Categories();
    names.append(inGroup.GroupName());
    std::erase_if(inRecord->mCard.properties, [](const VCardProperty& property) { return property.name == "CATEGORIES"; });
    VCardProperty categories{{}, "CATEGORIES", {}, {}};
    QStringList escaped;
    for (const QString& name : names)
        escaped.append(EscapeVCardText(name));
    categories.value = escaped.join(',');
    inRecord->mCard.properties.push_back(categories);
    MarkChanged(inRecord);
}

bool ContactsStore::HasUnsavedChanges() const
{
    return std::any_of(mRecords.begin(), mRecords.end(), [](const auto& record) { return record->mChanged; });
}

bool ContactsStore::SaveFile(StoredFile& inFile)
{
    QByteArray bytes;
    for (const StoredFile::Entry& entry : inFile.entries) {
        if (entry.record && entry.record->mChanged)
            bytes += entry.record->mCard.ToVCard30();
        else
            bytes += entry.raw;
    }
    const QByteArray path = QFile::encodeName(mFolder + '/' + inFile.name);
    const OSErr error = WriteWholeFileAtomically(std::string_view(path.constData(), size_t(path.size())),
                                                 bytes.constData(), size_t(bytes.size()), WholeFileMode::CreateIfMissing);
    if (error != noErr) {
        qWarning().noquote() << "Contacts: cannot write" << path << "error" << error;
        return false;
    }
    for (StoredFile::Entry& entry : inFile.entries) {
        if (entry.record && entry.record->mChanged) {
            entry.raw = entry.record->mCard.ToVCard30();
            entry.record->mChanged = false;
        }
    }
    return true;
}

bool ContactsStore::Save()
{
    if (!mAvailable)
        return false;
    bool saved = true;
    for (const auto& file : mFiles) {
        const bool changed = std::any_of(file->entries.begin(), file->entries.end(),
                                         [](const auto& entry) { return entry.record && entry.record->mChanged; });
        if (changed && !SaveFile(*file))
            saved = false;
    }
    return saved;
}

QByteArray ContactsStore::CopyVCardData(const ContactsRecord& inRecord) { return inRecord.mCard.ToVCard30(); }

QString ContactsStore::FilePath(const ContactsRecord& inRecord) const
{
    const QString path = mFolder + '/' + inRecord.mFileName;
    return inRecord.mFileName.isEmpty() || !QFileInfo::exists(path) ? QString() : path;
}
