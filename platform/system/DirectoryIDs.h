// DirectoryIDs: the 32-bit catalog numbers (directory IDs and node IDs) that older file
// interfaces name folders and items by. Here every number stands for an absolute POSIX path:
// 2 is "/", 1 the parent of the root (it names the volume), and any other path gets the next
// free number the first time it is asked for, kept for the life of the process, so a number
// handed out always maps back to the same path. There is one volume (kVolumeRefNum).
// The path need not exist; numbers are never reused. Any thread (one lock).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class DirectoryIDs {
public:
    static constexpr int16_t kVolumeRefNum = -100;
    static constexpr int32_t kRootParentID = 1;
    static constexpr int32_t kRootDirID = 2;

    // The number of an absolute path (tidied first: "//", "/./" and a trailing "/" go).
    static int32_t IDForPath(const std::string& absolutePath);
    // The path of a number handed out before; nullopt for any other number (and for 1).
    static std::optional<std::string> PathForID(int32_t id);
};
