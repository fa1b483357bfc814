// CFormMail: a form-to-mail request - what a posted form asks for through its hidden
// "Brevanto_…" fields (the form, response, mail and error templates, the mail server, the
// recipients, reply-to address, subject, attachments and the items it requires), every field
// of the form by name, the required items found missing, and the response and mail texts.
// The fields are read and kept; building or sending a mail from the templates is not done here.
//
// Field names are fixed strings (255 bytes, cut on a character boundary) ordered byte-wise; a
// name given more than once keeps all its values in order. One thread at a time; no yielding.
#pragma once

#include "CList.h"
#include "CMap.h"
#include "CString256.h"
#include "CText.h"
#include "MacTypes.h"

class CFormHTTPRequest;

class CFormMail {
public:
    explicit CFormMail(CFormHTTPRequest& request);
    CFormMail(const CFormMail&) = delete;
    CFormMail& operator=(const CFormMail&) = delete;

    CFormHTTPRequest& request;
    CString256 formPath;
    CList<CString256> requiredItems;
    CString256 responseTemplatePath;
    CString256 mailTemplatePath;
    CString256 plainTextMailTemplatePath;
    CString256 errorTemplatePath;
    CString256 mailServer;
    CList<CString256> mailTo;
    CString256 replyTo;
    CString256 subject;
    CList<CString256> attachmentPaths;
    CMap<CString256, CList<CText>> fields;
    CList<CString256> missingItems;
    CText responseText;
    CText mailText;
};

// The control fields (form-decoded; the list fields split at commas, a "%0D%0A" counting as a
// comma), then every field of the form data into the field map.
void ParseFormFields(CFormMail& formMail, const CText& formData);
// Adds each "name=value" piece of the text: decode mode 1 form-decodes (posted forms), 0
// percent-decodes (query strings), any other mode keeps the bytes.
void AddFormFields(CFormMail& formMail, const CText& text, int decodeMode);
void AddQueryFields(CFormMail& formMail, const CText& query);
// True when every required item has a non-empty first value; the others are appended to the
// missing items, in order.
Boolean CheckRequiredItems(CFormMail& formMail);
// The HTML reply's header, then the response text, to the request's output.
void WriteFormReply(CFormMail& formMail);

inline constexpr char kFormReplyHeader[] = "HTTP/1.0 200 OK\r\nMIME-Version: 1.0\r\nContent-Type: text/html\r\n\r\n";
