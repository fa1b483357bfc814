#include "HeaderForms.h"

#include "CDeliveryWindow.h"
#include "Message.h"
#include "TextEncodings.h"
#include "TextHelpers.h"

#include <cstring>

namespace {

constexpr char kNameSpecials[] = "()<>[]:;@\\,.\"";
constexpr char kWordPrefix[] = "=?UTF-8?B?";
constexpr char kWordSuffix[] = "?=";
// 45 bytes make 60 base64 characters: with the prefix and suffix a word of 72.
constexpr size_t kNameWordBytes = 45;

bool IsControl(unsigned char c)
{
    return c < 0x20 || c == 0x7F;
}

std::string Base64Word(const char* bytes, size_t count)
{
    CText text;
    text.AppendBytes(bytes, long(count));
    Base64Encode(text);
    std::string encoded(text.buffer != nullptr ? text.buffer : "", size_t(text.length));
    while (!encoded.empty() && (encoded.back() == '\n' || encoded.back() == '\r'))
        encoded.pop_back();
    return kWordPrefix + encoded + kWordSuffix;
}

// Encoded words for the whole text, pieces of at most `pieceBytes`, joined by `separator`.
std::string EncodedWords(const std::string& text, size_t pieceBytes, const char* separator)
{
    std::string out;
    for (size_t start = 0; start < text.size();) {
        size_t count = CutAtCharacterBoundary(text.data() + start, text.size() - start, pieceBytes);
        if (count == 0)
            count = 1;  // a lone byte longer than a piece cannot happen; never loop forever
        if (!out.empty())
            out += separator;
        out += Base64Word(text.data() + start, count);
        start += count;
    }
    return out;
}

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool IsPlainASCII(const std::string& text)
{
    for (unsigned char c : text) {
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

std::string QuotedString(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// The header form of a name already free of controls and trimmed.
std::string NamePhrase(const std::string& name)
{
    if (!IsPlainASCII(name) || name.find("=?") != std::string::npos)
        return EncodedWords(name, kNameWordBytes, " ");
    if (name.find_first_of(kNameSpecials) != std::string::npos)
        return QuotedString(name);
    return name;
}

std::string CleanName(const QString& name)
{
    const QByteArray bytes = name.toUtf8();
    std::string clean = Trimmed(HeaderSafeText(bytes.constData(), size_t(bytes.size())));
    clean.resize(CutAtCharacterBoundary(clean.data(), clean.size(), kMaxNameBytes));
    return Trimmed(clean);
}

// The name without its last character.
void DropLastCharacter(std::string& text)
{
    size_t keep = 0;
    for (size_t i = 0; i < text.size();) {
        size_t width = Utf8SequenceLength(text.data() + i, text.size() - i);
        if (width == 0)
            width = 1;
        if (i + width >= text.size())
            break;
        i += width;
        keep = i;
    }
    text.resize(keep);
}

}  // namespace

std::string HeaderSafeText(const char* text, size_t length)
{
    std::string out(text != nullptr ? text : "", text != nullptr ? length : 0);
    for (char& c : out) {
        if (IsControl(static_cast<unsigned char>(c)))
            c = ' ';
    }
    return out;
}

std::string CleanAddress(const QString& address)
{
    const QByteArray bytes = address.toUtf8();
    std::string out;
    for (unsigned char c : bytes) {
        if (c <= 0x20 || c == 0x7F || std::strchr("<>,;\"", c) != nullptr)
            continue;
        out += char(c);
    }
    return out;
}

std::string MakeAddressHeaderForm(const QString& name, const QString& address, size_t limit)
{
    const std::string addr = CleanAddress(address);
    if (addr.empty())
        return std::string();
    std::string shown = CleanName(name);
    while (!shown.empty()) {
        std::string form = NamePhrase(shown) + " <" + addr + ">";
        if (form.size() <= limit)
            return form;
        DropLastCharacter(shown);
        shown = Trimmed(shown);
    }
    return addr;
}

std::string MakeAddressDisplayForm(const QString& name, const QString& address)
{
    const std::string addr = CleanAddress(address);
    const QByteArray bytes = name.toUtf8();
    const std::string shown = Trimmed(HeaderSafeText(bytes.constData(), size_t(bytes.size())));
    if (shown.empty())
        return addr;
    return shown + " <" + addr + ">";
}

std::string MakeSubjectWords(const char* text, size_t length)
{
    return EncodedWords(HeaderSafeText(text, length), kSubjectPieceBytes, "\r\n\t");
}

void EncodeCFString(const Message& message, CDeliveryWindow& window, CText& out)
{
    out.Clear();
    const QByteArray bytes = message.subjectString.toUtf8();
    if (bytes.isEmpty())
        return;
    CText text;
    text.AppendBytes(bytes.constData(), long(bytes.size()));
    window.ExpandMergeTags(text);
    const std::string words = MakeSubjectWords(text.buffer, size_t(text.length));
    out.AppendBytes(words.data(), long(words.size()));
}
