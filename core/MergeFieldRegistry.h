// The merge fields the program knows: for each field its name (the text between the braces of a
// merge tag), its four-character code (the command ID of the menu item that inserts the tag) and
// its value function.
//
// The names and codes are fixed here, in registration order. The value functions belong to the
// message-building layer, which sits above this library: it installs its table of functions with
// InstallMergeFieldProcs before the environment is built, and CEnvironment::BuildMergeFields binds
// each field to the installed function of the same name. A field without an installed function is
// still registered (its code still names it) and answers a null function, which the tag
// expansion treats as an unregistered tag.
//
// The installed table is read-only after start-up and must outlive the environment. Install it on
// the GUI thread before the environment exists; reading is safe from any thread after that.
#pragma once

#include "MacTypes.h"

#include <cstddef>

class CBrevantoWindow;
class CText;

// A merge field's value function: `flag` 0 writes the value wrapped in double quotes, non-zero
// plain; the window's current recipient and settings supply the value; `out` is replaced by it.
using MergeFieldProc = void (*)(UInt8 flag, CBrevantoWindow* window, CText& out);

struct MergeFieldDefinition {
    const char* name;
    unsigned long code;  // the four characters read as a big-endian unsigned 32-bit number
};

struct MergeFieldBinding {
    const char* name;
    MergeFieldProc proc;
};

inline constexpr size_t kMergeFieldCount = 67;

// The 67 fields in registration order.
extern const MergeFieldDefinition kMergeFieldDefinitions[kMergeFieldCount];

// Installs the value functions by field name (`count` bindings; names not among the fields are
// ignored). Passing null, 0 removes the table.
void InstallMergeFieldProcs(const MergeFieldBinding* bindings, size_t count);

// The installed function for a field name, or null.
MergeFieldProc InstalledMergeFieldProc(const char* name);
