// Person: one imported recipient of a mailing: first name, last name and e-mail address (each
// at most 255 bytes of UTF-8, cut on a character boundary) and, for a line read under a header
// row, every column of that line by its name. A mailing keeps its imported recipients in an
// ImportedRecipients list; the document stores them as flat records of 768 bytes.
//
// Two records are equal when their three fields are equal byte for byte (letter case counts);
// the columns play no part. Plain value; any thread, one at a time.
#pragma once

#include "CString256.h"

#include <QMap>
#include <QString>

#include <cstddef>
#include <optional>

class Person {
public:
    using Columns = QMap<QString, QString>;

    static constexpr size_t kFieldSize = 256;
    static constexpr size_t kFlatRecordSize = 3 * kFieldSize;

    Person() = default;
    // Each text cut to 255 bytes; null counts as empty.
    Person(const char* inFirstName, const char* inLastName, const char* inEmail);
    // "First Name", "Last Name" and "Email Address" (exact names) give the three fields; every
    // column is kept.
    explicit Person(const Columns& inColumns);
    // Reads one flat record (768 bytes): each field up to its NUL, at most 255 bytes; a field
    // that is not UTF-8 is read as Mac OS Roman (records written on a Mac).
    static Person FromFlatRecord(const char* inRecord);
    // Writes the three fields at offsets 0, 256 and 512, each followed by NULs.
    void ToFlatRecord(char* outRecord) const;

    bool operator==(const Person& inOther) const;

    // The first and the last name, with one blank between them only when both are there.
    QString CopyFullName() const;

    QString FirstName() const { return QString::fromUtf8(mFirstName.text); }
    QString LastName() const { return QString::fromUtf8(mLastName.text); }
    QString Email() const { return QString::fromUtf8(mEmail.text); }
    const CString256& FirstNameBytes() const { return mFirstName; }
    const CString256& LastNameBytes() const { return mLastName; }
    const CString256& EmailBytes() const { return mEmail; }
    void SetFirstName(const QString& inText) { mFirstName.AssignCFString(inText); }
    void SetLastName(const QString& inText) { mLastName.AssignCFString(inText); }
    void SetEmail(const QString& inText) { mEmail.AssignCFString(inText); }

    // The line's columns, or none for records not read under a header row.
    const std::optional<Columns>& ColumnValues() const { return mColumns; }

private:
    CString256 mFirstName;
    CString256 mLastName;
    CString256 mEmail;
    std::optional<Columns> mColumns;
};

// True when the preference "Eliminate Duplicates" holds exactly "true".
bool GetEliminateDuplicates();
