#include "CMutableData.h"

#include "MemoryBlocks.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

CMutableData::CMutableData() = default;

CMutableData::CMutableData(const void* bytes, SInt32 length, bool disposeSource)
{
    Append(bytes, length);
    if (disposeSource && bytes)
        DisposePtr(static_cast<Ptr>(const_cast<void*>(bytes)));
}

CMutableData::CMutableData(const CMutableData& other) : mData(other.mData)
{
    mData.detach();
}

CMutableData& CMutableData::operator=(const CMutableData& other)
{
    if (&other == this)
        return *this;
    QByteArray copy = other.mData;
    copy.detach();
    mData = std::move(copy);
    mReadPos = 0;
    return *this;
}

CMutableData::~CMutableData() = default;

void CMutableData::Append(const void* bytes, SInt32 length)
{
    if (!bytes || length <= 0)
        return;
    if (mData.size() > std::numeric_limits<SInt32>::max() - length)
        throw std::bad_alloc(); // lengths are 32-bit counts
    mData.append(static_cast<const char*>(bytes), length);
}

void CMutableData::AppendData(const CMutableData& other)
{
    const QByteArray bytes = other.mData; // safe when other is this
    Append(bytes.constData(), SInt32(bytes.size()));
}

void CMutableData::AppendShort(const void* value) { Append(value, 2); }

void CMutableData::AppendLong(const void* value) { Append(value, 4); }

void CMutableData::AppendHandle(Handle handle)
{
    if (!handle || !*handle)
        return;
    HLock(handle);
    Append(*handle, SInt32(GetHandleSize(handle)));
    HUnlock(handle);
}

UInt8* CMutableData::GetBytePtr() { return reinterpret_cast<UInt8*>(mData.data()); }

SInt32 CMutableData::GetLength() const { return SInt32(mData.size()); }

QByteArray CMutableData::TakeBytes()
{
    mReadPos = 0;
    return std::exchange(mData, QByteArray());
}

void CMutableData::Clear() { mData.clear(); }

bool CMutableData::ToHandle(Handle& handle) const
{
    if (mData.isEmpty())
        return false;
    handle = NewHandle(Size(mData.size()));
    if (!handle)
        return false;
    std::memcpy(*handle, mData.constData(), size_t(mData.size()));
    return true;
}

bool CMutableData::ToPtr(Ptr& pointer) const
{
    Handle handle = nullptr;
    if (!ToHandle(handle)) {
        if (!mData.isEmpty())
            pointer = nullptr;
        return false;
    }
    const Size size = GetHandleSize(handle);
    pointer = NewPtr(size);
    if (pointer)
        std::memcpy(pointer, *handle, size_t(size));
    DisposeHandle(handle);
    return pointer != nullptr;
}

Ptr CMutableData::CopyToNewPtr() const
{
    Ptr pointer = NewPtr(Size(mData.size()));
    if (pointer && !mData.isEmpty())
        std::memcpy(pointer, mData.constData(), size_t(mData.size()));
    return pointer;
}

void CMutableData::SetReadPosition(SInt32 offset) { mReadPos = std::max<SInt32>(offset, 0); }

bool CMutableData::CanRead(SInt32 count) const
{
    return count >= 0 && int64_t(mReadPos) + count <= int64_t(mData.size());
}

bool CMutableData::ReadShort(void* value) { return ReadBytes(value, 2); }

bool CMutableData::ReadLong(void* value) { return ReadBytes(value, 4); }

bool CMutableData::ReadBytes(void* out, SInt32 count)
{
    if (!CanRead(count) || (count > 0 && !out))
        return false;
    if (count > 0)
        std::memcpy(out, mData.constData() + mReadPos, size_t(count));
    mReadPos += count;
    return true;
}

bool CMutableData::ReadHandle(Handle& handle, SInt32 count)
{
    if (!CanRead(count))
        return false;
    Handle made = NewHandle(count);
    if (!made)
        return false;
    if (count > 0)
        std::memcpy(*made, mData.constData() + mReadPos, size_t(count));
    mReadPos += count;
    handle = made;
    return true;
}
