#include "CLDynamicBuffer.h"

#include "FileManager.h"

CLDynamicBuffer::CLDynamicBuffer() = default;

CLDynamicBuffer::~CLDynamicBuffer() = default;

bool CLDynamicBuffer::GetFileRef(FSRef& ref) const
{
    FSSpec spec;
    if (!GetBufferFile(spec))
        return false;
    return FSpMakeFSRef(spec, &ref) == noErr;
}
