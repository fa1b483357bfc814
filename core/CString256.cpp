#include "CString256.h"

#include "CList.h"
#include "CSparePool.h"
#include "CString32.h"
#include "CText.h"
#include "CharacterMaps.h"
#include "FixedStringOps.h"
#include "HeaderWordEncoder.h"
#include "MemoryBlocks.h"
#include "TextHelpers.h"

#include <QLocale>
#include <cstring>
#include <string>

namespace {
constinit CSparePool<CString256> gPool;
}

CString256::CString256()
{
    text[0] = 0;
}

CString256::CString256(const char* source)
{
    text[0] = 0;
    Assign(source);
}

void* CString256::operator new(size_t)
{
    return gPool.Take();
}

void CString256::operator delete(void* object) noexcept
{
    gPool.Give(object);
}

size_t CString256::SparePoolBlocks()
{
    return gPool.BlocksTaken();
}

CString256& CString256::Assign(const char* source)
{
    FixedStringOps::Assign(text, kLimit, source);
    return *this;
}

CString256& CString256::Assign(const CString256& source)
{
    return Assign(source.text);
}

CString256& CString256::AssignPString(const unsigned char* pascal)
{
    if (pascal == nullptr)
        return Assign(nullptr);
    char buffer[256];
    PToCString(pascal, buffer);
    return Assign(buffer);
}

CString256& CString256::AssignCFString(const QString& source)
{
    if (source.isNull())
        return Assign(nullptr);
    QByteArray bytes = source.toUtf8();
    CopyCut(text, bytes.constData(), size_t(bytes.size()), kLimit);
    return *this;
}

CString256& CString256::AssignText(const CText& source)
{
    if (source.buffer == nullptr)
        return Assign(nullptr);
    size_t length = strnlen(source.buffer, size_t(source.length));
    CopyCut(text, source.buffer, length, kLimit);
    return *this;
}

CString256& CString256::AssignHandle(Handle handle)
{
    if (handle == nullptr || *handle == nullptr)
        return Assign(nullptr);
    size_t size = size_t(GetHandleSize(handle));
    size_t length = strnlen(*handle, size);
    CopyCut(text, *handle, length, kLimit);
    return *this;
}

CString256& CString256::SetNumber(long value)
{
    FixedStringOps::SetNumber(text, kLimit, value);
    return *this;
}

CString256& CString256::SetFloat(float value)
{
    // Decimal style: grouped digits, at most three decimals, no trailing zeros.
    QLocale locale;
    QString number = locale.toString(double(value), 'f', 3);
    const QString point = locale.decimalPoint();
    if (number.contains(point)) {
        while (number.endsWith(QLatin1Char('0')))
            number.chop(1);
        if (number.endsWith(point))
            number.chop(point.size());
    }
    return AssignCFString(number);
}

CString256& CString256::Append(const char* source)
{
    FixedStringOps::Append(text, kLimit, source);
    return *this;
}

CString256& CString256::Append(const CString256& source)
{
    return Append(source.text);
}

CString256& CString256::AppendChar(char c)
{
    FixedStringOps::AppendChar(text, kLimit, c);
    return *this;
}

CString256& CString256::AppendNumber(long value)
{
    FixedStringOps::AppendNumber(text, kLimit, value);
    return *this;
}

CString256& CString256::AppendCFString(const QString& source)
{
    CString256 converted;
    converted.AssignCFString(source);
    return Append(converted.text);
}

CString256& CString256::Prepend(const char* source)
{
    std::string joined(source ? source : "");
    joined += text;
    CopyCut(text, joined.data(), joined.size(), kLimit);
    return *this;
}

CString256& CString256::MakeLower()
{
    FixedStringOps::MakeLower(text);
    return *this;
}

CString256& CString256::ReplaceChar(char from, char to)
{
    FixedStringOps::ReplaceChar(text, from, to);
    return *this;
}

CString256& CString256::ReplaceNonPrintable()
{
    std::string result;
    size_t length = std::strlen(text);
    for (size_t i = 0; i < length;) {
        char32_t c;
        size_t n = ReadCharacter(text + i, length - i, c);
        bool control = c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F);
        if (control)
            result += ' ';
        else
            result.append(text + i, n);
        i += n;
    }
    CopyCut(text, result.data(), result.size(), kLimit);
    return *this;
}

CString256& CString256::EscapeChars()
{
    const CCharacterMaps* maps = GetCharacterMaps();
    if (maps == nullptr)
        return *this;
    std::string result;
    size_t length = std::strlen(text);
    for (size_t i = 0; i < length;) {
        char32_t c;
        size_t n = ReadCharacter(text + i, length - i, c);
        const CString32* escape = maps->FindEscapeText(c);
        if (escape != nullptr && escape->text[0] != 0)
            result += escape->text;
        else
            result.append(text + i, n);
        i += n;
    }
    CopyCut(text, result.data(), result.size(), kLimit);
    return *this;
}

CString256& CString256::EncodeHeaderWord()
{
    std::string encoded = CHeaderWordEncoder::Encode(text, std::strlen(text), kLimit);
    CopyCut(text, encoded.data(), encoded.size(), kLimit);
    return *this;
}

CString256& CString256::Decode(int mode)
{
    if (mode == 1)
        return FormDecode();
    if (mode == 0)
        return PercentDecode();
    return *this;
}

CString256& CString256::PercentDecode()
{
    char decoded[kCapacity];
    size_t count = PercentDecodeBytes(decoded, text, std::strlen(text));
    CopyCut(text, decoded, strnlen(decoded, count), kLimit);
    return *this;
}

CString256& CString256::FormDecode()
{
    char decoded[2 * kCapacity];
    size_t count = FormDecodeBytes(decoded, text, std::strlen(text));
    CopyCut(text, decoded, strnlen(decoded, count), kLimit);
    return *this;
}

size_t CString256::Length() const
{
    return std::strlen(text);
}

bool CString256::operator==(const CString256& other) const
{
    return std::strcmp(text, other.text) == 0;
}

bool CString256::StartsWith(const char* prefix, bool noCase) const
{
    return FixedStringOps::StartsWith(text, prefix, noCase);
}

bool CString256::EndsWith(const char* suffix, bool noCase) const
{
    return FixedStringOps::EndsWith(text, suffix, noCase);
}

size_t CString256::CopyLine(const char* line, char* buffer)
{
    return FixedStringOps::CopyLine(line, buffer);
}

OSErr CString256::WriteLine(const char* line, SInt16 refNum)
{
    return FixedStringOps::WriteLine(line, refNum);
}

CString256& CString256::Join(char separator, CList<CString256>& list)
{
    Assign("");
    list.Rewind();
    const CString256* item = list.Next();
    while (item != nullptr) {
        Append(item->text);
        item = list.Next();
        if (item != nullptr)
            AppendChar(separator);
    }
    return *this;
}

void Tokenize(CList<CString256>& list, const char* text, const char* delimiters)
{
    list.RemoveAll();
    CString256 scratch(text);
    FixedStringOps::ForEachToken(scratch.text, delimiters, [&list](const char* piece, size_t length) {
        CString256 item;
        CopyCut(item.text, piece, length, CString256::kLimit);
        list.Append(item);
    });
}
