#include "CDownloadInfo.h"

#include "DatesAndTimes.h"

#include <QDateTime>

#include <map>
#include <string>
#include <vector>

namespace {

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\x08', start);
        if (end != start)
            lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return lines;
}

std::string LowerASCII(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return text;
}

SInt32 StatusCodeOf(const std::string& statusLine)
{
    const size_t first = statusLine.find(' ');
    if (first == std::string::npos)
        return 0;
    const size_t second = statusLine.find(' ', first + 1);
    return SInt32(std::atol(statusLine.substr(first + 1, second - first - 1).c_str()));
}

} // namespace

void CDownloadInfo::ExtractRealm(const char* value, CString256& realm)
{
    realm.Assign("");
    const std::string text = value ? value : "";
    const size_t marker = text.find("realm=\"");
    if (marker == std::string::npos)
        return;
    const size_t start = marker + 7;
    const size_t end = text.find('"', start);
    realm.Assign(text.substr(start, end == std::string::npos ? std::string::npos : end - start).c_str());
}

void CDownloadInfo::Parse(const char* rawHeader)
{
    const std::string raw = rawHeader ? rawHeader : "";
    headerText.Assign(raw.c_str());
    const std::string work = ReplaceAll(ReplaceAll(raw, "\r\n", "\x08"), ": ", "\t");
    const std::vector<std::string> lines = SplitLines(work);
    statusLine.Assign(lines.empty() ? "" : lines.front().c_str());
    statusCode = lines.empty() ? 0 : StatusCodeOf(lines.front());

    std::map<std::string, std::string> fields;
    for (const std::string& line : lines) {
        const size_t tab = line.find('\t');
        const std::string name = LowerASCII(line.substr(0, tab));
        std::string value;
        if (tab != std::string::npos) {
            const size_t next = line.find('\t', tab + 1);
            value = line.substr(tab + 1, next == std::string::npos ? std::string::npos : next - tab - 1);
        }
        fields.emplace(name, value); // the first line of a name wins
    }
    const auto field = [&](const char* name) {
        const auto found = fields.find(name);
        return found == fields.end() ? std::string() : found->second;
    };
    date.Assign(field("date").c_str());
    lastModified.Assign(field("last-modified").c_str());
    contentType.Assign(field("content-type").c_str());
    contentLength.Assign(field("content-length").c_str());
    location.Assign(field("location").c_str());
    ExtractRealm(field("www-authenticate").c_str(), realm);
    modificationTime = 0;
    if (lastModified.Length() > 0)
        ParseMessageDate(lastModified.text, modificationTime);
    if (modificationTime == 0)
        modificationTime = MacTimeFromDateTime(QDateTime::currentDateTime());
}
