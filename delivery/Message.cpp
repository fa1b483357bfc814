#include "Message.h"

#include "AttachmentConversions.h"
#include "FSRef.h"
#include "PreferenceGetters.h"

#include <QFileInfo>

#include <string>

namespace {

std::string View(const CText& text)
{
    return std::string(text.buffer != nullptr ? text.buffer : "", size_t(text.length));
}

bool StartsWithNoCase(const CString256& text, const char* prefix)
{
    return text.StartsWithNoCase(prefix);
}

// Index of `needle` in text at or after `from`, ASCII case folded; npos when absent.
size_t FindNoCase(const std::string& text, const std::string& needle, size_t from = 0)
{
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    for (size_t i = from; i + needle.size() <= text.size(); ++i) {
        size_t j = 0;
        while (j < needle.size() && lower(text[i + j]) == lower(needle[j]))
            ++j;
        if (j == needle.size())
            return i;
    }
    return std::string::npos;
}

std::string Row(const std::string& cell)
{
    return "<tr><td align=\"left\">" + cell + "</td></tr>\r\n";
}

}  // namespace

Message::Message()
{
    contentType = "text/html";
}

void Message::ApplyPreambleAndEpilogue()
{
    if (StartsWithNoCase(contentType, "text/plain")) {
        WrapPlainText();
        return;
    }
    if (StartsWithNoCase(contentType, "text/html") && (preamble.length > 0 || epilogue.length > 0))
        WrapHTML();
}

void Message::WrapPlainText()
{
    if (epilogue.length > 0) {
        body.Append("\r\n");
        body.AppendText(epilogue);
    }
    if (preamble.length > 0) {
        CText wrapped(preamble);
        wrapped.Append("\r\n");
        wrapped.AppendText(body);
        body = wrapped;
    }
}

// The body's own attributes stay on a rebuilt body tag whose inner text becomes the middle row
// of a table between the preamble and epilogue rows. A body without "<body …>…</body>" stays.
void Message::WrapHTML()
{
    std::string text = View(body);
    const size_t tag = FindNoCase(text, "<body");
    if (tag == std::string::npos)
        return;
    const size_t tagEnd = text.find('>', tag + 5);
    if (tagEnd == std::string::npos)
        return;
    const std::string attributes = text.substr(tag + 5, tagEnd - tag - 5);
    text.erase(tag + 5, tagEnd - tag - 5);
    const size_t open = FindNoCase(text, "<body>");
    const size_t close = open == std::string::npos ? open : FindNoCase(text, "</body>", open + 6);
    if (close == std::string::npos)
        return;
    const std::string inner = text.substr(open + 6, close - open - 6);
    text.erase(open + 6, close - open - 6);

    std::string table = "<body" + attributes + ">" + "<table  border=\"0\">\r\n";
    if (preamble.length > 0)
        table += Row(View(preamble));
    table += Row(inner);
    if (epilogue.length > 0)
        table += Row(View(epilogue));
    table += "</table>\r\n</body>\r\n";
    const size_t empty = FindNoCase(text, "<body></body>");
    text.replace(empty, std::string("<body></body>").size(), table);
    body.Clear();
    body.AppendBytes(text.data(), long(text.size()));
}

OSErr Message::FailAttachment(OSErr error, const CText& text)
{
    attachmentError = error;
    attachmentErrorText = text;
    return error;
}

OSErr Message::AddAttachment(const char* rawPath)
{
    std::string filePath = rawPath != nullptr ? rawPath : "";
    if (filePath.empty())
        return noErr;
    if (filePath[0] != '/') {
        const std::string text = "The attachment \"" + filePath + "\" has no absolute path.";
        return FailAttachment(paramErr, CText(text.c_str()));
    }
    if (GetZipFolders() && QFileInfo(QString::fromStdString(filePath)).isDir()) {
        FSRef zip;
        if (!ZipItemToTempFolder(FSRef {filePath}, &zip)) {
            const std::string text = "The attachment folder \"" + filePath + "\" could not be zipped.";
            return FailAttachment(ioErr, CText(text.c_str()));
        }
        filePath = zip.path;
    }
    attachment part;
    part.path = filePath.c_str();
    part.fileName = filePath.substr(filePath.rfind('/') + 1).c_str();
    part.ChooseEncoding(useBinHex);
    CText errorText;
    if (const OSErr error = part.Encode(errorText); error != noErr)
        return FailAttachment(error, errorText);
    switch (attachmentDisposition) {
    case kInline:
    case kAttachment:
        part.WriteHeaders(attachmentDisposition);
        break;
    case kEmbedded:
        part.WriteContentIDHeaders();
        break;
    default:
        break;
    }
    attachments.Append(part);
    return noErr;
}
