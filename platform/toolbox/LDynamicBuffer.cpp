#include "LDynamicBuffer.h"

#include <limits>
#include <new>

LDynamicBuffer::LDynamicBuffer() = default;

LDynamicBuffer::~LDynamicBuffer() = default;

void LDynamicBuffer::ConcatenateBuffer(const void* bytes, SInt32 count)
{
    if (!bytes || count <= 0)
        return;
    if (mBytes.size() > std::numeric_limits<SInt32>::max() - count)
        throw std::bad_alloc(); // the length must stay a 32-bit count
    mBytes.append(static_cast<const char*>(bytes), count);
}

void LDynamicBuffer::ConcatenateBuffer(const LDynamicBuffer& other)
{
    if (&other == this) {
        const QByteArray copy = other.mBytes;
        ConcatenateBuffer(copy.constData(), SInt32(copy.size()));
        return;
    }
    ConcatenateBuffer(other.mBytes.constData(), SInt32(other.mBytes.size()));
}

void LDynamicBuffer::ResetBuffer() { mBytes.clear(); }

bool LDynamicBuffer::GetBufferFile(FSSpec&) const { return false; }
