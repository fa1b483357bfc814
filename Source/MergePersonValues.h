// MergePersonValues: what the merge fields read of a recipient's address card or imported
// record. Address cards come from the Address Book source (index -1: the user's own card);
// imported columns from the imported list. Until the address book records and imported
// columns are readable from the window, every answer is empty (nullopt: no such column).
// GUI thread or cooperative threads.
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

QString CopyPersonValue(const CBrevantoWindow& inWindow, SInt32 inIndex, const PersonValueRequest& inRequest);
std::optional<QString> CopyImportColumnValue(const CBrevantoWindow& inWindow, SInt32 inIndex,
                                             const QString& inColumn);
