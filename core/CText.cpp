#include "CText.h"

#include "CList.h"
#include "FileManager.h"
#include "FixedStringOps.h"
#include "HeaderWordEncoder.h"
#include "LDynamicBuffer.h"
#include "MemoryBlocks.h"
#include "WholeFileWrite.h"
#include "TextHelpers.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

SInt32 ValidStep(SInt32 step)
{
    if (step <= 0)
        return CText::kDefaultStep;
    return std::min(step, CText::kMaxStep);
}

// (length / step + 1) x step, or -1 when that passes the largest capacity.
int64_t FreshCapacity(int64_t length, SInt32 step)
{
    int64_t capacity = (length / step + 1) * int64_t(step);
    return capacity > CText::kMaxCapacity ? -1 : capacity;
}

bool BytesEqual(const char* a, const char* b, size_t count, bool noCase)
{
    if (!noCase)
        return std::memcmp(a, b, count) == 0;
    for (size_t i = 0; i < count; ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i]))
            return false;
    }
    return true;
}

// The buffer comes from malloc so that growing can use realloc; like array new, running out of
// memory throws.
char* NewBuffer(size_t size)
{
    auto* block = static_cast<char*>(std::malloc(size));
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

bool IsEmptyNeedle(const char* needle)
{
    return needle == nullptr || needle[0] == 0;
}

}  // namespace

// --- Construction and assignment ----------------------------------------------------------------

CText::CText()
{
    Assign("");
}

CText::CText(const char* source)
{
    Assign(source);
}

CText::CText(const char* source, SInt32 textStep)
    : step(ValidStep(textStep))
{
    Assign(source);
}

CText::CText(const char* first, const char* last)
{
    if (first == nullptr || last == nullptr || last < first)
        return;  // no buffer
    size_t count = size_t(last - first) + 1;
    SetBytes(first, strnlen(first, count));
}

CText::CText(SInt32 number)
{
    SetNumber(number);
}

CText::CText(const CText& other)
{
    AssignText(other);
}

CText& CText::operator=(const CText& other)
{
    AssignText(other);
    return *this;
}

CText& CText::operator=(const char* source)
{
    Assign(source);
    return *this;
}

CText::~CText()
{
    std::free(buffer);
    buffer = nullptr;
}

// Sizes the buffer afresh for `count` bytes and copies them in; the old buffer is freed only
// after the copy, so a source inside this text is safe. A size past the largest capacity gives
// the empty text. False when the text ends up empty for that reason.
bool CText::SetBytes(const char* bytes, size_t count)
{
    int64_t fresh = FreshCapacity(int64_t(count), step);
    bool fits = fresh >= 0;
    if (!fits) {
        count = 0;
        fresh = FreshCapacity(0, step);
    }
    char* replacement = NewBuffer(size_t(fresh) + 1);
    if (count > 0)
        std::memcpy(replacement, bytes, count);
    replacement[count] = 0;
    std::free(buffer);
    buffer = replacement;
    capacity = SInt32(fresh);
    length = SInt32(count);
    label.Assign("");
    return fits;
}

void CText::Assign(const char* source)
{
    SetBytes(source, source ? std::strlen(source) : 0);
}

void CText::AssignChar(char c)
{
    SetBytes(&c, 1);
}

void CText::SetNumber(long value)
{
    char digits[31];
    IntToTextBuffer(digits, sizeof digits, SInt32(value));
    Assign(digits);
}

void CText::AssignHandle(Handle handle)
{
    if (handle == nullptr || *handle == nullptr) {
        Assign("");
        return;
    }
    size_t size = size_t(GetHandleSize(handle));
    SetBytes(*handle, strnlen(*handle, size));
}

void CText::AssignCFString(const QString& source)
{
    if (source.isNull())
        return;
    QByteArray bytes = source.toUtf8();
    SetBytes(bytes.constData(), size_t(bytes.size()));
}

void CText::AssignText(const CText& source)
{
    if (&source == this)
        return;
    if (source.buffer == nullptr) {
        std::free(buffer);
        buffer = nullptr;
        length = 0;
        capacity = 0;
        step = source.step;
        label = source.label;
        return;
    }
    char* replacement = NewBuffer(size_t(source.capacity) + 1);
    std::memcpy(replacement, source.buffer, size_t(source.length) + 1);
    std::free(buffer);
    buffer = replacement;
    capacity = source.capacity;
    length = source.length;
    step = source.step;
    label = source.label;
}

void CText::SetNotImplemented()
{
    Assign("Not implemented yet!");
}

// --- Growing and appending ----------------------------------------------------------------------

SInt32 CText::Grow(SInt32 shortfall)
{
    if (buffer == nullptr)
        return 0;
    int64_t steps = int64_t(std::max<SInt32>(shortfall, 0)) / step + 1;
    int64_t grown = int64_t(capacity) + steps * step;
    if (grown > kMaxCapacity)
        return 0;
    // realloc can move a large block by remapping its pages instead of copying the text.
    auto* replacement = static_cast<char*>(std::realloc(buffer, size_t(grown) + 1));
    if (replacement == nullptr)
        return 0;
    buffer = replacement;
    capacity = SInt32(grown);
    return capacity;
}

// Grows so that `needed` more bytes fit before the NUL. False (nothing changed) when the text has
// no buffer or cannot grow that far.
bool CText::MakeRoom(int64_t needed)
{
    if (buffer == nullptr)
        return false;
    int64_t room = int64_t(capacity) - 1 - length;
    if (needed <= room)
        return true;
    int64_t shortfall = needed - room;
    if (int64_t(length) + needed > kMaxCapacity - 1 || shortfall > INT32_MAX)
        return false;
    return Grow(SInt32(shortfall)) != 0;
}

// Replaces `count` bytes at `first` by newCount bytes (first and count already within the text).
// The bytes may lie inside this text.
void CText::ReplaceBytes(SInt32 first, SInt32 count, const char* bytes, size_t newCount)
{
    if (buffer == nullptr)
        return;
    std::string copy(bytes, newCount);  // the source may move when the buffer grows
    int64_t growth = int64_t(newCount) - count;
    if (growth > 0 && !MakeRoom(growth))
        return;
    char* tail = buffer + first + count;
    size_t tailLength = size_t(length - first - count);
    std::memmove(buffer + first + newCount, tail, tailLength + 1);
    std::memcpy(buffer + first, copy.data(), newCount);
    length = SInt32(length + growth);
}

void CText::Append(const char* source)
{
    if (source == nullptr || buffer == nullptr)
        return;
    ReplaceBytes(length, 0, source, std::strlen(source));
}

void CText::AppendChar(char c)
{
    if (buffer == nullptr) {
        AssignChar(c);
        return;
    }
    ReplaceBytes(length, 0, &c, 1);
}

void CText::AppendText(const CText& source)
{
    if (source.buffer == nullptr)
        return;
    AppendBytes(source.buffer, source.length);
}

void CText::AppendNumber(long value)
{
    char digits[31];
    IntToTextBuffer(digits, sizeof digits, SInt32(value));
    Append(digits);
}

void CText::AppendCFString(const QString& source)
{
    if (source.isNull())
        return;
    QByteArray bytes = source.toUtf8();
    AppendBytes(bytes.constData(), bytes.size());
}

void CText::AppendBytes(const void* bytes, long count)
{
    if (buffer == nullptr || bytes == nullptr || count <= 0)
        return;
    if (int64_t(length) + count > kMaxCapacity - 1)
        return;
    // Byte ranges grow a step early: when the room is not larger than the count.
    SInt32 room = capacity - 1 - length;
    if (room <= count && Grow(SInt32(count + 1 - room)) == 0)
        return;
    ReplaceBytes(length, 0, static_cast<const char*>(bytes), size_t(count));
}

void CText::Prepend(const char* source)
{
    Insert(0, source);
}

void CText::Insert(SInt32 index, const char* source)
{
    if (source == nullptr || source[0] == 0 || buffer == nullptr)
        return;
    index = std::clamp<SInt32>(index, 0, length);
    ReplaceBytes(index, 0, source, std::strlen(source));
}

// --- Deleting and replacing ranges --------------------------------------------------------------

void CText::DeleteRange(SInt32 first, SInt32 last)
{
    if (buffer == nullptr || length == 0)
        return;
    first = std::max<SInt32>(first, 0);
    last = std::min<SInt32>(last, length - 1);
    if (first > last)
        return;
    ReplaceBytes(first, last - first + 1, "", 0);
}

void CText::ReplaceRange(SInt32 first, SInt32 last, const char* replacement)
{
    if (replacement == nullptr || buffer == nullptr)
        return;
    std::string copy(replacement);  // the replacement may lie inside this text
    DeleteRange(first, last);
    Insert(first, copy.c_str());
}

void CText::KeepFrom(SInt32 index)
{
    if (buffer == nullptr || index + 1 < 0 || index + 1 >= length)
        return;
    DeleteRange(0, index);
}

char* CText::CharAt(SInt32 index)
{
    assert(buffer != nullptr && index >= 0 && index <= length);
    return buffer + index;
}

void CText::ExtractRange(SInt32 first, SInt32 last, CText& out) const
{
    out.Assign("");
    if (buffer == nullptr || length == 0)
        return;
    first = std::max<SInt32>(first, 0);
    last = std::min<SInt32>(last, length - 1);
    if (first > last)
        return;
    out.AppendBytes(buffer + first, last - first + 1);
}

CText* CText::SubString(SInt32 first, SInt32 last) const
{
    auto* result = new CText;
    ExtractRange(first, last, *result);
    return result;
}

CText* CText::Left(SInt32 count) const
{
    return SubString(0, count - 1);
}

CText* CText::Mid(SInt32 index) const
{
    return SubString(index + 1, length - 1);
}

// --- Searching ----------------------------------------------------------------------------------

SInt32 CText::Search(const char* needle, SInt32 from, bool noCase) const
{
    if (buffer == nullptr || IsEmptyNeedle(needle))
        return -1;
    size_t needleLength = std::strlen(needle);
    from = std::max<SInt32>(from, 0);
    if (int64_t(from) + int64_t(needleLength) > length)
        return -1;
    if (!noCase) {
        const void* found = memmem(buffer + from, size_t(length - from), needle, needleLength);
        return found ? SInt32(static_cast<const char*>(found) - buffer) : -1;
    }
    SInt32 lastStart = length - SInt32(needleLength);
    char first = noCase ? UpperAscii(needle[0]) : needle[0];
    for (SInt32 i = from; i <= lastStart; ++i) {
        char c = noCase ? UpperAscii(buffer[i]) : buffer[i];
        if (c == first && BytesEqual(buffer + i, needle, needleLength, noCase))
            return i;
    }
    return -1;
}

SInt32 CText::Find(const char* needle) const
{
    return Search(needle, 0, true);
}

SInt32 CText::FindFrom(SInt32 offset, const char* needle) const
{
    return Search(needle, offset, true);
}

SInt32 CText::FindCaseSensitive(const char* needle) const
{
    return Search(needle, 0, false);
}

SInt32 CText::FindCaseSensitive(SInt32 offset, const char* needle) const
{
    return Search(needle, offset, false);
}

// --- Comparing ----------------------------------------------------------------------------------

namespace {

bool Affix(const CText& text, const char* other, size_t otherLength, bool atEnd, bool noCase)
{
    size_t length = text.buffer ? size_t(text.length) : 0;
    if (otherLength > length)
        return false;
    if (otherLength == 0)
        return true;
    const char* from = text.buffer + (atEnd ? length - otherLength : 0);
    return BytesEqual(from, other, otherLength, noCase);
}

size_t TextLength(const CText& text)
{
    return text.buffer ? size_t(text.length) : 0;
}

}  // namespace

bool CText::StartsWith(const CText& other) const
{
    return Affix(*this, other.buffer, TextLength(other), false, false);
}

bool CText::StartsWithNoCase(const CText& other) const
{
    return Affix(*this, other.buffer, TextLength(other), false, true);
}

bool CText::StartsWithNoCase(const char* other) const
{
    return Affix(*this, other, other ? std::strlen(other) : 0, false, true);
}

bool CText::EndsWith(const CText& other) const
{
    return Affix(*this, other.buffer, TextLength(other), true, false);
}

bool CText::EndsWithNoCase(const CText& other) const
{
    return Affix(*this, other.buffer, TextLength(other), true, true);
}

bool CText::EndsWithNoCase(const char* other) const
{
    return Affix(*this, other, other ? std::strlen(other) : 0, true, true);
}

// --- Between markers ----------------------------------------------------------------------------

bool CText::FindSpan(const char* start, const char* end, SInt32 from, bool noCase, Span& span) const
{
    if (IsEmptyNeedle(start) || IsEmptyNeedle(end))
        return false;
    SInt32 startIndex = Search(start, from, noCase);
    if (startIndex < 0)
        return false;
    SInt32 innerFirst = startIndex + SInt32(std::strlen(start));
    SInt32 endIndex = Search(end, innerFirst, noCase);
    if (endIndex < 0)
        return false;
    span = {startIndex, innerFirst, endIndex, endIndex + SInt32(std::strlen(end))};
    return true;
}

namespace {

// Empties `out` (keeping its step) and gives it the bytes.
void SetOut(CText& out, const std::string& bytes)
{
    out.Assign("");
    out.AppendBytes(bytes.data(), long(bytes.size()));
}

// Empties `out` and gives it text[first..end); `out` may be the text itself.
void TakeInner(const CText& text, SInt32 first, SInt32 end, CText& out)
{
    SetOut(out, std::string(text.buffer + first, size_t(end - first)));
}

}  // namespace

bool CText::ExtractBetween(const char* start, const char* end, CText& out, SInt32 offset) const
{
    Span span;
    if (!FindSpan(start, end, offset, false, span)) {
        out.Assign("");
        return false;
    }
    TakeInner(*this, span.innerFirst, span.innerEnd, out);
    return true;
}

bool CText::ExtractBetweenToString(const char* start, const char* end, CString256& out) const
{
    CText inner;
    bool found = ExtractBetween(start, end, inner);
    out.AssignText(inner);
    return found;
}

bool CText::ExtractBetweenNoCase(const char* start, const char* end, CText& out, SInt32 offset) const
{
    Span span;
    if (!FindSpan(start, end, offset, true, span)) {
        out.Assign("");
        return false;
    }
    TakeInner(*this, span.innerFirst, span.innerEnd, out);
    return true;
}

bool CText::ExtractAndDeleteBetween(const char* start, const char* end, CText& out, SInt32 offset)
{
    Span span;
    if (!FindSpan(start, end, offset, false, span)) {
        out.Assign("");
        return false;
    }
    std::string inner(buffer + span.innerFirst, size_t(span.innerEnd - span.innerFirst));
    DeleteRange(span.start, span.end - 1);  // the very span extracted
    SetOut(out, inner);
    return true;
}

bool CText::ExtractAndDeleteBetweenNoCase(const char* start, const char* end, CText& out, SInt32 offset)
{
    Span span;
    if (!FindSpan(start, end, offset, true, span)) {
        out.Assign("");
        return false;
    }
    std::string inner(buffer + span.innerFirst, size_t(span.innerEnd - span.innerFirst));
    DeleteRange(span.start, span.end - 1);
    SetOut(out, inner);
    return true;
}

bool CText::ExtractAndDeleteBetweenToStringNoCase(const char* start, const char* end, CString256& out)
{
    CText inner;
    bool found = ExtractAndDeleteBetweenNoCase(start, end, inner);
    out.AssignText(inner);
    return found;
}

bool CText::ExtractAndClearBetweenNoCase(const char* start, const char* end, CText& out, SInt32 offset)
{
    Span span;
    if (!FindSpan(start, end, offset, true, span)) {
        out.Assign("");
        return false;
    }
    std::string inner(buffer + span.innerFirst, size_t(span.innerEnd - span.innerFirst));
    DeleteRange(span.innerFirst, span.innerEnd - 1);
    SetOut(out, inner);
    return true;
}

bool CText::ExtractAndReplaceBetween(const char* start, const char* end, const char* replacement,
                                     CText& out, SInt32 offset)
{
    Span span;
    if (!FindSpan(start, end, offset, false, span)) {
        out.Assign("");
        return false;
    }
    std::string inner(buffer + span.innerFirst, size_t(span.innerEnd - span.innerFirst));
    if (replacement != nullptr)
        ReplaceBytes(span.start, span.end - span.start, replacement, std::strlen(replacement));
    SetOut(out, inner);
    return true;
}

bool CText::ExtractList(const char* start, const char* end, CList<CString256>& list)
{
    CText items;
    if (!ExtractAndDeleteBetween(start, end, items))
        return false;
    list.RemoveAll();
    FixedStringOps::ForEachToken(items.buffer, ",", [&list](const char* piece, size_t length) {
        CString256 item;
        CopyCut(item.text, piece, length, CString256::kLimit);
        list.Append(item);
    });
    return true;
}

void CText::DeleteBetween(const char* start, const char* end)
{
    Span span;
    if (FindSpan(start, end, 0, false, span))
        DeleteRange(span.start, span.end - 1);
}

void CText::DeleteBetweenNoCase(const char* start, const char* end)
{
    Span span;
    if (FindSpan(start, end, 0, true, span))
        DeleteRange(span.start, span.end - 1);
}

void CText::ClearBetween(const char* start, const char* end)
{
    Span span;
    if (FindSpan(start, end, 0, false, span))
        DeleteRange(span.innerFirst, span.innerEnd - 1);
}

void CText::ClearBetweenNoCase(const char* start, const char* end, SInt32 offset)
{
    Span span;
    if (FindSpan(start, end, offset, true, span))
        DeleteRange(span.innerFirst, span.innerEnd - 1);
}

void CText::ReplaceSpan(const char* start, const char* end, const char* replacement)
{
    Span span;
    if (replacement != nullptr && FindSpan(start, end, 0, false, span))
        ReplaceBytes(span.start, span.end - span.start, replacement, std::strlen(replacement));
}

void CText::ReplaceSpanNoCase(const char* start, const char* end, const char* replacement)
{
    Span span;
    if (replacement != nullptr && FindSpan(start, end, 0, true, span))
        ReplaceBytes(span.start, span.end - span.start, replacement, std::strlen(replacement));
}

void CText::ReplaceBetween(const char* start, const char* end, const char* replacement)
{
    Span span;
    if (replacement != nullptr && FindSpan(start, end, 0, false, span))
        ReplaceBytes(span.innerFirst, span.innerEnd - span.innerFirst, replacement, std::strlen(replacement));
}

void CText::ReplaceBetweenNoCase(const char* start, const char* end, const char* replacement)
{
    Span span;
    if (replacement != nullptr && FindSpan(start, end, 0, true, span))
        ReplaceBytes(span.innerFirst, span.innerEnd - span.innerFirst, replacement, std::strlen(replacement));
}

void CText::DeleteSpansNoCase(const char* start, const char* end)
{
    Span span;
    while (FindSpan(start, end, 0, true, span))
        DeleteRange(span.start, span.end - 1);
}

void CText::StripSpansBetween(const char* outerStart, const char* outerEnd,
                              const char* innerStart, const char* innerEnd)
{
    CText inner;
    if (!ExtractBetween(outerStart, outerEnd, inner))
        return;
    inner.DeleteSpansNoCase(innerStart, innerEnd);
    ReplaceBetweenNoCase(outerStart, outerEnd, inner.buffer);
}

// --- Replacing occurrences ----------------------------------------------------------------------

bool CText::ReplaceFirstAt(const char* find, const char* replacement, SInt32 offset, bool noCase)
{
    if (replacement == nullptr)
        return false;
    SInt32 at = Search(find, offset, noCase);
    if (at < 0)
        return false;
    ReplaceBytes(at, SInt32(std::strlen(find)), replacement, std::strlen(replacement));
    return true;
}

void CText::ReplaceFirst(const char* find, const char* replacement, SInt32 offset)
{
    ReplaceFirstAt(find, replacement, offset, false);
}

void CText::ReplaceFirst(const CText& find, const CText& replacement, SInt32 offset)
{
    ReplaceFirstAt(find.buffer, replacement.buffer, offset, false);
}

void CText::ReplaceFirstNoCase(const char* find, const char* replacement, SInt32 offset)
{
    ReplaceFirstAt(find, replacement, offset, true);
}

void CText::ReplaceFirstNoCase(const CText& find, const CText& replacement, SInt32 offset)
{
    ReplaceFirstAt(find.buffer, replacement.buffer, offset, true);
}

void CText::ReplaceFirstText(const CText& find, const CText& replacement)
{
    ReplaceFirstAt(find.buffer, replacement.buffer, 0, true);
}

// Finds every occurrence first (the search resumes after each one, so a replacement is never
// searched again), then writes the result once: in place when no replacement is longer than the
// needle, else into one new buffer sized as growing would size it. A result too large for 32-bit sizes changes
// nothing.
void CText::ReplaceEvery(const char* find, const char* replacement, bool noCase)
{
    if (replacement == nullptr || IsEmptyNeedle(find) || buffer == nullptr)
        return;
    const SInt32 findLength = SInt32(std::strlen(find));
    const size_t replacementLength = std::strlen(replacement);
    std::vector<SInt32> hits;
    for (SInt32 at = Search(find, 0, noCase); at >= 0; at = Search(find, at + findLength, noCase))
        hits.push_back(at);
    if (hits.empty())
        return;
    const int64_t newLength =
        int64_t(length) + int64_t(hits.size()) * (int64_t(replacementLength) - findLength);
    if (newLength > kMaxCapacity - 1)
        return;

    int64_t newCapacity = capacity;
    const int64_t room = int64_t(capacity) - 1 - length;
    if (newLength - length > room)
        newCapacity += ((newLength - length - room) / step + 1) * int64_t(step);
    if (newCapacity > kMaxCapacity)
        return;

    const std::string copy(replacement);  // the replacement may lie inside this text
    const bool inPlace = replacementLength <= size_t(findLength);  // writing never overtakes reading
    char* out = inPlace ? buffer : NewBuffer(size_t(newCapacity) + 1);
    size_t written = 0;
    SInt32 read = 0;
    for (SInt32 at : hits) {
        std::memmove(out + written, buffer + read, size_t(at - read));
        written += size_t(at - read);
        std::memcpy(out + written, copy.data(), replacementLength);
        written += replacementLength;
        read = at + findLength;
    }
    std::memmove(out + written, buffer + read, size_t(length - read));
    written += size_t(length - read);
    out[written] = 0;
    if (out != buffer) {
        std::free(buffer);
        buffer = out;
        capacity = SInt32(newCapacity);
    }
    length = SInt32(written);
}

void CText::ReplaceAll(const char* find, const char* replacement)
{
    ReplaceEvery(find, replacement, false);
}

void CText::ReplaceAllNoCase(const char* find, const char* replacement)
{
    ReplaceEvery(find, replacement, true);
}

// --- Header word --------------------------------------------------------------------------------

void CText::EncodeHeaderWord()
{
    if (buffer == nullptr)
        return;
    std::string encoded = CHeaderWordEncoder::Encode(buffer, size_t(length));
    if (encoded.size() == size_t(length) && std::memcmp(encoded.data(), buffer, encoded.size()) == 0)
        return;
    ReplaceBytes(0, length, encoded.data(), encoded.size());
}

// --- Files --------------------------------------------------------------------------------------

CText::CText(const FSSpec& file)
{
    LoadFSSpec(file);
}

CText::CText(const FSSpec& file, SInt32 textStep)
    : step(ValidStep(textStep))
{
    LoadFSSpec(file);
}

// The whole file at path, NULs turned into spaces; false when it cannot be read or its size
// does not fit a text.
bool CText::ReadFileBytes(const std::string& path, std::string& bytes) const
{
    FSRef ref;
    FSItemInfo info;
    if (FSPathMakeRef(path, &ref) != noErr || FSGetItemInfo(ref, &info) != noErr)
        return false;
    if (info.isDirectory || info.dataLogicalSize > uint64_t(kMaxCapacity - 1))
        return false;
    if (ReadWholeFileBytes(path, &bytes) != noErr || bytes.size() > size_t(kMaxCapacity - 1))
        return false;
    std::replace(bytes.begin(), bytes.end(), '\0', ' ');
    return true;
}

void CText::LoadFSSpec(const FSSpec& file)
{
    LoadPath(file.Path().c_str());
}

void CText::LoadFSRef(const FSRef& file)
{
    LoadPath(file.CPath());
}

void CText::LoadPath(const char* path)
{
    std::string bytes;
    if (path == nullptr || !ReadFileBytes(path, bytes))
        bytes.clear();
    SetBytes(bytes.data(), bytes.size());
}

void CText::ReadPath(const char* path)
{
    FSRef ref;
    if (path == nullptr || FSPathMakeRef(std::string_view(path), &ref) != noErr)
        return;
    LoadFSRef(ref);
}

void CText::ReadFromStream(const LDynamicBuffer& stream)
{
    FSSpec backing;
    if (!stream.IsBufferInMemory() && stream.GetBufferFile(backing)) {
        LoadFSSpec(backing);
        return;
    }
    SetBytes(stream.GetBufferBytes(), size_t(std::max<SInt32>(stream.GetBufferLength(), 0)));
}

void CText::AppendFile(const FSSpec& file)
{
    AppendFile(file.Path().c_str());
}

void CText::AppendFile(const char* path)
{
    std::string bytes;
    if (path == nullptr || !ReadFileBytes(path, bytes))
        return;
    AppendBytes(bytes.data(), long(bytes.size()));
}

OSErr CText::WriteFileBytes(const std::string& path, bool createIfMissing) const
{
    if (path.empty())
        return paramErr;
    const char* bytes = buffer ? buffer : "";
    size_t count = buffer ? size_t(length) : 0;
    auto mode = createIfMissing ? WholeFileMode::CreateIfMissing : WholeFileMode::ExistingOnly;
    return WriteWholeFileAtomically(path, bytes, count, mode);
}

OSErr CText::WriteToFSRef(const FSRef& file) const
{
    if (file.IsEmpty())
        return fnfErr;
    return WriteFileBytes(file.path, false);
}

OSErr CText::ReplaceFileAtPath(const char* path) const
{
    return WriteFileBytes(path ? path : "", true);
}

OSErr CText::WriteFSSpec(const FSSpec& file) const
{
    return WriteFileBytes(file.Path(), true);
}

OSErr CText::WritePath(const char* path) const
{
    return WriteFileBytes(path ? path : "", true);
}
