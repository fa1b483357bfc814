// Colon-separated (HFS) paths, where the program shows or stores them, are a textual form of
// POSIX paths: the fixed volume name kHFSVolumeName stands for "/", components are joined by
// ":", and inside a name ":" and "/" trade places (a POSIX name "a:b" is HFS "a/b"). A trailing
// "/" (a folder) becomes a trailing ":" and back. Pure text: nothing is looked up. Any thread.
#pragma once

#include <string>
#include <string_view>

inline constexpr std::string_view kHFSVolumeName = "Brevanto HD";

// An absolute POSIX path to HFS; false (output untouched) for a relative or empty path.
bool POSIXPathToHFSPath(std::string_view posix, std::string* hfs);
// An HFS path starting with the volume name to POSIX; false (output untouched) for anything
// else (another volume, a relative path starting with ":", empty text).
bool HFSPathToPOSIXPath(std::string_view hfs, std::string* posix);
