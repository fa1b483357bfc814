#include "TextHelpers.h"

#include "CString32.h"
#include "CText.h"
#include "CharacterMaps.h"

#include <QByteArray>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <vector>

// --- UTF-8 characters ---------------------------------------------------------------------------

namespace {

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

size_t Utf8SequenceLength(const char* p, size_t available)
{
    if (available == 0)
        return 0;
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    if (b[0] < 0x80)
        return 1;
    size_t length = 0;
    char32_t minimum = 0;
    char32_t value = 0;
    if (b[0] >= 0xC2 && b[0] <= 0xDF) {
        length = 2, minimum = 0x80, value = b[0] & 0x1F;
    } else if (b[0] >= 0xE0 && b[0] <= 0xEF) {
        length = 3, minimum = 0x800, value = b[0] & 0x0F;
    } else if (b[0] >= 0xF0 && b[0] <= 0xF4) {
        length = 4, minimum = 0x10000, value = b[0] & 0x07;
    } else {
        return 0;
    }
    if (available < length)
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if (!IsContinuation(b[i]))
            return 0;
        value = (value << 6) | (b[i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    return length;
}

size_t ReadCharacter(const char* p, size_t available, char32_t& character)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    size_t length = Utf8SequenceLength(p, available);
    if (length <= 1) {
        character = b[0];  // ASCII, or a stray byte read as Latin-1
        return 1;
    }
    static constexpr unsigned char kLeadMask[5] = {0, 0, 0x1F, 0x0F, 0x07};
    char32_t value = b[0] & kLeadMask[length];
    for (size_t i = 1; i < length; ++i)
        value = (value << 6) | (b[i] & 0x3F);
    character = value;
    return length;
}

size_t WriteUtf8Character(char32_t c, char* out)
{
    if (c < 0x80) {
        out[0] = char(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = char(0xC0 | (c >> 6));
        out[1] = char(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = char(0xE0 | (c >> 12));
        out[1] = char(0x80 | ((c >> 6) & 0x3F));
        out[2] = char(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = char(0xF0 | (c >> 18));
    out[1] = char(0x80 | ((c >> 12) & 0x3F));
    out[2] = char(0x80 | ((c >> 6) & 0x3F));
    out[3] = char(0x80 | (c & 0x3F));
    return 4;
}

size_t CutAtCharacterBoundary(const char* text, size_t length, size_t maximum)
{
    if (length <= maximum)
        return length;
    // Look back over at most three bytes for the start of a sequence that crosses the cut.
    for (size_t back = 1; back <= 3 && back <= maximum; ++back) {
        size_t start = maximum - back;
        auto lead = static_cast<unsigned char>(text[start]);
        if (IsContinuation(lead))
            continue;
        size_t sequence = Utf8SequenceLength(text + start, length - start);
        return sequence > back ? start : maximum;
    }
    return maximum;
}

size_t CopyCut(char* dest, const char* source, size_t sourceLength, size_t limit)
{
    if (source == nullptr) {
        dest[0] = 0;
        return 0;
    }
    size_t count = CutAtCharacterBoundary(source, sourceLength, limit);
    std::memmove(dest, source, count);
    dest[count] = 0;
    return count;
}

// --- Strings ------------------------------------------------------------------------------------

void PToCString(const unsigned char* pascal, char* buffer)
{
    size_t length = pascal[0];
    if (length == 255)
        length = 0;
    std::memmove(buffer, pascal + 1, length);
    buffer[length] = 0;
}

size_t CToPString(const char* source, unsigned char* pascal)
{
    size_t length = source ? std::strlen(source) : 0;
    if (length > 254)
        length = 0;
    std::memmove(pascal + 1, source, length);
    pascal[0] = static_cast<unsigned char>(length);
    return length;
}

const char* FindTextNoCase(const char* text, const char* pattern)
{
    if (text == nullptr || pattern == nullptr || pattern[0] == 0)
        return nullptr;
    size_t patternLength = std::strlen(pattern);
    for (const char* p = text; *p != 0; ++p) {
        if (UpperAscii(*p) != UpperAscii(pattern[0]))
            continue;
        if (CompareNoCaseN(p, pattern, patternLength) == 0)
            return p;
    }
    return nullptr;
}

int CompareNoCaseN(const char* a, const char* b, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[i]);
        if (UpperAscii(char(ca)) != UpperAscii(char(cb)))
            return int(ca) - int(cb);
        if (ca == 0)
            return 0;
    }
    return 0;
}

bool EqualNoCase(const char* a, const char* b)
{
    size_t length = std::strlen(a);
    return length == std::strlen(b) && CompareNoCaseN(a, b, length) == 0;
}

void ReverseString(char* text)
{
    size_t length = std::strlen(text);
    std::vector<char> reversed(length);
    size_t end = length;
    for (size_t i = 0; i < length;) {
        char32_t c;
        size_t n = ReadCharacter(text + i, length - i, c);
        end -= n;
        std::memcpy(reversed.data() + end, text + i, n);
        i += n;
    }
    std::memcpy(text, reversed.data(), length);
}

void SplitWords(const CText& text, CText& first, CText& second)
{
    if (text.buffer == nullptr)
        return;
    const char* whole = text.buffer;
    const char* space = std::strchr(whole, ' ');
    if (space == nullptr) {
        first.Assign(whole);
        return;
    }
    first.Assign("");
    first.AppendBytes(whole, space - whole);
    const char* secondStart = space + 1;
    const char* secondEnd = std::strchr(secondStart, ' ');
    second.Assign("");
    second.AppendBytes(secondStart, secondEnd ? secondEnd - secondStart : long(std::strlen(secondStart)));
}

void SplitWordsInPlace(unsigned char* whole, unsigned char* first, unsigned char* second)
{
    char buffer[256];
    PToCString(whole, buffer);
    CText text(buffer);
    CText firstWord;
    CText secondWord;
    SplitWords(text, firstWord, secondWord);
    CToPString(text.buffer, whole);
    CToPString(firstWord.buffer, first);
    CToPString(secondWord.buffer, second);
}

bool ReplaceFirstChar(const char* lengthText, const char* newText, char* destination, size_t capacity)
{
    size_t oldLength = std::strlen(lengthText);
    size_t newLength = std::strlen(newText);
    if (oldLength + newLength > capacity || destination[0] == 0)
        return false;
    size_t tail = std::strlen(destination + 1);
    std::memmove(destination + newLength, destination + 1, tail + 1);
    std::memcpy(destination, newText, newLength);
    return true;
}

void OSTypeToString(FourCharCode code, char* out)
{
    out[0] = char(code >> 24);
    out[1] = char(code >> 16);
    out[2] = char(code >> 8);
    out[3] = char(code);
    out[4] = 0;
}

void SwapBytes32(UInt32 value, UInt32& out)
{
    out = (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);
}

UInt32 GetBitField(UInt32 value, int highBit, int width)
{
    if (width <= 0)
        return 0;
    UInt32 mask = width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1);
    int shift = highBit + 1 - width;
    if (shift < 0 || shift >= 32)
        return 0;
    return (value >> shift) & mask;
}

bool CompareCFStrings(const QString& a, const QString& b)
{
    if (a.isNull())
        return false;
    if (b.isNull())
        return true;
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}

int AlwaysTrue()
{
    return 1;
}

// --- Numbers to text ----------------------------------------------------------------------------

namespace {

// Decimal digits of a magnitude, least significant first; returns their count.
size_t DigitsBackwards(UInt64 magnitude, char* out)
{
    size_t count = 0;
    do {
        out[count++] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    return count;
}

char* NewDecimalText(SInt64 value)
{
    char digits[24];
    UInt64 magnitude = value < 0 ? UInt64(-(value + 1)) + 1 : UInt64(value);
    size_t count = DigitsBackwards(magnitude, digits);
    char* text = new char[count + 2];
    size_t at = 0;
    if (value < 0)
        text[at++] = '-';
    while (count > 0)
        text[at++] = digits[--count];
    text[at] = 0;
    return text;
}

}  // namespace

char* NumToText(UInt32 value) { return NewDecimalText(value); }
char* IntToText(SInt32 value) { return NewDecimalText(value); }
char* ShortToText(SInt16 value) { return NewDecimalText(value); }

size_t IntToTextBuffer(char* buffer, size_t size, SInt32 value)
{
    if (size == 0)
        return 0;
    char digits[16];
    UInt64 magnitude = value < 0 ? UInt64(-(SInt64(value))) : UInt64(value);
    size_t count = DigitsBackwards(magnitude, digits);
    size_t room = size - 1;
    size_t sign = (value < 0 && room > 0) ? 1 : 0;
    count = std::min(count, room - sign);  // the lowest digits stay
    size_t at = 0;
    if (sign)
        buffer[at++] = '-';
    while (count > 0)
        buffer[at++] = digits[--count];
    buffer[at] = 0;
    return at;
}

// --- URL character classes ----------------------------------------------------------------------

bool IsUnsafeURLChar(unsigned char c) { return c != 0 && std::strchr("\"#%<>", c) != nullptr; }
bool IsReservedURLChar(unsigned char c) { return c != 0 && std::strchr("&/:;=?@", c) != nullptr; }
bool IsNationalURLChar(unsigned char c) { return c != 0 && std::strchr("[\\]^{|}~`", c) != nullptr; }
bool IsExtraURLChar(unsigned char c) { return c != 0 && std::strchr("!'()*,", c) != nullptr; }
bool IsSafeURLChar(unsigned char c) { return c != 0 && std::strchr("$+-._", c) != nullptr; }
bool IsUpperChar(unsigned char c) { return c >= 'A' && c <= 'Z'; }
bool IsLowerChar(unsigned char c) { return c >= 'a' && c <= 'z'; }
bool IsAlphaChar(unsigned char c) { return IsUpperChar(c) || IsLowerChar(c); }
bool IsDigitChar(unsigned char c) { return c >= '0' && c <= '9'; }

// --- Escaping and decoding ----------------------------------------------------------------------

namespace {

void PercentEscape(char* out, unsigned char c)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out[0] = '%';
    out[1] = kHex[c >> 4];
    out[2] = kHex[c & 0x0F];
    out[3] = 0;
}

void KeepChar(char* out, unsigned char c)
{
    out[0] = char(c);
    out[1] = 0;
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// True when text[i] is "%" followed by two hex digits inside the text.
bool IsPercentEscape(const char* text, size_t length, size_t i)
{
    return text[i] == '%' && i + 2 < length && IsHexDigit(text[i + 1]) && IsHexDigit(text[i + 2]);
}

}  // namespace

void EscapeURLChar(char* out, unsigned char c)
{
    if (c >= 33 && c <= 126)
        return KeepChar(out, c);
    PercentEscape(out, c);
}

void EscapeFormChar(char* out, unsigned char c)
{
    if (IsAlphaChar(c) || IsDigitChar(c) || (c != 0 && std::strchr("$&+-._", c) != nullptr))
        return KeepChar(out, c);
    PercentEscape(out, c);
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;
}

size_t PercentDecodeBytes(char* out, const char* text, size_t length)
{
    size_t at = 0;
    for (size_t i = 0; i < length; ++i) {
        if (!IsPercentEscape(text, length, i)) {
            out[at++] = text[i];
            continue;
        }
        out[at++] = char(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
        i += 2;
    }
    out[at] = 0;
    return at;
}

size_t FormDecodeBytes(char* out, const char* text, size_t length)
{
    const CCharacterMaps* maps = GetCharacterMaps();
    size_t at = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '+') {
            out[at++] = ' ';
            continue;
        }
        if (!IsPercentEscape(text, length, i)) {
            out[at++] = text[i];
            continue;
        }
        long code = HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]);
        i += 2;
        char32_t character = 0;
        if (maps == nullptr || !maps->FindCharacterForCode(code, character) || character == 0)
            character = ' ';
        at += WriteUtf8Character(character, out + at);
    }
    out[at] = 0;
    return at;
}

QString ReplacePercentEscapes(const QString& source)
{
    if (source.isNull())
        return QString();
    QByteArray decoded = QByteArray::fromPercentEncoding(source.toUtf8());
    QStringDecoder toUtf16(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = toUtf16(decoded);
    if (toUtf16.hasError())
        return QString();
    // Characters that may stand in a URL as they are; everything else is escaped again.
    static const QByteArray kLegal = "!$&'()*+,-./:;=?@_~#[]";
    return QString::fromLatin1(text.toUtf8().toPercentEncoding(kLegal));
}
