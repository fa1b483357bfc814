// MergePersonValues: what the merge fields read of a recipient's address card or imported
// record. Address cards are those of the Address Book source (index -1: the user's own card,
// whatever the source); an imported recipient has none, and its unique ID is its index. Imported
// columns come from the imported list whatever the source. GUI thread or cooperative threads.
#pragma once

#include "MacTypes.h"

#include <QString>

#include <optional>

class CBrevantoWindow;

enum class EPersonValue { address, email, phone, relatedName, date, birthday, uid, property };

struct PersonValueRequest {
    EPersonValue kind;
    QString label; // the label (home, work, mobile, Father, ...), or the property's name
    QString part;  // of an address: Street, City, State, ZIP, Country, CountryCode
};

// Empty when there is no such value (or no card).
QString CopyPersonValue(const CBrevantoWindow& inWindow, SInt32 inIndex, const PersonValueRequest& inRequest);
// Nullopt outside the imported list, for a record without columns, or without that column.
std::optional<QString> CopyImportColumnValue(const CBrevantoWindow& inWindow, SInt32 inIndex,
                                             const QString& inColumn);
