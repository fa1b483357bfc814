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

// Every piece holding "@" of a comma-separated list. Commas inside a quoted name or inside
// angle brackets do not separate.
std::vector<std::string> TypedPieces(const std::string& text)
{
    std::vector<std::string> pieces;
    std::string piece;
    bool quoted = false;
    bool bracketed = false;
    auto finish = [&] {
        if (piece.find('@') != std::string::npos)
            pieces.push_back(piece);
        piece.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ',' && !quoted && !bracketed) {
            finish();
            continue;
        }
        piece += c;
        if (quoted && c == '\\' && i + 1 < text.size())
            piece += text[++i];
        else if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '<' || c == '>'))
            bracketed = c == '<';
    }
    finish();
    return pieces;
}

struct TypedAddress {
    QString name;
    QString address;
    bool valid = true;
};

// "Name <address>", "\"Name\" <address>", "<address>" or a bare address. The name loses its
// quotes (a backslash keeps the character after it); nothing but blanks may follow the ">".
TypedAddress SplitTypedAddress(const std::string& piece)
{
    TypedAddress typed;
    size_t open = std::string::npos;
    bool quoted = false;
    for (size_t i = 0; i < piece.size(); ++i) {
        if (quoted && piece[i] == '\\')
            ++i;
        else if (piece[i] == '"')
            quoted = !quoted;
        else if (!quoted && piece[i] == '<')
            open = i;
    }
    if (open == std::string::npos) {
        typed.address = QString::fromUtf8(piece);
        return typed;
    }
    const size_t close = piece.find('>', open);
    if (close == std::string::npos || !Trimmed(piece.substr(close + 1)).empty()) {
        typed.valid = false;
        return typed;
    }
    typed.address = QString::fromUtf8(piece.substr(open + 1, close - open - 1));
    std::string name;
    quoted = false;
    for (size_t i = 0; i < open; ++i) {
        if (quoted && piece[i] == '\\' && i + 1 < open)
            name += piece[++i];
        else if (piece[i] == '"')
            quoted = !quoted;
        else
            name += piece[i];
    }
    typed.name = QString::fromUtf8(name);
    return typed;
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
    std::string out(bytes.constData(), size_t(bytes.size()));
    const size_t first = out.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    out = out.substr(first, out.find_last_not_of(" \t\r\n") - first + 1);
    for (unsigned char c : out) {
        if (c <= 0x20 || c == 0x7F || std::strchr("<>,;\"", c) != nullptr)
            return std::string();
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
    const QByteArray addressBytes = address.toUtf8();
    const std::string addr = Trimmed(HeaderSafeText(addressBytes.constData(), size_t(addressBytes.size())));
    const QByteArray bytes = name.toUtf8();
    const std::string shown = Trimmed(HeaderSafeText(bytes.constData(), size_t(bytes.size())));
    if (shown.empty())
        return addr;
    return shown + " <" + addr + ">";
}

bool MakeTypedAddressForms(const CText& list, std::vector<std::string>& forms, std::string& bad)
{
    for (const std::string& piece : TypedPieces(HeaderSafeText(list))) {
        const TypedAddress typed = SplitTypedAddress(piece);
        const std::string form = typed.valid ? MakeAddressHeaderForm(typed.name, typed.address) : std::string();
        if (form.empty()) {
            bad = Trimmed(piece);
            return false;
        }
        forms.push_back(form);
    }
    return true;
}

std::string MakeContentIDForm(const std::string& fileName)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string id;
    for (unsigned char c : fileName) {
        if (IsControl(c) || c > 0x7F || c == '<' || c == '>') {
            id += '%';
            id += kHex[c >> 4];
            id += kHex[c & 0x0F];
        } else {
            id += char(c);
        }
    }
    return id;
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
    window.ExpandPlainMergeTags(text);
    const std::string words = MakeSubjectWords(text.buffer, size_t(text.length));
    out.AppendBytes(words.data(), long(words.size()));
}
