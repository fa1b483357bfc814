// CString32: a short fixed-capacity string — the escape texts of the program's escape-text map and
// other small labels. 32 bytes of NUL-terminated UTF-8 text kept inline, then the pool link.
//
// Invariants: at most 31 bytes stand before the NUL; every write that would not fit is cut
// silently (LOSSY BY DESIGN) on a character boundary; a null source counts as "". Case-insensitive
// comparisons fold ASCII letters only. Objects made with `new` come from the class's own pool of
// spares (blocks of 256, never given back, one lock), so any thread may allocate and free; a single
// string is worked on by one thread at a time. Nothing here throws or yields.
#pragma once

#include "MacTypes.h"

#include <cstddef>

class CString32 {
public:
    static constexpr size_t kCapacity = 32;
    static constexpr size_t kLimit = kCapacity - 1;

    CString32();
    explicit CString32(const char* source);
    CString32(const CString32& other) = default;
    CString32& operator=(const CString32& other) = default;
    ~CString32() = default;

    static void* operator new(size_t size);
    static void operator delete(void* object) noexcept;
    static size_t SparePoolBlocks();

    CString32& Assign(const char* source);
    CString32& Assign(const CString32& source);
    CString32& operator=(const char* source) { return Assign(source); }
    // Bytes first..last inclusive, stopping early at a NUL; a null first gives "".
    CString32& AssignRange(const char* first, const char* last);
    CString32& SetNumber(long value);

    CString32& Append(const char* source);
    CString32& operator+=(const char* source) { return Append(source); }
    CString32& AppendChar(char c);  // only while at most 29 bytes stand
    CString32& AppendNumber(long value);

    CString32& MakeLower();         // ASCII letters only
    CString32& ReplaceChar(char from, char to);

    char* CharAt(size_t index) { return text + index; }  // no bounds check
    const char* CharAt(size_t index) const { return text + index; }
    size_t Length() const;
    bool StartsWith(const char* prefix, bool noCase = false) const;
    bool EndsWith(const char* suffix, bool noCase = false) const;

    static size_t CopyLine(const char* line, char* buffer);
    static OSErr WriteLine(const char* line, SInt16 refNum);  // line and a line feed to the open file

    char text[kCapacity];
    CString32* link;  // next spare while the object sits in the pool; meaningless otherwise
};
