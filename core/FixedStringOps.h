// The rules the fixed-capacity string classes share, written once over a text buffer and its
// limit (the longest text, in bytes; the buffer holds limit + 1). Every write cuts on a character
// boundary and a null source counts as "". Internal to the string classes; any thread.
#pragma once

#include <cstddef>

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

}  // namespace FixedStringOps
