#include "HFSPaths.h"

#include <algorithm>
#include <vector>

namespace {

// Inside a name, ":" and "/" trade places between the two path forms.
std::string SwapSeparators(std::string_view name)
{
    std::string swapped(name);
    for (char& c : swapped) {
        if (c == ':')
            c = '/';
        else if (c == '/')
            c = ':';
    }
    return swapped;
}

std::vector<std::string_view> Split(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

} // namespace

bool POSIXPathToHFSPath(std::string_view posix, std::string* hfs)
{
    if (posix.empty() || posix.front() != '/' || !hfs)
        return false;
    std::string result(kHFSVolumeName);
    bool folder = true;
    for (std::string_view part : Split(posix.substr(1), '/')) {
        if (part.empty())
            continue;
        result += ':';
        result += SwapSeparators(part);
        folder = false;
    }
    if (folder || posix.back() == '/')
        result += ':';
    *hfs = std::move(result);
    return true;
}

bool HFSPathToPOSIXPath(std::string_view hfs, std::string* posix)
{
    if (!posix)
        return false;
    std::vector<std::string_view> parts = Split(hfs, ':');
    if (parts.front() != kHFSVolumeName)
        return false;
    const bool folder = parts.size() > 1 && parts.back().empty();
    if (folder)
        parts.pop_back();
    std::string result;
    for (size_t i = 1; i < parts.size(); ++i) {
        if (parts[i].empty())
            return false; // "::" climbs a level in HFS; such paths are not produced here
        result += '/';
        result += SwapSeparators(parts[i]);
    }
    if (result.empty() || folder)
        result += '/';
    *posix = std::move(result);
    return true;
}
