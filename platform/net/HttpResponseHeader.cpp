#include "HttpResponseHeader.h"

#include <cstdlib>

namespace {

bool StartsWithStatusLine(std::string_view line)
{
    return line.size() >= 5 && line.substr(0, 5) == "HTTP/";
}

bool EqualsIgnoringASCIICase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = char(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

std::string_view Trimmed(std::string_view text)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

void HttpResponseHeader::AddLine(std::string_view line)
{
    if (StartsWithStatusLine(line))
        Clear();
    mBlock.append(line);
    if (Trimmed(line).empty())
        mComplete = !mBlock.empty();
}

void HttpResponseHeader::Clear()
{
    mBlock.clear();
    mComplete = false;
}

std::string HttpResponseHeader::StatusLine() const
{
    const size_t end = mBlock.find_first_of("\r\n");
    return mBlock.substr(0, end);
}

int HttpResponseHeader::StatusCode() const
{
    const std::string line = StatusLine();
    if (!StartsWithStatusLine(line))
        return 0;
    const size_t space = line.find(' ');
    if (space == std::string::npos)
        return 0;
    return std::atoi(line.c_str() + space + 1);
}

std::optional<std::string> HttpResponseHeader::Field(std::string_view name) const
{
    std::string_view rest = mBlock;
    bool first = true;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (first) { // the status line
            first = false;
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string_view::npos)
            continue;
        if (EqualsIgnoringASCIICase(Trimmed(line.substr(0, colon)), name))
            return std::string(Trimmed(line.substr(colon + 1)));
    }
    return std::nullopt;
}
