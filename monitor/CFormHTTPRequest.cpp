#include "CFormHTTPRequest.h"

#include "CFormMail.h"
#include "FormRequestText.h"

#include <QByteArray>

#include <cstring>
#include <string>
#include <utility>

namespace {

constexpr char kFormPageExtension[] = ".brevanto";

void AssignBytes(CText& text, std::string_view bytes)
{
    text.Clear();
    text.AppendBytes(bytes.data(), long(bytes.size()));
}

// "Basic" credentials are base64 of "user:password"; the password may hold further colons.
void TakeCredentials(CFormHTTPRequest& request, const std::string& credentials)
{
    const QByteArray decoded = QByteArray::fromBase64(QByteArray::fromStdString(credentials));
    const qsizetype colon = decoded.indexOf(':');
    request.userName.Assign(decoded.left(colon < 0 ? decoded.size() : colon).constData());
    request.password.Assign(colon < 0 ? "" : decoded.mid(colon + 1).constData());
}

} // namespace

CFormHTTPRequest::CFormHTTPRequest(std::string_view requestText, OutputStream output)
    : output(std::move(output))
{
    AssignBytes(this->requestText, requestText);
}

void CFormHTTPRequest::Write(std::string_view bytes) const
{
    if (output)
        output(bytes);
}

void ParseFormRequest(CFormHTTPRequest& request)
{
    const FormRequestParts parts =
        ParseFormRequestText(std::string_view(request.requestText.buffer ? request.requestText.buffer : "",
                                              std::size_t(request.requestText.length)));
    request.method = long(parts.method);
    AssignBytes(request.headerBlock, parts.headerBlock);
    AssignBytes(request.userAgent, parts.userAgent);
    AssignBytes(request.referer, parts.referer);
    AssignBytes(request.body, parts.body);
    request.url = CURL(parts.target.c_str());
    request.authorizationScheme.Assign(parts.authorizationScheme.c_str());
    request.credentials.Assign(parts.credentials.c_str());
    TakeCredentials(request, parts.credentials);

    if (std::strcmp(request.url.extension.text, kFormPageExtension) != 0)
        return;
    CFormMail formMail(request);
    WriteFormReply(formMail);
}
