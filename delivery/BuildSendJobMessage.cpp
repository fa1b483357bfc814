#include "BuildSendJobMessage.h"

#include "CDeliveryWindow.h"
#include "CEnvironment.h"
#include "CMailMessage.h"
#include "HeaderForms.h"
#include "InterfaceAddresses.h"
#include "MessageBuildSources.h"
#include "PreferenceGetters.h"
#include "Preferences.h"
#include "TextEncodings.h"

#include <sys/socket.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr size_t kMaxLineOctets = 998;

std::string View(const CText& text)
{
    return std::string(text.buffer != nullptr ? text.buffer : "", size_t(text.length));
}

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool ContainsNoCase(const std::string& text, const std::string& needle)
{
    for (size_t i = 0; i + needle.size() <= text.size(); ++i) {
        size_t j = 0;
        while (j < needle.size() && Lower(text[i + j]) == Lower(needle[j]))
            ++j;
        if (j == needle.size())
            return true;
    }
    return false;
}

// True when the text cannot go as 8bit (RFC 2045): a NUL, or a line over 998 octets.
bool NeedsBase64(const std::string& crlfText)
{
    if (crlfText.find('\0') != std::string::npos)
        return true;
    size_t start = 0;
    while (start < crlfText.size()) {
        size_t end = crlfText.find("\r\n", start);
        if (end == std::string::npos)
            end = crlfText.size();
        if (end - start > kMaxLineOctets)
            return true;
        start = end + 2;
    }
    return false;
}

// A text part: CR LF lines, then base64 when asked or when the text cannot go as 8bit.
std::unique_ptr<LMailMessage> TextPart(const std::string& type, const CText& text, bool encode)
{
    auto part = std::make_unique<LMailMessage>();
    part->SetContentType(type);
    const std::string canonical = LMailMessage::CanonicalLineEnds(View(text));
    if (!encode && !NeedsBase64(canonical)) {
        part->SetTransferEncoding("8bit");
        part->SetBody(canonical);
        return part;
    }
    CText encoded;
    encoded.AppendBytes(canonical.data(), long(canonical.size()));
    Base64Encode(encoded);
    part->SetTransferEncoding("base64");
    part->SetBody(View(encoded));
    return part;
}

void MoveContent(LMailMessage& from, LMailMessage& to)
{
    to.SetContentType(from.GetContentType());
    to.SetTransferEncoding(from.GetTransferEncoding());
    to.SetBody(from.GetBody());
}

std::string CharsetName(const CDeliveryWindow& window)
{
    std::string name;
    for (char c : window.GetCharsetName().toStdString()) {
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
                          || std::string("-_.:+").find(c) != std::string::npos;
        if (keep)
            name += c;
    }
    return name.empty() ? std::string("utf-8") : name;
}

std::string XMailerText()
{
    const std::unique_ptr<char[]> stored = GetPreference(CString256(kXMailerHeaderKey));
    if (stored && stored[0] != 0)
        return HeaderSafeText(stored.get(), std::strlen(stored.get()));
    const QByteArray version = MessageBuildSources::Current().version().toUtf8();
    CString256 text;
    MakeDefaultAgentText(version.constData(), text);
    return HeaderSafeText(text.text, text.Length());
}

// The value of the first header line `name` ("content-type:") of unfolded LF-ended headers.
std::string HeaderValue(const std::string& headers, const std::string& name)
{
    size_t line = 0;
    while (line < headers.size()) {
        size_t end = headers.find('\n', line);
        if (end == std::string::npos)
            end = headers.size();
        std::string text = headers.substr(line, end - line);
        if (text.size() >= name.size() && ContainsNoCase(text.substr(0, name.size()), name)) {
            text.erase(0, name.size());
            const size_t first = text.find_first_not_of(" \t");
            return first == std::string::npos ? std::string() : text.substr(first);
        }
        line = end + 1;
    }
    return std::string();
}

// A whole message source: its own Content-Type and transfer encoding, its body as it is.
void SetWholeSource(const CText& body, CMailMessage& mail)
{
    const std::string source = View(body);
    const size_t crlf = source.find("\r\n\r\n");
    const size_t lf = source.find("\n\n");
    size_t split = std::string::npos;
    size_t separator = 0;
    if (crlf != std::string::npos && (lf == std::string::npos || crlf < lf)) {
        split = crlf;
        separator = 4;
    } else if (lf != std::string::npos) {
        split = lf;
        separator = 2;
    }
    std::string headers = split == std::string::npos ? source : source.substr(0, split);
    const std::string content = split == std::string::npos ? std::string() : source.substr(split + separator);

    std::string unfolded;
    for (size_t i = 0; i < headers.size(); ++i) {
        if (headers[i] == '\r')
            continue;
        if (headers[i] == '\n' && i + 1 < headers.size() && (headers[i + 1] == '\t' || headers[i + 1] == ' '))
            continue;
        unfolded += headers[i];
    }
    std::string type = HeaderValue(unfolded, "content-type:");
    if (type.empty())
        type = "text/plain";
    std::string folded;
    for (char c : type)
        folded += c == '\t' ? std::string("\r\n\t") : std::string(1, c);
    mail.SetContentTypeRaw(folded);
    mail.SetTransferEncoding(HeaderValue(unfolded, "content-transfer-encoding:"));
    mail.SetBody(content);
}

std::string JoinedForms(const std::vector<std::string>& forms)
{
    std::string joined;
    for (const std::string& form : forms)
        joined += (joined.empty() ? "" : ", ") + form;
    return joined;
}

// "<address>" of a header form (a Return-Path holds no name).
std::string AngleAddress(const std::string& form)
{
    const size_t open = form.rfind('<');
    return open == std::string::npos ? "<" + form + ">" : form.substr(open);
}

// False with the build's error when an address the user gave is refused (see HeaderForms.h).
bool FailInvalidAddress(const std::string& address, CMailMessage& mail)
{
    mail.buildError = paramErr;
    mail.buildErrorText.Assign(("Invalid address: " + address).c_str());
    return false;
}

bool SetAddresses(const Message& message, CMailMessage& mail)
{
    const std::string to = HeaderSafeText(message.to);
    const std::string from = HeaderSafeText(message.from);
    const bool simulate = gEnvironment != nullptr && gEnvironment->simulate;
    const std::string& recipient = simulate && GetSimulateToSelf() ? from : to;
    if (to.empty() && message.toDisplay.length > 0)
        return FailInvalidAddress(View(message.toDisplay), mail);
    if (!recipient.empty())
        mail.AddTo(recipient);
    mail.SetFrom(from);
    mail.SetSubject(View(message.subject));
    if (GetIncludeBCCHeader() && !from.empty())
        mail.AddBcc(from);
    std::vector<std::string> returnPath, replyTo, bcc, cc;
    std::string bad;
    if (!MakeTypedAddressForms(message.returnPath, returnPath, bad) || !MakeTypedAddressForms(message.replyTo, replyTo, bad)
        || !MakeTypedAddressForms(message.bcc, bcc, bad) || !MakeTypedAddressForms(message.cc, cc, bad))
        return FailInvalidAddress(bad, mail);
    if (!returnPath.empty())
        mail.SetReturnPath(AngleAddress(returnPath[0]));
    mail.SetReplyTo(JoinedForms(replyTo));
    if (GetIncludeMDNHeader())
        mail.SetDispositionNotificationTo(JoinedForms(replyTo));
    for (const std::string& form : bcc)
        mail.AddBcc(form);
    for (const std::string& form : cc)
        mail.AddCc(form);
    return true;
}

void SetHeaderTexts(CDeliveryWindow& window, const Message& message, CMailMessage& mail)
{
    CText id;
    MakeMessageID(id, message.mailServer);
    mail.SetMessageId(View(id));
    const QDateTime now = MessageBuildSources::Current().now();
    mail.SetDate(now.toSecsSinceEpoch(), now.offsetFromUtc());
    const SInt32 priority = window.GetPriorityValue();
    if (priority > 0)
        mail.SetPriority(std::to_string(priority));
    if (GetIncludeXMailerHeader())
        mail.SetXMailer(XMailerText());
}

// The body with every "cid:" reference to an embedded part written as that part's Content-ID
// (a name outside plain ASCII is percent-encoded in both places).
CText BodyWithContentIDs(const Message& message)
{
    if (message.attachmentDisposition != Message::kEmbedded)
        return message.body;
    std::string body = View(message.body);
    message.attachments.Rewind();
    while (const attachment* part = message.attachments.Next()) {
        const std::string name = View(part->fileName);
        const std::string typed = "cid:" + name;
        const std::string written = "cid:" + MakeContentIDForm(name);
        if (name.empty() || typed == written)
            continue;
        for (size_t at = body.find(typed); at != std::string::npos; at = body.find(typed, at + written.size()))
            body.replace(at, typed.size(), written);
    }
    CText rewritten;
    rewritten.AppendBytes(body.data(), long(body.size()));
    return rewritten;
}

void SetStructure(CDeliveryWindow& window, const Message& message, CMailMessage& mail)
{
    const std::string charset = CharsetName(window);
    std::string bodyType = message.contentType.text;
    if (!ContainsNoCase(bodyType, "charset="))
        bodyType += "; charset=" + charset;
    const std::string plainType = "text/plain; charset=" + charset;
    const bool encode = GetEncodeQP();
    const bool hasAlternative = message.plainText.length > 0;
    const bool hasBody = message.body.length > 0;
    const bool hasAttachments = message.attachments.Count() > 0;

    if (!hasAttachments && !hasAlternative) {
        mail.SetContentType(bodyType);
        if (hasBody)
            MoveContent(*TextPart(bodyType, message.body, encode), mail);
        return;
    }
    LMailMessage* textHolder = &mail;
    if (hasAttachments) {
        mail.SetContentType(message.attachmentDisposition == Message::kEmbedded ? "multipart/related"
                                                                                 : "multipart/mixed");
        if (hasAlternative) {
            textHolder = &mail.AddPart(std::make_unique<LMailMessage>());
            textHolder->SetContentType("multipart/alternative");
        }
    } else {
        mail.SetContentType("multipart/alternative");
    }
    if (hasAlternative)
        textHolder->AddPart(TextPart(plainType, message.plainText, encode));
    if (hasBody)
        textHolder->AddPart(TextPart(bodyType, BodyWithContentIDs(message), encode));

    message.attachments.Rewind();
    while (const attachment* part = message.attachments.Next()) {
        if (part->headerBlock.length == 0)
            continue;
        LMailMessage& added = mail.AddPart(std::make_unique<LMailMessage>());
        added.SetRawHeaders(View(part->headerBlock));
        added.SetSharedBody(part->encodedBody);
    }
}

// The Message-ID's domain: the last two labels of a host name, or a whole IP address as a
// domain literal ("[127.0.0.1]", "[IPv6:::1]"); "localhost" when there is no host.
std::string MessageIDDomain(const std::string& host)
{
    std::string literal = host;
    if (literal.size() > 2 && literal.front() == '[' && literal.back() == ']')
        literal = literal.substr(1, literal.size() - 2);
    const int family = InterfaceAddresses::AddressFamilyOf(literal);
    if (family == AF_INET)
        return "[" + literal + "]";
    if (family == AF_INET6)
        return "[IPv6:" + literal + "]";
    std::vector<std::string> labels(1);
    for (char c : host) {
        if (c == '.') {
            labels.emplace_back();
            continue;
        }
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
        if (keep)
            labels.back() += c;
    }
    std::erase_if(labels, [](const std::string& label) { return label.empty(); });
    if (labels.size() >= 2)
        return labels[labels.size() - 2] + "." + labels.back();
    return labels.size() == 1 ? labels[0] : std::string("localhost");
}

}  // namespace

void MakeMessageID(CText& out, const CText& host)
{
    const std::string domain = MessageIDDomain(View(host));
    std::string digits;
    for (char c : MessageBuildSources::Current().newUUID().toStdString()) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            digits += c;
    }
    const std::string id = "<" + digits + "@" + domain + ">";
    out.Clear();
    out.AppendBytes(id.data(), long(id.size()));
}

bool BuildSendJobMessage(CDeliveryWindow& window, const Message& message, CMailMessage& mail)
{
    mail.message = MessageSummary(message);
    if (message.attachmentError != 0) {
        mail.buildError = message.attachmentError;
        mail.buildErrorText = message.attachmentErrorText;
        return false;
    }
    if (!SetAddresses(message, mail))
        return false;
    SetHeaderTexts(window, message, mail);
    if (std::string(message.contentType.text) == "message/rfc822")
        SetWholeSource(message.body, mail);
    else
        SetStructure(window, message, mail);
    return true;
}
