// FSRef: the program's reference to an existing file-system item. It holds the item's absolute
// POSIX path (the bytes the system names it by, UTF-8 by convention), made absolute and tidied
// ("//", "/./" and a trailing "/" removed) by the functions that make one. Only FileManager's
// makers fill it, and they fail with fnfErr (-43) for a missing item; the item may still vanish
// later, so every operation on an FSRef checks again. A default FSRef is empty and names nothing.
// Two FSRefs name the same item when device and inode agree (FSCompareFSRefs), not when their
// texts do. A plain value: copy it freely, any thread.
#pragma once

#include <string>

struct FSRef {
    std::string path;

    bool IsEmpty() const { return path.empty(); }
    const char* CPath() const { return path.c_str(); }
    bool operator==(const FSRef&) const = default;
};
