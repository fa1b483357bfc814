// CFormHTTPRequest: one HTTP request handed to the form facility - its raw text, the parts
// parsed out of it (method, header block, user agent, referer, POST body, target as a CURL,
// the authorization's scheme, credentials, user name and password) and the output the reply is
// written to. The facility stands beside the Message Monitor's listener; nothing connects the
// two, so whoever owns a connection reads the request (bounded) and supplies the output.
//
// ParseFormRequest fills the parts; when the target names a ".brevanto" page it answers the
// request through a CFormMail (CFormMail.h). The texts hold UTF-8 bytes as sent; the fixed
// strings cut at 255 bytes. One thread at a time per request; nothing yields.
#pragma once

#include "CString256.h"
#include "CText.h"
#include "CURL.h"

#include <functional>
#include <string_view>

class CFormHTTPRequest {
public:
    enum Method : long { kGetMethod = 0, kPostMethod = 1, kOtherMethod = 2 };
    // Receives the reply's bytes, in order.
    using OutputStream = std::function<void(std::string_view bytes)>;

    CFormHTTPRequest(std::string_view requestText, OutputStream output);

    // Sends bytes to the output; without one they are dropped.
    void Write(std::string_view bytes) const;

    long method = kOtherMethod;
    CText requestText;
    CText headerBlock;
    CText userAgent;
    CText body;
    CText referer;
    CURL url;
    CString256 authorizationScheme;
    CString256 credentials;
    CString256 userName;
    CString256 password;
    OutputStream output;
};

// Parses the request's text into its parts; then a target with the extension ".brevanto" is
// answered with the form reply.
void ParseFormRequest(CFormHTTPRequest& request);
