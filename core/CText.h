// CText: growable text — message bodies, headers, reports, whole files. Holds a heap buffer of
// `capacity` + 1 bytes with `length` bytes of text (UTF-8, NUL bytes allowed inside) and a NUL after
// them, plus a `label` the program may name the text with.
//
// Invariants: buffer[length] == 0 and length <= capacity - 1. Setting the text sizes the buffer
// afresh to (length / step + 1) x step; appends and inserts grow it by the shortfall rounded up to
// whole steps, always at least one step. Sizes are 32-bit: anything that would need a capacity
// past 2^31 - 2 fails — such a load gives the empty text and such an append changes nothing.
// A text whose buffer is null (only after construction from an empty byte range) reads as empty
// and ignores changes, except AppendChar and the assignments, which give it a buffer.
//
// Indices are 0-based byte offsets; "not found" is -1; failures answer false, never an exception.
// Case-insensitive search folds ASCII letters only. An empty needle or marker finds nothing.
// Used from the GUI thread and the cooperative threads without locks: one thread works on a text
// at a time. No operation yields.
#pragma once

#include "CString256.h"
#include "FSRef.h"
#include "FSSpec.h"
#include "MacTypes.h"

#include <QString>
#include <cstdint>
#include <string>

class LDynamicBuffer;
template <class T>
class CList;

class CText {
public:
    static constexpr SInt32 kDefaultStep = 32000;
    static constexpr SInt32 kMaxCapacity = INT32_MAX - 1;  // capacity + 1 must fit in 32 bits
    static constexpr SInt32 kMaxStep = 1 << 30;

    CText();
    CText(const char* source);  // NOLINT: a text is made from a string everywhere in the program
    CText(const char* source, SInt32 step);
    CText(const char* first, const char* last);  // bytes first..last inclusive; last < first: no buffer
    explicit CText(SInt32 number);
    explicit CText(const FSSpec& file);        // the whole file, as LoadFSSpec
    CText(const FSSpec& file, SInt32 step);
    CText(const CText& other);
    CText& operator=(const CText& other);
    CText& operator=(const char* source);
    ~CText();

    // Setting the text (null counts as ""); the label is emptied.
    void Assign(const char* source);
    void SetText(const char* source) { Assign(source); }
    void Clear() { Assign(""); }
    void AssignChar(char c);
    void SetNumber(long value);
    void AssignHandle(Handle handle);          // the handle's bytes, cut at the first NUL
    void AssignCFString(const QString& source);  // null QString: unchanged
    void AssignText(const CText& source);      // takes the source's text, label and step
    void SetNotImplemented();

    // Growing and appending.
    SInt32 Grow(SInt32 shortfall);             // new capacity; 0 when it cannot grow
    void Append(const char* source);
    void AppendChar(char c);
    void AppendText(const CText& source);
    void AppendNumber(long value);
    void AppendCFString(const QString& source);
    void AppendBytes(const void* bytes, long count);  // NULs included
    void Prepend(const char* source);
    void Insert(SInt32 index, const char* source);   // index clamped to 0..length

    // Deleting and replacing ranges (inclusive byte indices).
    void DeleteRange(SInt32 first, SInt32 last);
    void ReplaceRange(SInt32 first, SInt32 last, const char* replacement);
    void KeepFrom(SInt32 index);               // keeps the bytes after index
    char* CharAt(SInt32 index);                // asserts the index in debug builds
    CText* SubString(SInt32 first, SInt32 last) const;  // on the heap; the caller deletes it
    void ExtractRange(SInt32 first, SInt32 last, CText& out) const;
    CText* Left(SInt32 count) const;           // first count bytes, on the heap
    CText* Mid(SInt32 index) const;            // the bytes after index, on the heap

    // Searching.
    SInt32 Find(const char* needle) const;                       // case-insensitive
    SInt32 FindFrom(SInt32 offset, const char* needle) const;    // case-insensitive
    SInt32 FindCaseSensitive(const char* needle) const;
    SInt32 FindCaseSensitive(SInt32 offset, const char* needle) const;

    // Comparing.
    bool StartsWith(const CText& other) const;
    bool StartsWithNoCase(const CText& other) const;
    bool StartsWithNoCase(const char* other) const;
    bool EndsWith(const CText& other) const;
    bool EndsWithNoCase(const CText& other) const;
    bool EndsWithNoCase(const char* other) const;

    // Extracting between markers: `out` is emptied, then receives the bytes strictly between the
    // first start marker at or after `offset` and the first end marker after it. False (out
    // empty, text unchanged) when either marker is missing.
    bool ExtractBetween(const char* start, const char* end, CText& out, SInt32 offset = 0) const;
    bool ExtractBetweenToString(const char* start, const char* end, CString256& out) const;
    bool ExtractBetweenNoCase(const char* start, const char* end, CText& out, SInt32 offset = 0) const;
    // ... and delete that span, markers included.
    bool ExtractAndDeleteBetween(const char* start, const char* end, CText& out, SInt32 offset = 0);
    bool ExtractAndDeleteBetweenNoCase(const char* start, const char* end, CText& out, SInt32 offset = 0);
    bool ExtractAndDeleteBetweenToStringNoCase(const char* start, const char* end, CString256& out);
    // ... and delete only the bytes between the markers.
    bool ExtractAndClearBetweenNoCase(const char* start, const char* end, CText& out, SInt32 offset = 0);
    // ... and replace that span, markers included.
    bool ExtractAndReplaceBetween(const char* start, const char* end, const char* replacement,
                                  CText& out, SInt32 offset = 0);

    // As ExtractAndDeleteBetween; then the list is emptied and filled with the extracted text's
    // comma-separated items (empty items skipped). A missing marker leaves the list as it was.
    bool ExtractList(const char* start, const char* end, CList<CString256>& list);

    // Deleting and replacing the first pair of markers from the start (nothing when one is missing).
    void DeleteBetween(const char* start, const char* end);        // span, markers included
    void DeleteBetweenNoCase(const char* start, const char* end);
    void ClearBetween(const char* start, const char* end);         // only the bytes between
    void ClearBetweenNoCase(const char* start, const char* end, SInt32 offset = 0);
    void ReplaceSpan(const char* start, const char* end, const char* replacement);
    void ReplaceSpanNoCase(const char* start, const char* end, const char* replacement);
    void ReplaceBetween(const char* start, const char* end, const char* replacement);  // markers kept
    void ReplaceBetweenNoCase(const char* start, const char* end, const char* replacement);
    void DeleteSpansNoCase(const char* start, const char* end);    // every span
    void StripSpansBetween(const char* outerStart, const char* outerEnd,
                           const char* innerStart, const char* innerEnd);

    // Replacing occurrences (a null replacement does nothing).
    void ReplaceFirst(const char* find, const char* replacement, SInt32 offset = 0);
    void ReplaceFirst(const CText& find, const CText& replacement, SInt32 offset = 0);
    void ReplaceFirstNoCase(const char* find, const char* replacement, SInt32 offset = 0);
    void ReplaceFirstNoCase(const CText& find, const CText& replacement, SInt32 offset = 0);
    void ReplaceFirstText(const CText& find, const CText& replacement);  // case-insensitive
    void ReplaceAll(const char* find, const char* replacement);  // replacements never searched again
    void ReplaceAllNoCase(const char* find, const char* replacement);

    // The header-safe form (see CHeaderWordEncoder); no length cut.
    void EncodeHeaderWord();

    // Reading whole files (symbolic links followed). The text becomes the file's bytes with
    // every NUL turned into a space, sized afresh; a file that cannot be read, or is too large
    // for 32-bit sizes, gives the empty text. The forms differ only in naming the file.
    void LoadFSSpec(const FSSpec& file);
    void ReadFSSpec(const FSSpec& file) { LoadFSSpec(file); }
    void LoadFSRef(const FSRef& file);
    void ReadFSRef(const FSRef& file) { LoadFSRef(file); }
    void LoadPath(const char* path);           // a missing file gives ""; nothing is created
    void ReadPath(const char* path);           // a path naming nothing leaves the text unchanged
    void ReadFromStream(const LDynamicBuffer& stream);  // the stream's bytes as they are
    void AppendFile(const FSSpec& file);       // appends what LoadFSSpec would read
    void AppendFile(const char* path);

    // Writing whole files: the text's bytes replace the file's content atomically (a temporary
    // file renamed over it; the file's mode and metadata stay) and the result code comes back;
    // on failure the old file stays as it was.
    OSErr WriteToFSRef(const FSRef& file) const;        // a missing file: fnfErr, nothing written
    OSErr ReplaceFileAtPath(const char* path) const;    // creates the file when missing
    OSErr WriteFSSpec(const FSSpec& file) const;        // creates the file when missing
    OSErr WritePath(const char* path) const;            // creates the file when missing

    CString256 label;        // the text's name; only the assignments touch it
    char* buffer = nullptr;  // capacity + 1 bytes, or null; owned by the text: never free it
    SInt32 length = 0;
    SInt32 capacity = 0;
    SInt32 step = kDefaultStep;
    UInt8 flag = 0;
    UInt32 extra = 0;

private:
    struct Span {
        SInt32 start;       // index of the start marker
        SInt32 innerFirst;  // first byte after the start marker
        SInt32 innerEnd;    // index of the end marker
        SInt32 end;         // first byte after the end marker
    };

    SInt32 Search(const char* needle, SInt32 from, bool noCase) const;
    bool FindSpan(const char* start, const char* end, SInt32 from, bool noCase, Span& span) const;
    bool SetBytes(const char* bytes, size_t count);
    bool ReadFileBytes(const std::string& path, std::string& bytes) const;
    OSErr WriteFileBytes(const std::string& path, bool createIfMissing) const;
    bool MakeRoom(int64_t needed);
    void ReplaceBytes(SInt32 first, SInt32 count, const char* bytes, size_t newCount);
    bool ReplaceFirstAt(const char* find, const char* replacement, SInt32 offset, bool noCase);
    void ReplaceEvery(const char* find, const char* replacement, bool noCase);
};
