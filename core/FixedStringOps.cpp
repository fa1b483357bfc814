#include "FixedStringOps.h"

#include "DescriptorIO.h"
#include "FileErrors.h"
#include "TextHelpers.h"

#include <cstring>
#include <string>
#include <unistd.h>

namespace FixedStringOps {

void Assign(char* text, size_t limit, const char* source)
{
    if (source == text)
        return;
    CopyCut(text, source, source ? std::strlen(source) : 0, limit);
}

void AssignRange(char* text, size_t limit, const char* first, const char* last)
{
    if (first == nullptr || last < first) {
        text[0] = 0;
        return;
    }
    size_t count = size_t(last - first) + 1;
    const char* nul = static_cast<const char*>(std::memchr(first, 0, count));
    if (nul != nullptr)
        count = size_t(nul - first);
    CopyCut(text, first, count, limit);
}

void Append(char* text, size_t limit, const char* source)
{
    if (source == nullptr)
        return;
    size_t length = std::strlen(text);
    CopyCut(text + length, source, std::strlen(source), limit - length);
}

void AppendChar(char* text, size_t limit, char c)
{
    size_t length = std::strlen(text);
    if (limit - length < 2)
        return;
    text[length] = c;
    text[length + 1] = 0;
}

void SetNumber(char* text, size_t limit, long value)
{
    char digits[31];
    IntToTextBuffer(digits, sizeof digits, SInt32(value));
    Assign(text, limit, digits);
}

void AppendNumber(char* text, size_t limit, long value)
{
    char digits[31];
    IntToTextBuffer(digits, sizeof digits, SInt32(value));
    Append(text, limit, digits);
}

void MakeLower(char* text)
{
    for (char* p = text; *p != 0; ++p)
        *p = LowerAscii(*p);
}

void ReplaceChar(char* text, char from, char to)
{
    for (char* p = text; *p != 0; ++p) {
        if (*p == from)
            *p = to;
    }
}

bool StartsWith(const char* text, const char* prefix, bool noCase)
{
    if (prefix == nullptr)
        return true;
    size_t count = std::strlen(prefix);
    if (count > std::strlen(text))
        return false;
    return noCase ? CompareNoCaseN(text, prefix, count) == 0 : std::memcmp(text, prefix, count) == 0;
}

bool EndsWith(const char* text, const char* suffix, bool noCase)
{
    if (suffix == nullptr)
        return true;
    size_t count = std::strlen(suffix);
    size_t length = std::strlen(text);
    if (count > length)
        return false;
    const char* tail = text + length - count;
    return noCase ? CompareNoCaseN(tail, suffix, count) == 0 : std::memcmp(tail, suffix, count) == 0;
}

size_t CopyLine(const char* line, char* buffer)
{
    std::strcat(buffer, line ? line : "");
    size_t length = std::strlen(buffer);
    buffer[length] = '\n';
    buffer[length + 1] = 0;
    return length;
}

OSErr WriteLine(const char* line, SInt16 refNum)
{
    std::string bytes(line ? line : "");
    bytes += '\n';
    return OSErrFromErrno(WriteFully(refNum, bytes.data(), bytes.size()));
}

}  // namespace FixedStringOps
