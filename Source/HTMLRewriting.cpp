#include "HTMLRewriting.h"

#include "CURL.h"
#include "LMainContext.h"
#include "LThread.h"
#include "PathHelpers.h"
#include "TextEncodings.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <map>
#include <unordered_map>

namespace {

constexpr int kTokensPerYield = 50;
constexpr size_t kBytesPerYield = 64 * 1024;

constexpr CDelimiterPair kLinkDelimiters[] = {
    {"HREF=\"", "\""},         {"SRC=\"", "\""},         {"HREF='", "'"},
    {"SRC='", "'"},            {"SRC=", " "},            {"background=\"", "\""},
    {"background='", "'"},     {"option value=\"", "\""}, {"option value='", "'"},
};

void YieldNow()
{
    if (LMainContext::OnGuiThread() && LThread::GetCurrentThread() != nullptr)
        LThread::YieldToAnyThread();
}

std::string_view View(const CText& inText)
{
    return inText.buffer ? std::string_view(inText.buffer, size_t(inText.length)) : std::string_view();
}

void SetBytes(CText& ioText, std::string_view inBytes)
{
    ioText.Assign("");
    ioText.AppendBytes(inBytes.data(), long(inBytes.size()));
}

char LowerASCII(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string Lowered(std::string_view inText)
{
    std::string lowered(inText);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(), LowerASCII);
    return lowered;
}

bool StartsWithNoCase(std::string_view inText, std::string_view inPrefix)
{
    return inText.size() >= inPrefix.size() && Lowered(inText.substr(0, inPrefix.size())) == Lowered(inPrefix);
}

// The first occurrence of `inNeedle` (ASCII case ignored) at or after `inFrom`; npos when none.
size_t FindNoCase(std::string_view inText, std::string_view inNeedle, size_t inFrom)
{
    if (inNeedle.empty() || inText.size() < inNeedle.size())
        return std::string_view::npos;
    const char first = LowerASCII(inNeedle.front());
    for (size_t at = inFrom; at + inNeedle.size() <= inText.size(); ++at) {
        if (LowerASCII(inText[at]) != first)
            continue;
        size_t matched = 1;
        while (matched < inNeedle.size() && LowerASCII(inText[at + matched]) == LowerASCII(inNeedle[matched]))
            ++matched;
        if (matched == inNeedle.size())
            return at;
    }
    return std::string_view::npos;
}

std::string SchemePrefix(SInt32 inScheme)
{
    switch (inScheme) {
    case CURL::kHTTPScheme: return "http:";
    case CURL::kFTPScheme: return "ftp:";
    case CURL::kHTTPSScheme: return "https:";
    default: return {};
    }
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// The relinking table: references met in the page, each with its absolute form. Lookups ignore
// ASCII case; the first spelling recorded wins, as a sequential replacement would have it.
class LinkTable {
public:
    void Record(const std::string& inToken, const std::string& inBase, SInt32 inScheme)
    {
        if (inToken.empty() || inToken.front() == '#' || StartsWithNoCase(inToken, "mailto:") ||
            BeginsWithScheme(inToken))
            return;
        std::string key = Lowered(inToken);
        if (mLinks.count(key) != 0)
            return;
        mLinks.emplace(std::move(key), ResolveRelativeURL(inBase, inScheme, inToken));
        mShortest = std::min(mShortest, inToken.size());
        mLongest = std::max(mLongest, inToken.size());
        if (mLinks.size() % kTokensPerYield == 0)
            YieldNow();
    }

    // The absolute form of a reference, or null when it was not recorded.
    const std::string* Find(std::string_view inReference) const
    {
        if (inReference.size() < mShortest || inReference.size() > mLongest)
            return nullptr;
        const auto found = mLinks.find(Lowered(inReference));
        return found == mLinks.end() ? nullptr : &found->second;
    }

    size_t Longest() const { return mLongest; }
    bool IsEmpty() const { return mLinks.empty(); }

private:
    std::unordered_map<std::string, std::string> mLinks;
    size_t mShortest = SIZE_MAX;
    size_t mLongest = 0;
};

// Every value between an opening and a closing marker of the link attributes.
void RecordDelimitedValues(std::string_view inText, const std::string& inBase, SInt32 inScheme, LinkTable& ioTable)
{
    std::vector<CDelimiterPair> delimiters;
    BuildLinkDelimiterList(delimiters);
    for (const CDelimiterPair& pair : delimiters) {
        const std::string_view opening(pair.opening);
        const std::string_view closing(pair.closing);
        size_t at = FindNoCase(inText, opening, 0);
        while (at != std::string_view::npos) {
            const size_t first = at + opening.size();
            const size_t end = FindNoCase(inText, closing, first);
            if (end == std::string_view::npos)
                break;
            ioTable.Record(std::string(inText.substr(first, end - first)), inBase, inScheme);
            at = FindNoCase(inText, opening, end + closing.size());
        }
    }
}

// One pass over the page: every recorded reference standing alone between double quotes,
// apostrophes or parentheses becomes its absolute form, enclosed the same way.
std::string ReplaceEnclosedReferences(std::string_view inText, const LinkTable& inTable)
{
    std::string out;
    out.reserve(inText.size() + inText.size() / 4);
    size_t nextYield = kBytesPerYield;
    for (size_t at = 0; at < inText.size();) {
        if (at >= nextYield) {
            YieldNow();
            nextYield += kBytesPerYield;
        }
        const char c = inText[at];
        if (c != '"' && c != '\'' && c != '(') {
            out += c;
            ++at;
            continue;
        }
        const char closing = c == '(' ? ')' : c;
        const size_t limit = std::min(inText.size(), at + 2 + inTable.Longest());
        size_t end = at + 1;
        while (end < limit && inText[end] != closing)
            ++end;
        const std::string* absolute =
            end < limit ? inTable.Find(inText.substr(at + 1, end - at - 1)) : nullptr;
        if (!absolute) {
            out += c;
            ++at;
            continue;
        }
        out += c;
        out += *absolute;
        out += closing;
        at = end + 1;
    }
    return out;
}

bool IsContentIDNameByte(unsigned char c) { return c >= 0x20 && c < 0x7F && c != '<' && c != '>'; }

// RFC 2392: the content ID as a URL, every byte but the unreserved ones percent-encoded.
std::string PercentEncodedName(const std::string& inName)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : inName) {
        const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                                c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved) {
            encoded += char(c);
            continue;
        }
        encoded += '%';
        encoded += kHex[c >> 4];
        encoded += kHex[c & 0xF];
    }
    return encoded;
}

struct AttributeValue {
    size_t first = 0; // first byte of the value (after an opening quote)
    size_t end = 0;   // one past its last byte (before a closing quote)
    bool found = false;
};

// The src value of the tag whose name ends at `inFrom`; `outTagEnd` is the index of its ">"
// (npos when the tag never closes).
AttributeValue FindSourceAttribute(std::string_view inText, size_t inFrom, size_t& outTagEnd)
{
    AttributeValue source;
    size_t at = inFrom;
    outTagEnd = std::string_view::npos;
    while (at < inText.size()) {
        while (at < inText.size() && (IsSpace(inText[at]) || inText[at] == '/'))
            ++at;
        if (at >= inText.size())
            return source;
        if (inText[at] == '>') {
            outTagEnd = at;
            return source;
        }
        const size_t nameStart = at;
        while (at < inText.size() && !IsSpace(inText[at]) && inText[at] != '=' && inText[at] != '>' &&
               inText[at] != '/')
            ++at;
        const std::string name = Lowered(inText.substr(nameStart, at - nameStart));
        while (at < inText.size() && IsSpace(inText[at]))
            ++at;
        if (at >= inText.size() || inText[at] != '=')
            continue;
        ++at;
        while (at < inText.size() && IsSpace(inText[at]))
            ++at;
        AttributeValue value;
        if (at < inText.size() && (inText[at] == '"' || inText[at] == '\'')) {
            const char quote = inText[at];
            value.first = at + 1;
            value.end = inText.find(quote, value.first);
            if (value.end == std::string_view::npos)
                return source;
            at = value.end + 1;
        } else {
            value.first = at;
            while (at < inText.size() && !IsSpace(inText[at]) && inText[at] != '>')
                ++at;
            value.end = at;
        }
        value.found = true;
        if (name == "src" && !source.found)
            source = value;
    }
    return source;
}

// The file an image source names, when it may travel as a content-ID part: a relative
// reference to an existing regular file typed image/*. Empty otherwise.
QString LocalImageFile(std::string_view inSource, const QString& inPageFolder)
{
    CText decoded;
    decoded.AppendBytes(inSource.data(), long(inSource.size()));
    PercentDecode(decoded);
    const std::string path(View(decoded));
    if (path.empty() || path.front() == '/' || BeginsWithScheme(path) || path.find('\0') != std::string::npos)
        return {};
    const QFileInfo info(QDir(inPageFolder).filePath(QString::fromUtf8(path.data(), qsizetype(path.size()))));
    if (!info.isFile())
        return {};
    const std::string name = info.fileName().toStdString();
    CString256 mime;
    if (!GetMIMETypeForName(name.c_str(), mime) || !StartsWithNoCase(mime.text, "image/"))
        return {};
    if (!std::all_of(name.begin(), name.end(), [](char c) { return IsContentIDNameByte(static_cast<unsigned char>(c)); }))
        return {};
    return info.canonicalFilePath();
}

} // namespace

void BuildLinkDelimiterList(std::vector<CDelimiterPair>& outList)
{
    outList.assign(std::begin(kLinkDelimiters), std::end(kLinkDelimiters));
}

bool BeginsWithScheme(std::string_view inReference)
{
    const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (inReference.empty() || !isLetter(inReference.front()))
        return false;
    for (size_t at = 1; at < inReference.size(); ++at) {
        const char c = inReference[at];
        if (c == ':')
            return true;
        if (!isLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.')
            return false;
    }
    return false;
}

std::string ResolveRelativeURL(const std::string& inBase, SInt32 inScheme, const std::string& inToken)
{
    const std::string prefix = SchemePrefix(inScheme);
    std::string reference = inToken;
    if (StartsWithNoCase(inToken, "./"))
        reference = inToken.substr(2);
    else if (inToken.rfind("//", 0) == 0)
        reference = prefix + inToken;
    if (reference.find("://") != std::string::npos || BeginsWithScheme(reference))
        return reference;

    const CURL base(inBase.c_str());
    const std::string root = prefix + "//" + base.host.text;
    if (!reference.empty() && reference.front() == '/')
        return root + reference;
    if (reference.rfind("../", 0) == 0) {
        size_t climbs = 0;
        while (reference.compare(3 * climbs, 3, "../") == 0)
            ++climbs;
        std::string result = root + "/";
        const size_t folders = size_t(base.pathSegments.Count());
        size_t index = 0;
        base.pathSegments.Rewind();
        while (const CString256* segment = base.pathSegments.Next()) {
            if (climbs >= folders || index++ >= folders - climbs)
                break;
            result += segment->text;
            result += '/';
        }
        return result + reference.substr(3 * climbs);
    }
    std::string result = root;
    if (base.directory.Length() > 0)
        result += std::string("/") + base.directory.text;
    return result + "/" + reference;
}

void ReadContentTypeMeta(const CText& inText, CString256& ioContentType)
{
    CText head;
    if (!inText.ExtractBetweenNoCase("<head>", "</head>", head))
        return;
    CText meta;
    if (!head.ExtractBetweenNoCase("<meta http-equiv=\"content-type\"", ">", meta))
        return;
    CText value;
    if (!meta.ExtractBetweenNoCase("content=\"", "\"", value))
        return;
    ReplaceNonPrintable(value);
    ioContentType.AssignText(value);
}

void RelinkDocument(CText& ioText, const std::string& inBase)
{
    const CURL base(inBase.c_str());
    QuoteSrcAttributes(ioText);
    LinkTable table;
    std::vector<std::string> tokens;
    ExtractURLTokens(ioText, tokens);
    for (const std::string& token : tokens)
        table.Record(token, inBase, base.scheme);
    RecordDelimitedValues(View(ioText), inBase, base.scheme, table);
    if (table.IsEmpty())
        return;
    SetBytes(ioText, ReplaceEnclosedReferences(View(ioText), table));
}

bool InsertBaseElement(CText& ioText, const std::string& inBase)
{
    const std::string_view text = View(ioText);
    const size_t open = FindNoCase(text, "<head>", 0);
    if (open == std::string_view::npos)
        return false;
    const size_t first = open + std::strlen("<head>");
    const size_t close = FindNoCase(text, "</head>", first);
    if (close == std::string_view::npos)
        return false;
    const std::string_view head = text.substr(first, close - first);
    if (FindNoCase(head, "<base href=", 0) != std::string_view::npos)
        return true;
    std::string address = inBase;
    for (size_t quote = address.find('"'); quote != std::string::npos; quote = address.find('"', quote))
        address.replace(quote, 1, "%22");
    std::string rewritten(text.substr(0, open));
    rewritten += "<head>\r<base href=\"" + address + "\">\r";
    rewritten += head;
    rewritten += "\r</head>";
    rewritten += text.substr(close + std::strlen("</head>"));
    SetBytes(ioText, rewritten);
    return true;
}

void RewriteImagesAsCid(CText& ioText, const QString& inPageFolder, std::vector<QString>& outFiles)
{
    const std::string_view text = View(ioText);
    std::map<std::string, QString> filesByName;
    std::string out;
    size_t copied = 0;
    bool changed = false;
    for (size_t at = FindNoCase(text, "<img", 0); at != std::string_view::npos;
         at = FindNoCase(text, "<img", at + 4)) {
        const size_t nameEnd = at + 4;
        if (nameEnd < text.size() && !IsSpace(text[nameEnd]) && text[nameEnd] != '/' && text[nameEnd] != '>')
            continue;
        size_t tagEnd = 0;
        const AttributeValue source = FindSourceAttribute(text, nameEnd, tagEnd);
        if (!source.found)
            continue;
        const QString file = LocalImageFile(text.substr(source.first, source.end - source.first), inPageFolder);
        if (file.isEmpty())
            continue;
        const std::string name = QFileInfo(file).fileName().toStdString();
        const auto taken = filesByName.find(name);
        if (taken != filesByName.end() && taken->second != file)
            continue;
        if (taken == filesByName.end()) {
            filesByName.emplace(name, file);
            outFiles.push_back(file);
        }
        out.append(text.substr(copied, source.first - copied));
        out += "cid:" + PercentEncodedName(name);
        copied = source.end;
        changed = true;
    }
    if (!changed)
        return;
    out.append(text.substr(copied));
    SetBytes(ioText, out);
}
