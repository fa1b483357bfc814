#include "Attachment.h"

#include "FSRef.h"
#include "FileErrors.h"
#include "FileMetadata.h"
#include "HeaderForms.h"
#include "LMailMessage.h"
#include "PathHelpers.h"
#include "TextEncodings.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr size_t kMaxLineOctets = 998;
constexpr char kOctetStream[] = "application/octet-stream";
constexpr char kBinHexType[] = "application/mac-binhex40";

attachment::ForkAccess DefaultForks()
{
    attachment::ForkAccess forks;
    forks.resourceForkSize = [](const char* path) { return FSResourceForkSize(FSRef {path}); };
    forks.encodeBinHex = [](const char* path, CBinHexEncoder& encoder) { return encoder.EncodeFile(path); };
    return forks;
}

std::string View(const CText& text)
{
    return std::string(text.buffer != nullptr ? text.buffer : "", size_t(text.length));
}

void AssignBytes(CText& text, const char* bytes, size_t count)
{
    text.Clear();
    text.AppendBytes(bytes, long(count));
}

void AssignString(CText& text, const std::string& bytes)
{
    AssignBytes(text, bytes.data(), bytes.size());
}

std::shared_ptr<const std::string> SharedBytes(const char* bytes, size_t count)
{
    return std::make_shared<const std::string>(bytes, count);
}

std::shared_ptr<const std::string> SharedBytes(const CText& text)
{
    return SharedBytes(text.buffer != nullptr ? text.buffer : "", size_t(text.length));
}

// OSErr of reading the whole file, with its bytes.
OSErr ReadWholeFile(const char* path, QByteArray& data)
{
    QFile file(QString::fromUtf8(path));
    errno = 0;
    if (!file.open(QIODevice::ReadOnly)) {
        const int error = errno;
        return error != 0 ? OSErrFromErrno(error) : OSErr(ioErr);
    }
    data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return ioErr;
    return noErr;
}

bool IsAttrChar(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')
           || std::strchr("!#$&+-.^_`|~", c) != nullptr;
}

// The file name without control characters.
std::string CleanFileName(const CText& fileName)
{
    std::string out;
    for (unsigned char c : View(fileName)) {
        if (c >= 0x20 && c != 0x7F)
            out += char(c);
    }
    return out;
}

bool IsASCII(const std::string& text)
{
    for (unsigned char c : text) {
        if (c > 0x7E)
            return false;
    }
    return true;
}

// `name="value"`, or `name*=utf-8''%XX…` for a value with non-ASCII or with "=?" (which a
// reader would take for an encoded word).
std::string Parameter(const char* name, const std::string& value)
{
    if (IsASCII(value) && value.find("=?") == std::string::npos) {
        std::string quoted;
        for (char c : value) {
            if (c == '"' || c == '\\')
                quoted += '\\';
            quoted += c;
        }
        return std::string(name) + "=\"" + quoted + "\"";
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = std::string(name) + "*=utf-8''";
    for (unsigned char c : value) {
        if (IsAttrChar(c)) {
            out += char(c);
            continue;
        }
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 0x0F];
    }
    return out;
}

}  // namespace

attachment::ForkAccess& attachment::Forks()
{
    static ForkAccess forks = DefaultForks();
    return forks;
}

void attachment::ResetForks()
{
    Forks() = DefaultForks();
}

bool attachment::Is7BitData(const QByteArray& data)
{
    size_t lineLength = 0;
    for (qsizetype i = 0; i < data.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if (c == 0 || c > 0x7F)
            return false;
        if (c == '\n')
            return false;  // an LF not after CR (the CR LF pair is taken below)
        if (c == '\r') {
            if (i + 1 >= data.size() || data[i + 1] != '\n')
                return false;
            ++i;
            lineLength = 0;
            continue;
        }
        if (++lineLength > kMaxLineOctets)
            return false;
    }
    return true;
}

void attachment::ChooseEncoding(UInt8 useBinHex)
{
    const std::string filePath = View(path);
    const std::string name = View(fileName);
    fileType = 0;
    fileCreator = 0;
    if (!MapFilenameIC(name.c_str(), fileCreator, fileType))
        FSGetTypeCreator(FSRef {filePath}, &fileType, &fileCreator);
    transferEncoding = fileType == 'TEXT' ? k7Bit : kBase64;
    if (useBinHex && Forks().resourceForkSize(filePath.c_str()) > 0)
        transferEncoding = kBinHex;
}

OSErr attachment::Encode(CText& errorText)
{
    const std::string filePath = View(path);
    encodedBody.reset();
    if (transferEncoding == kBinHex) {
        CBinHexEncoder encoder;
        const OSErr error = Forks().encodeBinHex(filePath.c_str(), encoder);
        if (error != noErr) {
            errorText.Clear();
            AssignString(errorText, "The attachment \"" + filePath + "\" could not be encoded (error "
                                        + std::to_string(error) + ").");
            return error;
        }
        encodedBody = std::make_shared<const std::string>(LMailMessage::CanonicalLineEnds(View(encoder)));
        return noErr;
    }
    QByteArray data;
    const OSErr error = ReadWholeFile(filePath.c_str(), data);
    if (error != noErr) {
        AssignString(errorText, "The attachment \"" + filePath + "\" could not be read (error "
                                    + std::to_string(error) + ").");
        return error;
    }
    if (transferEncoding == k7Bit && Is7BitData(data)) {
        encodedBody = SharedBytes(data.constData(), size_t(data.size()));
        return noErr;
    }
    transferEncoding = kBase64;
    CText encoded;
    AssignBytes(encoded, data.constData(), size_t(data.size()));
    Base64Encode(encoded);
    encodedBody = SharedBytes(encoded);
    return noErr;
}

void attachment::AdjustContentType()
{
    if (transferEncoding == kBinHex) {
        contentType = kBinHexType;
        return;
    }
    CString256 mime;
    const std::string name = View(fileName);
    if (GetMIMETypeForName(name.c_str(), mime) && mime.Length() > 0) {
        contentType = mime.text;
        return;
    }
    mime = "";
    GetMIMETypeForTypeCreator(fileType, fileCreator, mime);
    if (mime.Length() > 0) {
        contentType = mime.text;
        return;
    }
    if (fileType == 'TEXT') {
        contentType = "text/plain";
        return;
    }
    if (contentType.length == 0)
        contentType = kOctetStream;
}

void attachment::AppendEncodingLine()
{
    headerBlock.Append("Content-Transfer-Encoding: ");
    headerBlock.Append(transferEncoding == kBase64 ? "base64" : "7bit");
    headerBlock.Append("\r\n");
}

void attachment::AppendParameterLine(const char* name)
{
    headerBlock.Append("\t");
    const std::string line = Parameter(name, CleanFileName(fileName));
    headerBlock.AppendBytes(line.data(), long(line.size()));
    headerBlock.Append("\r\n");
}

void attachment::WriteHeaders(SInt32 disposition)
{
    AdjustContentType();
    AppendEncodingLine();
    headerBlock.Append("Content-Type: ");
    headerBlock.AppendText(contentType);
    headerBlock.Append(";\r\n");
    AppendParameterLine("name");
    headerBlock.Append(disposition == 1 ? "Content-Disposition: inline;\r\n" : "Content-Disposition: attachment;\r\n");
    AppendParameterLine("filename");
}

void attachment::WriteContentIDHeaders()
{
    AdjustContentType();
    AppendEncodingLine();
    headerBlock.Append("Content-Disposition: inline;\r\n");
    AppendParameterLine("filename");
    headerBlock.Append("Content-Type: ");
    headerBlock.AppendText(contentType);
    headerBlock.Append(";\r\n");
    AppendParameterLine("name");
    const std::string id = MakeContentIDForm(View(fileName));
    headerBlock.Append("Content-ID: <");
    headerBlock.AppendBytes(id.data(), long(id.size()));
    headerBlock.Append(">\r\n");
}

void MakeAttachmentFromData(attachment& part, const QByteArray& data, const char* fileName, const char* contentType)
{
    CText encoded;
    encoded.AppendBytes(data.constData(), long(data.size()));
    Base64Encode(encoded);
    if (encoded.length == 0)
        return;
    part.encodedBody = SharedBytes(encoded);
    part.fileName = fileName;
    part.contentType = contentType;
    part.transferEncoding = attachment::kBase64;
    part.WriteHeaders(1);
}
