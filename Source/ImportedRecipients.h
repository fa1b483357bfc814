// ImportedRecipients: a mailing's imported recipients in list order: the program's CList<Person>
// with an index beside it, so recipient i is found at once and a duplicate (three equal fields)
// by a hash of its fields instead of a walk. Records are reached by 0-based position.
//
// Invariant: the index and the hash table describe the list after every public call (the list
// is changed only through this class). Pointers to records stay valid until the record is
// removed. GUI thread only (the importers' cooperative threads run on it).
#pragma once

#include "CList.h"
#include "Person.h"

#include <QByteArray>

#include <cstddef>
#include <unordered_map>
#include <vector>

class ImportedRecipients {
public:
    enum class EField { firstName, lastName, email };

    ImportedRecipients() = default;
    ImportedRecipients(const ImportedRecipients&) = delete;
    ImportedRecipients& operator=(const ImportedRecipients&) = delete;

    SInt32 Count() const { return SInt32(mIndex.size()); }
    // Null outside 0..Count()-1.
    const Person* At(SInt32 inIndex) const;

    void Append(const Person& inPerson);
    // True when a record with the same three fields is in the list.
    bool Contains(const Person& inPerson) const;
    void RemoveAll();
    // Removes the records at these positions (any order, repeats and bad positions ignored).
    void RemoveAt(std::vector<SInt32> inIndexes);
    // Replaces one field of recipient i (cut to 255 bytes); false outside the list.
    bool SetField(SInt32 inIndex, EField inField, const QString& inText);

    // A number that changes with every change of the list (to tell whether it was edited).
    UInt64 Generation() const { return mGeneration; }
    // The recipients as flat records back to back (Count() x 768 bytes); empty for no recipients.
    QByteArray ToData() const;
    // Appends one record per whole 768-byte record of the data; a trailing part is ignored.
    void AppendFromData(const QByteArray& inData);

private:
    static size_t Hash(const Person& inPerson);
    void Rebuild();

    CList<Person> mList;
    std::vector<Person*> mIndex;
    std::unordered_multimap<size_t, const Person*> mByHash;
    UInt64 mGeneration = 0;
};
