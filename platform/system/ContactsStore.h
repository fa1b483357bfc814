// ContactsStore: the address book, a folder of vCards (a vdir other tools can keep as well): one
// card per `.vcf` as a rule, though a file holding several cards is read whole. The folder is made
// when missing; one that cannot be made or read (a file in its place, no permission) makes the
// store unavailable: it then holds nothing and saves nothing. A card that does not parse is
// skipped with a log line and kept as it stood in its file.
//
// Records live as long as the store (or until Reload) and are compared by identity. People are
// found by first and last name through an index (case-insensitive, the first card read wins), so
// a long import may look up once a line. Saving writes each file holding a changed card whole and
// atomically: its unchanged cards as they were read, changed ones as vCard 3.0; a new record goes
// into "<UID>.vcf" with a fresh UUID. GUI thread only (the cooperative threads count as it).
#pragma once

#include "ContactsRecord.h"

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

class ContactsStore {
public:
    explicit ContactsStore(QString inFolder);
    ~ContactsStore();

    // The store of ContactsFolder::Path(), read at first use, and read afresh (its records gone)
    // when that path has changed since.
    static ContactsStore& Shared();

    // Reads the folder afresh; unsaved changes are dropped. False when it is unavailable.
    bool Reload();
    bool IsAvailable() const { return mAvailable; }
    const QString& Folder() const { return mFolder; }

    // Every person and every group, in the order read (files by name) and added.
    std::vector<ContactsRecord*> People() const;
    std::vector<ContactsRecord*> Groups() const;

    // The first group whose name equals the name without regard to case; null when none.
    ContactsRecord* FindGroupNamed(const QString& inName) const;
    // The first person with that first and last name, without regard to case; null when none.
    ContactsRecord* FindPersonNamed(const QString& inFirstName, const QString& inLastName) const;
    ContactsRecord* FindByUID(const QString& inUID) const;
    // The people, and the groups, whose CATEGORIES name the group.
    std::vector<ContactsRecord*> Members(const ContactsRecord& inGroup) const;
    std::vector<ContactsRecord*> Subgroups(const ContactsRecord& inGroup) const;

    // A new record with a fresh UID, not yet in the store: a group card named `inName`, or an
    // empty person.
    static std::unique_ptr<ContactsRecord> CreateGroup(const QString& inName);
    static std::unique_ptr<ContactsRecord> CreatePerson();
    // Takes the record in (to be written at the next Save). Null when the store is unavailable.
    ContactsRecord* AddRecord(std::unique_ptr<ContactsRecord> inRecord);

    // Changes; each marks the record for saving (null `inRecord` does nothing).
    void SetName(ContactsRecord* inRecord, const QString& inFirstName, const QString& inLastName);
    void SetText(ContactsRecord* inRecord, const QString& inProperty, const QString& inText);
    // Appends one labelled value to EMAIL, TEL or another one-text property.
    void AddLabelledValue(ContactsRecord* inRecord, const QString& inProperty, const QString& inLabel,
                          const QString& inValue);
    // Adds the group's name to the record's CATEGORIES (a group record becomes a subgroup).
    void AddToGroup(ContactsRecord* inRecord, const ContactsRecord& inGroup);

    bool HasUnsavedChanges() const;
    // Writes every file holding a changed or new card. False when one could not be written (those
    // stay marked) or the store is unavailable.
    bool Save();

    // The file holding the record's card; empty for a record never saved.
    QString FilePath(const ContactsRecord& inRecord) const;

    // The record's card as vCard 3.0 text (also for records never saved).
    static QByteArray CopyVCardData(const ContactsRecord& inRecord);

private:
    struct StoredFile;

    void Clear();
    void ReadFile(const QString& inName);
    void MarkChanged(ContactsRecord* inRecord);
    void IndexPerson(ContactsRecord* inRecord);
    bool SaveFile(StoredFile& inFile);

    QString mFolder;
    bool mAvailable = false;
    std::vector<std::unique_ptr<StoredFile>> mFiles;
    std::vector<std::unique_ptr<ContactsRecord>> mRecords;
    QHash<QString, std::vector<ContactsRecord*>> mPeopleByName; // by folded first and last name
    int mNextOrder = 0;
};
