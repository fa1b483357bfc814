// RecipientTextParser: reads a recipients text file (one recipient per line) into records.
//
// The bytes: UTF-16 by its byte-order mark, else UTF-8 (a byte-order mark dropped), else the
// whole file as Windows-1252; the text ends at its first NUL. Lines end with CR, LF or CR LF.
// Fields are separated by tabs, or by commas in a file without any tab. A field that begins with
// a double quote runs to its closing quote: separators and line ends inside are data, and two
// quotes stand for one; any other quote is dropped. Only lines holding "@" are recipients.
//
// The first line that begins "!!" is the header: it names the columns ("First Name", "Last
// Name", "Email Address"; any other name is kept in the record's columns). Field i of a line
// belongs to column i, an empty field leaving its column empty. Without a header a line holds
// an address, a name and an address (in either order), or first name, last name and address.
// Names are cut to 255 bytes on a character boundary; a longer address is refused.
//
// Pure: no window, no preference. Any thread.
#pragma once

#include "Person.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class RecipientTextParser {
public:
    explicit RecipientTextParser(const QByteArray& inBytes);

    // The lines that hold "@", in file order (the header excluded).
    SInt32 Count() const { return SInt32(mLines.size()); }
    bool HasHeader() const { return mHasHeader; }
    // The record of line i; none (with the reason) when its address is too long.
    std::optional<Person> RecordAt(SInt32 inIndex, QString* outProblem = nullptr) const;

    // The file's bytes as text (see the top).
    static QString DecodeText(const QByteArray& inBytes);
    // The text's lines as fields, empty lines left out.
    static std::vector<QStringList> SplitLines(const QString& inText, QChar inSeparator);

private:
    // The record of a line and its address uncut.
    Person RecordWithHeader(const QStringList& inFields, QString& outEmail) const;
    static Person RecordWithoutHeader(const QStringList& inFields, QChar inSeparator, QString& outEmail);

    std::vector<QStringList> mLines;
    QStringList mColumns;
    QChar mSeparator;
    bool mHasHeader = false;
};
