// ContactsFolder: where the address book lives, one vCard (.vcf) per person:
// $XDG_DATA_HOME/Brevanto/Contacts (~/.local/share when the variable is unset), and the stamp
// that tells whether it changed: the newest modification time of the folder and its .vcf
// files, in seconds since 1904 (UTC). Read afresh at each call. Any thread.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class ContactsFolder {
public:
    static QString Path();
    // nullopt when the folder is missing.
    static std::optional<int64_t> ModificationStamp();
};
