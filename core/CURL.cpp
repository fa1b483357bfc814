#include "CURL.h"

#include "CHTTPRequest.h"
#include "DatesAndTimes.h"
#include "FileManager.h"
#include "FileMetadata.h"
#include "MacDates.h"
#include "PathHelpers.h"
#include "WebEnvironment.h"
#include "WholeFileWrite.h"

#include <QDateTime>
#include <QUrl>

#include <cstring>

namespace {

constexpr SInt32 kContentTypeTimeoutSeconds = 60;

std::string CutAtLast(std::string text, char marker)
{
    const size_t at = text.rfind(marker);
    if (at != std::string::npos)
        text.erase(at);
    return text;
}

// The text after the last `marker`, up to the first of `stops`; empty without the marker.
std::string AfterLast(const std::string& text, char marker, const char* stops)
{
    const size_t at = text.rfind(marker);
    if (at == std::string::npos)
        return {};
    const std::string after = text.substr(at + 1);
    return after.substr(0, after.find_first_of(stops));
}

std::string ExtensionOf(const std::string& name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

char LowerASCII(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Catalog seconds (UTC) of a local time in seconds since 1904.
int64_t CatalogSeconds(UInt32 localMacTime)
{
    return UnixToMacSeconds(DateTimeFromMacTime(localMacTime).toSecsSinceEpoch());
}

UInt32 Now()
{
    return MacTimeFromDateTime(QDateTime::currentDateTime());
}

// A folder or file name taken from a URL, percent-decoded; false for one that would name no
// item of its own or leave its folder.
bool DecodeSafeName(const char* raw, CString256& decoded)
{
    decoded.Assign(raw);
    decoded.PercentDecode();
    const std::string name = decoded.text;
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

} // namespace

CURL::CURL() = default;

CURL::CURL(const char* urlText)
{
    Parse(urlText ? urlText : "");
}

CURL::CURL(const CURL& other)
    : LBroadcaster()
{
    CopyFrom(other);
}

CURL& CURL::operator=(const CURL& other)
{
    if (this != &other)
        CopyFrom(other);
    return *this;
}

void CURL::CopyFrom(const CURL& other)
{
    loaded = other.loaded;
    mURL = other.mURL;
    scheme = other.scheme;
    host = other.host;
    directory = other.directory;
    pathSegments = other.pathSegments;
    resource = other.resource;
    fileName = other.fileName;
    extension = other.extension;
    query = other.query;
    parameters = other.parameters;
    fragment = other.fragment;
    reserved1 = other.reserved1;
    reserved2 = other.reserved2;
    statusLine = other.statusLine;
    statusCode = other.statusCode;
    data.ResetBuffer();
    data.ConcatenateBuffer(other.data);
    headerText = other.headerText;
    date = other.date;
    lastModified = other.lastModified;
    contentType = other.contentType;
    contentLength = other.contentLength;
    reservedText1 = other.reservedText1;
    reservedText2 = other.reservedText2;
    reservedText3 = other.reservedText3;
}

void CURL::Parse(const std::string& given)
{
    if (given.empty())
        return;
    const std::string text = CutAtLast(given, '#');
    mURL = text;

    const std::string schemeText = text.substr(0, text.find(':'));
    scheme = schemeText == "file" ? kFileScheme
        : schemeText == "ftp"     ? kFTPScheme
        : schemeText == "https"   ? kHTTPSScheme
                                  : kHTTPScheme;

    const size_t separator = text.find("://");
    size_t firstSlash = text.find('/');
    if (separator != std::string::npos) {
        const size_t hostStart = separator + 3;
        firstSlash = text.find('/', hostStart);
        host.Assign(text.substr(hostStart, firstSlash - hostStart).c_str());
    }

    if (firstSlash != std::string::npos) {
        const std::string rest = CutAtLast(CutAtLast(CutAtLast(text.substr(firstSlash), '?'), '#'), '$');
        const size_t lastSlash = rest.rfind('/');
        if (lastSlash != std::string::npos && lastSlash > 1)
            directory.Assign(rest.substr(1, lastSlash - 1).c_str());
        std::string dir = directory.text;
        for (size_t start = 0; start <= dir.size();) {
            const size_t end = std::min(dir.find('/', start), dir.size());
            if (end > start)
                pathSegments.Append(dir.substr(start, end - start).c_str());
            start = end + 1;
        }
    }

    const std::string bare = CutAtLast(CutAtLast(CutAtLast(text, '$'), '?'), '#');
    const size_t last = bare.rfind('/');
    if (last == std::string::npos) {
        extension.Assign(ExtensionOf(bare).c_str());
    } else if (last == 0 || bare[last - 1] != '/') {
        fileName.Assign(bare.substr(last + 1).c_str());
        extension.Assign(ExtensionOf(fileName.text).c_str());
        resource.Assign(text.substr(last + 1).c_str());
    }

    query.Assign(AfterLast(text, '?', "$#").c_str());
    parameters.Assign(AfterLast(text, '$', "?#").c_str());
    fragment.Assign(AfterLast(text, '#', "$?").c_str());
    reserved1 = 0;
    reserved2 = 0;
}

void CURL::TakeResponse(CHTTPRequest& request)
{
    statusCode = request.GetStatusCode();
    statusLine.Assign(request.GetStatusLine().c_str());
    const auto take = [&](const char* name, CString256& field) {
        if (const auto value = request.GetHeaderField(name))
            field.Assign(value->c_str());
    };
    take("Date", date);
    take("Content-Type", contentType);
    take("Content-Length", contentLength);
    take("Location", location);
    lastModified.Assign(request.GetHeaderField("Last-Modified").value_or("").c_str());
    if (const auto authenticate = request.GetHeaderField("WWW-Authenticate"))
        CDownloadInfo::ExtractRealm(authenticate->c_str(), realm);
    modificationTime = 0;
    if (lastModified.Length() > 0)
        ParseMessageDate(lastModified.text, modificationTime);
    if (modificationTime == 0)
        modificationTime = Now();
}

Boolean CURL::Head(const char* userAgent, const char* userName, const char* password, SInt32 timeoutSeconds)
{
    CHTTPRequest request(timeoutSeconds, true);
    request.Head(mURL.c_str(), userAgent, userName, password);
    loaded = request.Succeeded();
    if (loaded)
        TakeResponse(request);
    return loaded;
}

Boolean CURL::Fetch(SInt32 timeoutSeconds)
{
    const std::string userAgent = WebEnvironment::UserAgent();
    return RunGet(userAgent.c_str(), "", "", timeoutSeconds);
}

Boolean CURL::Fetch(const char* userAgent, SInt32 timeoutSeconds)
{
    return RunGet(userAgent, "", "", timeoutSeconds);
}

Boolean CURL::Fetch(const char* userAgent, const char* userName, const char* password, SInt32 timeoutSeconds)
{
    return RunGet(userAgent, userName, password, timeoutSeconds);
}

Boolean CURL::RunGet(const char* userAgent, const char* userName, const char* password, SInt32 timeoutSeconds)
{
    const std::string fallback = WebEnvironment::UserAgent();
    CHTTPRequest request(timeoutSeconds, true);
    request.Get(mURL.c_str(), userAgent ? userAgent : fallback.c_str(), userName ? userName : "",
                password ? password : "");
    const QByteArray body = request.TakeBody();
    loaded = !body.isEmpty();
    if (!loaded)
        return loaded;
    data.ResetBuffer();
    data.ConcatenateBuffer(body.constData(), SInt32(body.size()));
    TakeResponse(request);
    return loaded;
}

Boolean CURL::DetermineContentType()
{
    if (scheme != kFileScheme) {
        const std::string userAgent = WebEnvironment::UserAgent();
        CHTTPRequest request(kContentTypeTimeoutSeconds, true);
        request.Head(mURL.c_str(), userAgent.c_str(), "", "");
        loaded = request.Succeeded();
        if (!loaded)
            return loaded;
        if (const auto type = request.GetHeaderField("Content-Type"))
            contentType.Assign(type->c_str());
        return loaded;
    }
    loaded = true;
    std::string lower = extension.text;
    for (char& c : lower)
        c = LowerASCII(c);
    if (const auto mapped = WebEnvironment::MIMETypeForExtension(lower)) {
        contentType.Assign(mapped->c_str());
        return loaded;
    }
    const QString path = QUrl(QString::fromStdString(mURL)).toLocalFile();
    OSType type = 0, creator = 0;
    if (!path.isEmpty() && FSGetTypeCreator(FSRef {path.toStdString()}, &type, &creator) == noErr
        && type == 'TEXT')
        contentType.Assign("text/plain");
    return loaded;
}

void CURL::ComposeURL(CString256& out) const
{
    switch (scheme) {
    case kHTTPScheme: out.Assign("http://"); break;
    case kFTPScheme: out.Assign("ftp://"); break;
    case kHTTPSScheme: out.Assign("https://"); break;
    case kFileScheme: out.Assign("file://"); break;
    default: out.Assign(""); break;
    }
    out.Append(host);
    CString256 path;
    ComposePath(path);
    out.Append(path);
    if (fragment.Length() > 0) {
        out.Append("#");
        out.Append(fragment);
    }
}

void CURL::ComposePath(CString256& out) const
{
    out.Assign("/");
    if (directory.Length() > 0) {
        out.Append(directory);
        out.Append("/");
    }
    out.Append(fileName);
    if (parameters.Length() > 0) {
        out.Append("$");
        out.Append(parameters);
    }
    if (query.Length() > 0) {
        out.Append("?");
        out.Append(query);
    }
}

void CURL::GetRelativePath(CText& out) const
{
    CString256 path(directory);
    if (directory.Length() > 0)
        path.Append("/");
    path.Append(fileName);
    path.ReplaceChar('/', ':');
    path.PercentDecode();
    out.Assign(path.text);
}

Boolean CURL::SameResource(const CURL& other) const
{
    const auto bare = [](const std::string& url) { return CutAtLast(CutAtLast(CutAtLast(url, '?'), '#'), '$'); };
    return bare(mURL) == bare(other.mURL);
}

Boolean CURL::ContentContains(const char* text) const
{
    if (!text)
        return false;
    const QByteArray& bytes = data.GetBufferData();
    const size_t needle = std::strlen(text);
    if (needle == 0)
        return true;
    for (qsizetype at = 0; at + qsizetype(needle) <= bytes.size(); ++at) {
        size_t i = 0;
        while (i < needle && LowerASCII(bytes[at + qsizetype(i)]) == LowerASCII(text[i]))
            ++i;
        if (i == needle)
            return true;
    }
    return false;
}

void CURL::StripQuery(CString256& text)
{
    text.Assign(CutAtLast(CutAtLast(CutAtLast(text.text, '?'), '$'), '#').c_str());
}

OSErr CURL::WriteToFile(const FSRef& file)
{
    const QByteArray& bytes = data.GetBufferData();
    if (OSErr err = WriteWholeFileAtomically(file, bytes.constData(), size_t(bytes.size())))
        return err;
    if (OSErr err = FSSetContentModDate(file, CatalogSeconds(modificationTime)))
        return err;
    FSSetCreationDate(file, CatalogSeconds(modificationTime));
    return FSSetComment(file, mURL);
}

OSErr CURL::MakeFileInFolder(const FSRef& folder, OSType creator, OSType type, const char* name, FSRef& file)
{
    CList<CString256> names;
    const std::string hostText = host.text;
    if (!hostText.empty()) {
        for (size_t start = 0; start <= hostText.size();) {
            const size_t end = std::min(hostText.find(':', start), hostText.size());
            CString256 part;
            if (!DecodeSafeName(hostText.substr(start, end - start).c_str(), part))
                return paramErr;
            names.Append(hostText.substr(start, end - start).c_str());
            start = end + 1;
        }
    }
    pathSegments.Rewind();
    while (const CString256* segment = pathSegments.Next()) {
        CString256 decoded;
        if (!DecodeSafeName(segment->text, decoded))
            return paramErr;
        names.Append(*segment);
    }
    return CreateHTMLFileRef(folder.path.c_str(), names, name, creator, type, file);
}

OSErr CURL::SaveToFolder(const FSRef& folder, OSType creator, OSType type, const char* defaultName,
                         Boolean defaultWhenQuery)
{
    CString256 name;
    const bool useDefault = resource.Length() == 0
        || (defaultWhenQuery && (query.Length() > 0 || parameters.Length() > 0));
    if (useDefault)
        name.Assign(defaultName);
    else if (!DecodeSafeName(resource.text, name))
        return paramErr;
    FSRef file;
    if (OSErr err = MakeFileInFolder(folder, creator, type, name.text, file))
        return err;
    return WriteToFile(file);
}

OSErr CURL::CreateInFolder(const FSRef& folder, OSType creator, OSType type, const char* defaultName)
{
    CString256 name;
    if (resource.Length() == 0)
        name.Assign(defaultName);
    else if (!DecodeSafeName(resource.text, name))
        return paramErr;
    FSRef file;
    if (OSErr err = MakeFileInFolder(folder, creator, type, name.text, file))
        return err;
    if (OSErr err = WriteWholeFileAtomically(file, "", 0))
        return err;
    FSSetContentModDate(file, CatalogSeconds(modificationTime));
    FSSetCreationDate(file, CatalogSeconds(modificationTime));
    return FSSetComment(file, mURL);
}

void CURL::ParseHeaderText()
{
    CDownloadInfo info;
    info.Parse(headerText.buffer ? headerText.buffer : "");
    date = info.date;
    lastModified = info.lastModified;
    modificationTime = info.modificationTime;
    contentType = info.contentType;
    contentLength = info.contentLength;
    location = info.location;
    realm = info.realm;
}

void CURL::GetDomain(CString256& out) const
{
    out.Assign("");
    if (IsDottedQuadHost(host.text)) {
        out.Assign(host);
        return;
    }
    const std::string text = host.text;
    const size_t lastDot = text.rfind('.');
    if (lastDot == std::string::npos || lastDot == 0)
        return;
    const size_t previousDot = text.rfind('.', lastDot - 1);
    out.Assign(text.substr(previousDot == std::string::npos ? 0 : previousDot + 1).c_str());
}

bool IsAllDigits(const char* text)
{
    for (const char* c = text ? text : ""; *c; ++c) {
        if (*c < '0' || *c > '9')
            return false;
    }
    return true;
}

bool IsDottedQuadHost(const char* hostText)
{
    const std::string host = CutAtLast(hostText ? hostText : "", ':');
    int parts = 0;
    for (size_t start = 0; start <= host.size();) {
        const size_t end = std::min(host.find('.', start), host.size());
        if (end > start) {
            if (!IsAllDigits(host.substr(start, end - start).c_str()))
                return false;
            ++parts;
        }
        start = end + 1;
    }
    return parts == 4;
}
