// CString256: the program's everyday string — names, paths, keys, labels, header words, list
// items and small map values. A plain value of fixed size: 256 bytes of NUL-terminated UTF-8
// text kept inline, followed by the link its spare pool uses.
//
// Invariants: `text` always holds a NUL within its 256 bytes and at most 255 bytes stand before
// it. Every write that would not fit is cut silently (LOSSY BY DESIGN), and the cut always falls
// on a character boundary, so a multi-byte character is kept whole or dropped whole. A null
// source counts as the empty string. Case-insensitive operations fold ASCII letters only.
//
// Objects made with `new` come from one program-wide pool of spares, filled 256 at a time and
// never given back; the pool has its own lock, so any thread may allocate and free. A single
// string is not locked: one thread at a time works on it. Nothing here throws or yields.
#pragma once

#include "MacTypes.h"

#include <QString>
#include <cstddef>

class CText;
template <class T>
class CList;

class CString256 {
public:
    static constexpr size_t kCapacity = 256;
    static constexpr size_t kLimit = kCapacity - 1;  // longest text, in bytes

    CString256();
    explicit CString256(const char* source);
    CString256(const CString256& other) = default;
    CString256& operator=(const CString256& other) = default;
    ~CString256() = default;

    // Taken from the spare pool (see top); any thread.
    static void* operator new(size_t size);
    static void operator delete(void* object) noexcept;
    // Number of 256-object blocks the pool has requested from the system so far.
    static size_t SparePoolBlocks();

    // Setting the text; every form cuts at 255 bytes on a character boundary.
    CString256& Assign(const char* source);
    CString256& Assign(const CString256& source);
    CString256& operator=(const char* source) { return Assign(source); }
    CString256& AssignPString(const unsigned char* pascal);  // length byte 255 gives ""
    CString256& AssignCFString(const QString& source);       // null QString gives ""
    CString256& AssignText(const CText& source);             // bufferless text gives ""
    CString256& AssignHandle(Handle handle);
    CString256& SetNumber(long value);                       // decimal text of a signed 32-bit value
    CString256& SetFloat(float value);                       // decimal text in the user's locale
    CString256& FormatFloat(float value) { return SetFloat(value); }

    // Appending: what does not fit is cut off (character boundary).
    CString256& Append(const char* source);
    CString256& Append(const CString256& source);
    CString256& operator+=(const char* source) { return Append(source); }
    CString256& AppendChar(char c);             // only while at most 253 bytes stand
    CString256& AppendNumber(long value);
    CString256& AppendCFString(const QString& source);
    CString256& Prepend(const char* source);    // the end of the old text is what is lost

    // Transforming in place.
    CString256& MakeLower();                    // ASCII letters only
    CString256& ReplaceChar(char from, char to);
    CString256& ReplaceNonPrintable();          // C0, DEL and C1 controls become spaces
    CString256& EscapeChars();                  // through the program's escape-text map
    CString256& EncodeHeaderWord();             // header-safe form; cut drops whole words
    CString256& Decode(int mode);               // 1 form-decode, 0 percent-decode, other: nothing
    CString256& PercentDecode();
    CString256& FormDecode();                   // through the program's characters-by-code map

    // Reading.
    char* CharAt(size_t index) { return text + index; }  // no bounds check
    const char* CharAt(size_t index) const { return text + index; }
    size_t Length() const;
    bool operator==(const CString256& other) const;  // same bytes
    bool StartsWith(const char* prefix, bool noCase = false) const;
    bool StartsWithNoCase(const char* prefix) const { return StartsWith(prefix, true); }
    bool EndsWith(const char* suffix, bool noCase = false) const;
    bool EndsWithNoCase(const char* suffix) const { return EndsWith(suffix, true); }

    // Empties the string, then appends each item in order with Append and, after every item but
    // the last, the separator with AppendChar; cutting follows those operations. Walks the
    // list's cursor.
    CString256& Join(char separator, CList<CString256>& list);

    // Output helpers: appends `line` and a line feed to the NUL-terminated `buffer`; returns the
    // length before the line feed. The caller guarantees room.
    static size_t CopyLine(const char* line, char* buffer);
    // Writes `line` and a line feed to the open file `refNum`; the result code of the write.
    static OSErr WriteLine(const char* line, SInt16 refNum);

    char text[kCapacity];
    CString256* link;  // next spare while the object sits in the pool; meaningless otherwise
};

// Empties the list, then appends every maximal run of characters not in `delimiters` found in
// `text` (cut at 255 bytes first), in order; empty items never arise. Keeps no state between
// calls, so it is safe on any thread.
void Tokenize(CList<CString256>& list, const char* text, const char* delimiters);
