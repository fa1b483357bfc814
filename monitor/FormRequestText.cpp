#include "FormRequestText.h"

namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kBlankLine = "\r\n\r\n";

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

std::string_view TrimBlanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The text from `from` up to `marker` (or the end when it is missing).
std::string_view UpTo(std::string_view text, std::size_t from, std::string_view marker)
{
    if (from >= text.size())
        return {};
    const std::size_t end = text.find(marker, from);
    return text.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from);
}

std::string TargetOf(std::string_view requestLine)
{
    const std::size_t first = requestLine.find(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(UpTo(requestLine, first + 1, " "));
}

// The value of the first header line named `name`; the request line is never a header.
std::string HeaderValue(std::string_view headerBlock, std::string_view name)
{
    std::size_t start = headerBlock.find(kLineBreak);
    while (start != std::string_view::npos) {
        start += kLineBreak.size();
        const std::string_view line = UpTo(headerBlock, start, kLineBreak);
        const std::size_t colon = line.find(':');
        if (colon != std::string_view::npos && EqualNoCase(TrimBlanks(line.substr(0, colon)), name))
            return std::string(TrimBlanks(line.substr(colon + 1)));
        start = headerBlock.find(kLineBreak, start);
    }
    return {};
}

} // namespace

FormRequestParts ParseFormRequestText(std::string_view request)
{
    std::string text;
    text.reserve(request.size() + 2 * kLineBreak.size());
    text.append(kLineBreak).append(request);
    if (!request.ends_with(kLineBreak))
        text.append(kLineBreak);
    const std::string_view whole = text;

    FormRequestParts parts;
    parts.headerBlock = std::string(UpTo(whole, kLineBreak.size(), kBlankLine));
    // without a blank line the block runs to the end: drop the line break that ends it
    if (parts.headerBlock.ends_with(kLineBreak))
        parts.headerBlock.resize(parts.headerBlock.size() - kLineBreak.size());
    parts.referer = HeaderValue(parts.headerBlock, "Referer");
    parts.userAgent = HeaderValue(parts.headerBlock, "User-Agent");

    const std::string_view requestLine = UpTo(whole, kLineBreak.size(), kLineBreak);
    parts.target = TargetOf(requestLine);
    if (StartsWithNoCase(request, "GET")) {
        parts.method = FormMethod::Get;
    } else if (StartsWithNoCase(request, "POST")) {
        parts.method = FormMethod::Post;
        const std::size_t blank = whole.find(kBlankLine);
        if (blank != std::string_view::npos)
            parts.body = std::string(UpTo(whole, blank + kBlankLine.size(), kLineBreak));
    }

    const std::string authorization = HeaderValue(parts.headerBlock, "Authorization");
    const std::size_t blank = authorization.find(' ');
    parts.authorizationScheme = authorization.substr(0, blank);
    if (blank != std::string::npos)
        parts.credentials = std::string(TrimBlanks(std::string_view(authorization).substr(blank + 1)));
    return parts;
}

std::vector<std::pair<std::string, std::string>> SplitFormFields(std::string_view data, FormDecoding decoding,
                                                                 FormValueDecoder decode)
{
    std::vector<std::pair<std::string, std::string>> fields;
    std::size_t start = 0;
    while (start <= data.size()) {
        const std::string_view piece = UpTo(data, start, "&");
        start += piece.size() + 1;
        if (piece.empty())
            continue;
        const std::size_t equals = piece.find('=');
        const std::string_view value = equals == std::string_view::npos ? std::string_view() : piece.substr(equals + 1);
        fields.emplace_back(decode(piece.substr(0, equals), decoding), decode(value, decoding));
    }
    return fields;
}

std::vector<std::string> FormControlValues(std::string_view data, std::string_view key, FormDecoding decoding,
                                           FormValueDecoder decode)
{
    std::string marker;
    marker.append("&").append(key);
    std::string wrapped;
    wrapped.reserve(data.size() + 2);
    wrapped.append("&").append(data).append("&");

    std::vector<std::string> values;
    for (std::size_t at = wrapped.find(marker); at != std::string::npos; at = wrapped.find(marker, at + 1)) {
        const std::string_view value = UpTo(wrapped, at + marker.size(), "&");
        values.push_back(decode(value, decoding));
    }
    return values;
}

std::vector<std::string> FormControlList(std::string_view data, std::string_view key, FormValueDecoder decode)
{
    std::vector<std::string> items;
    for (const std::string& value : FormControlValues(data, key, FormDecoding::FormLineBreaksAsCommas, decode)) {
        std::size_t start = 0;
        while (start <= value.size()) {
            const std::string_view raw = UpTo(value, start, ",");
            start += raw.size() + 1;
            const std::string_view item = TrimBlanks(raw);
            if (!item.empty())
                items.emplace_back(item);
        }
    }
    return items;
}
