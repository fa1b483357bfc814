#include "CString32.h"

#include "CSparePool.h"
#include "FixedStringOps.h"

#include <cstring>

namespace {
constinit CSparePool<CString32> gPool;
}

CString32::CString32()
{
    text[0] = 0;
}

CString32::CString32(const char* source)
{
    text[0] = 0;
    Assign(source);
}

void* CString32::operator new(size_t)
{
    return gPool.Take();
}

void CString32::operator delete(void* object) noexcept
{
    gPool.Give(object);
}

size_t CString32::SparePoolBlocks()
{
    return gPool.BlocksTaken();
}

CString32& CString32::Assign(const char* source)
{
    FixedStringOps::Assign(text, kLimit, source);
    return *this;
}

CString32& CString32::Assign(const CString32& source)
{
    return Assign(source.text);
}

CString32& CString32::AssignRange(const char* first, const char* last)
{
    FixedStringOps::AssignRange(text, kLimit, first, last);
    return *this;
}

CString32& CString32::SetNumber(long value)
{
    FixedStringOps::SetNumber(text, kLimit, value);
    return *this;
}

CString32& CString32::Append(const char* source)
{
    FixedStringOps::Append(text, kLimit, source);
    return *this;
}

CString32& CString32::AppendChar(char c)
{
    FixedStringOps::AppendChar(text, kLimit, c);
    return *this;
}

CString32& CString32::AppendNumber(long value)
{
    FixedStringOps::AppendNumber(text, kLimit, value);
    return *this;
}

CString32& CString32::MakeLower()
{
    FixedStringOps::MakeLower(text);
    return *this;
}

CString32& CString32::ReplaceChar(char from, char to)
{
    FixedStringOps::ReplaceChar(text, from, to);
    return *this;
}

size_t CString32::Length() const
{
    return std::strlen(text);
}

bool CString32::StartsWith(const char* prefix, bool noCase) const
{
    return FixedStringOps::StartsWith(text, prefix, noCase);
}

bool CString32::EndsWith(const char* suffix, bool noCase) const
{
    return FixedStringOps::EndsWith(text, suffix, noCase);
}

size_t CString32::CopyLine(const char* line, char* buffer)
{
    return FixedStringOps::CopyLine(line, buffer);
}

OSErr CString32::WriteLine(const char* line, SInt16 refNum)
{
    return FixedStringOps::WriteLine(line, refNum);
}
