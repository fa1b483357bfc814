// CDownloadInfo: the fields the program reads from a raw HTTP response header: date, last
// modified (empty without one) and its time (seconds since 1904, local; now without one),
// content type and length, location, the realm of "WWW-Authenticate", the status line and
// code, and a copy of the raw header. Parse fills it: lines split at CR LF (runs of them count
// as one), a field's name is the text before ": " (case ignored), its value the text after it;
// of two lines with one name the first wins.
// A plain value; one thread at a time.
#pragma once

#include "CString256.h"
#include "CText.h"
#include "MacTypes.h"

struct CDownloadInfo {
    CString256 date;
    CString256 lastModified;
    UInt32 modificationTime = 0;
    CString256 contentType;
    CString256 contentLength;
    CString256 location;
    CString256 realm;
    CString256 statusLine;
    SInt32 statusCode = 0;
    CText headerText;

    void Parse(const char* rawHeader);

    // The realm of a "WWW-Authenticate" value: the text after realm=" up to the next quote.
    static void ExtractRealm(const char* value, CString256& realm);
};
