// The rules the fixed-capacity string classes share, written once over a text buffer and its
// limit (the longest text, in bytes; the buffer holds limit + 1). Every write cuts on a character
// boundary and a null source counts as "". Internal to the string classes; any thread.
#pragma once

#include "MacTypes.h"

#include <cstddef>
#include <cstring>

namespace FixedStringOps {

void Assign(char* text, size_t limit, const char* source);
void AssignRange(char* text, size_t limit, const char* first, const char* last);
void Append(char* text, size_t limit, const char* source);
void AppendChar(char* text, size_t limit, char c);  // only while limit - length >= 2
void SetNumber(char* text, size_t limit, long value);
void AppendNumber(char* text, size_t limit, long value);
void MakeLower(char* text);
void ReplaceChar(char* text, char from, char to);
bool StartsWith(const char* text, const char* prefix, bool noCase);
bool EndsWith(const char* text, const char* suffix, bool noCase);
size_t CopyLine(const char* line, char* buffer);
OSErr WriteLine(const char* line, SInt16 refNum);
// The pieces of text between runs of delimiter characters, in order; calls take(piece, length).
template <class Take>
void ForEachToken(const char* text, const char* delimiters, Take take);

}  // namespace FixedStringOps

template <class Take>
void FixedStringOps::ForEachToken(const char* text, const char* delimiters, Take take)
{
    if (text == nullptr)
        return;
    const char* separators = delimiters ? delimiters : "";
    const char* p = text;
    while (*p != 0) {
        p += std::strspn(p, separators);
        size_t length = std::strcspn(p, separators);
        if (length == 0)
            break;
        take(p, length);
        p += length;
    }
}
