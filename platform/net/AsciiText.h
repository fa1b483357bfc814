// Protocol texts (URL schemes, MIME types, header names) compare without regard to case in
// ASCII only; these helpers never consult the locale.
#pragma once

#include <string_view>

// True when text begins with prefix, ASCII letters compared without regard to case. The prefix
// is written in lower case.
inline bool HasPrefixIgnoringCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}
