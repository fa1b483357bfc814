// CURL: a URL split into its parts (scheme, host, directory and its segments, resource, file
// name, extension, query, parameters, fragment), composed back into URL and path texts, and
// fetched over HTTP: HEAD for the header and content type, GET into its data.
//
// The URL text is held whole (never cut); the parts are CString256 texts. Parsing follows the
// last-marker rules: "#" ends the URL, "?" starts the query, "$" the parameters. Fetch
// failures show only as loaded false, with the parts and data as they were.
// Head and Fetch wait for their request (yielding on a cooperative thread): GUI thread or
// cooperative thread only.
#pragma once

#include "CDownloadInfo.h"
#include "CLDynamicBuffer.h"
#include "CList.h"
#include "CString256.h"
#include "CText.h"
#include "FSRef.h"
#include "LBroadcaster.h"
#include "MacTypes.h"

#include <string>

class CHTTPRequest;

class CURL : public LBroadcaster {
public:
    enum Scheme : SInt32 { kFileScheme = 1, kHTTPScheme = 2, kFTPScheme = 3, kHTTPSScheme = 4 };

    CURL();
    explicit CURL(const char* urlText);
    // Copies every part, the data and the responses, except location, realm and modification
    // time (the copy's stay empty; an assignment leaves the target's as they were).
    CURL(const CURL& other);
    CURL& operator=(const CURL& other);

    Boolean Head(const char* userAgent, const char* userName, const char* password, SInt32 timeoutSeconds);
    Boolean Fetch(SInt32 timeoutSeconds);
    Boolean Fetch(const char* userAgent, SInt32 timeoutSeconds);
    Boolean Fetch(const char* userAgent, const char* userName, const char* password, SInt32 timeoutSeconds);
    Boolean DetermineContentType();

    void ComposeURL(CString256& out) const;
    void ComposePath(CString256& out) const;
    void GetRelativePath(CText& out) const;
    Boolean SameResource(const CURL& other) const;
    Boolean ContentContains(const char* text) const;
    static void StripQuery(CString256& text);

    // The data into an existing file; its dates become the modification time and its comment
    // the URL. The result of the first failing step.
    OSErr WriteToFile(const FSRef& file);
    // Makes the file under `folder` inside folders named by the host's ":"-separated parts and
    // the path segments, then writes it. A part or segment that is empty, "." or ".." would
    // leave the folder: nothing is written (paramErr).
    OSErr SaveToFolder(const FSRef& folder, OSType creator, OSType type, const char* defaultName,
                       Boolean defaultWhenQuery);
    OSErr CreateInFolder(const FSRef& folder, OSType creator, OSType type, const char* defaultName);
    void ParseHeaderText();
    void GetDomain(CString256& out) const;

    const std::string& GetURLText() const { return mURL; }

    Boolean loaded = false;
    SInt32 scheme = kHTTPScheme;
    CString256 host;          // between "://" and the next "/", port and user included
    CString256 directory;     // between the first "/" after the host and the last "/"
    CList<CString256> pathSegments;
    CString256 resource;      // last path component with its query and parameters
    CString256 fileName;      // last path component without them
    CString256 extension;     // from the file name's last ".", the dot included
    CString256 query;         // after the last "?", up to "$" or "#"
    CString256 parameters;    // after the last "$", up to "?" or "#"
    CString256 fragment;      // after the last "#", up to "$" or "?"
    SInt32 reserved1 = 0;
    SInt32 reserved2 = 0;
    CText statusLine;
    SInt32 statusCode = 0;
    CLDynamicBuffer data;
    CText headerText;         // a raw response header (the download thread fills it)
    CString256 date;
    CString256 lastModified;
    UInt32 modificationTime = 0; // seconds since 1904
    CString256 contentType;
    CString256 contentLength;
    CString256 location;
    CString256 realm;
    CString256 reservedText1;
    CString256 reservedText2;
    CString256 reservedText3;

private:
    void Parse(const std::string& text);
    void CopyFrom(const CURL& other);
    void TakeResponse(CHTTPRequest& request);
    Boolean RunGet(const char* userAgent, const char* userName, const char* password, SInt32 timeoutSeconds);
    OSErr MakeFileInFolder(const FSRef& folder, OSType creator, OSType type, const char* name, FSRef& file);

    std::string mURL; // the URL text, cut at its last "#", held whole
};

// The host, cut at its last ":", split at "." (empty parts skipped) into exactly four parts
// made only of digits.
bool IsDottedQuadHost(const char* host);
// True when every byte is a decimal digit (also for an empty text).
bool IsAllDigits(const char* text);
