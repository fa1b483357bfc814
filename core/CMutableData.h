// CMutableData: a growable run of bytes with a read position, for code that appends bytes,
// handles and fixed-width values and later reads them back in the same order (the HTTP
// request's response body), or hands the whole content out as a handle or pointer block.
// Fixed-width values are copied in the machine's own byte order.
// Invariants: 0 <= read position (it may stand past the end after Clear; reads then fail).
// Reads never pass the end: one that would fails and changes nothing (no bytes copied, position
// kept). Appends that cannot get memory throw std::bad_alloc, leaving the content as it was.
// One thread at a time works on an object.
#pragma once

#include "MacTypes.h"

#include <QByteArray>

class CMutableData {
public:
    CMutableData();
    // Copies `length` bytes; with `disposeSource` the source block is then released with
    // DisposePtr (it must come from NewPtr).
    CMutableData(const void* bytes, SInt32 length, bool disposeSource);
    CMutableData(const CMutableData& other);
    CMutableData& operator=(const CMutableData& other);
    ~CMutableData();

    // Appending; a negative or zero length, or null bytes, append nothing.
    void Append(const void* bytes, SInt32 length);
    void AppendData(const CMutableData& other);
    void AppendShort(const void* value);  // 2 bytes
    void AppendLong(const void* value);   // 4 bytes
    void AppendHandle(Handle handle);     // the handle's whole size

    UInt8* GetBytePtr();                  // valid until the next change
    SInt32 GetLength() const;
    void Clear();                         // length 0; the read position stays
    const QByteArray& Data() const { return mData; }
    // Hands the bytes over without a copy; the data is then empty, read position 0.
    QByteArray TakeBytes();

    // A new handle (or pointer block) holding a copy of the bytes. False, with the output
    // untouched, when the data is empty; false with a null output when memory runs out.
    bool ToHandle(Handle& handle) const;
    bool ToPtr(Ptr& pointer) const;
    Ptr CopyToNewPtr() const;             // all bytes in a new block; null when out of memory

    void SetReadPosition(SInt32 offset);
    SInt32 GetReadPosition() const { return mReadPos; }
    bool ReadShort(void* value);
    bool ReadLong(void* value);
    bool ReadBytes(void* out, SInt32 count);
    // A new handle of `count` bytes from the read position; false (handle untouched) past the end.
    bool ReadHandle(Handle& handle, SInt32 count);

private:
    bool CanRead(SInt32 count) const;

    QByteArray mData;
    SInt32 mReadPos = 0;
};
