#include "MemoryBlocks.h"

#include <cstdlib>
#include <cstring>

namespace {
thread_local OSErr tMemError = noErr;

// A handle points at `data` of its master block; the block keeps the size next to it.
struct MasterBlock {
    char* data;
    Size size;
};

// A pointer block keeps its size in a header in front of the bytes it hands out.
struct alignas(std::max_align_t) PtrHeader {
    Size size;
};

MasterBlock* MasterOf(Handle h) { return reinterpret_cast<MasterBlock*>(h); }
} // namespace

OSErr MemError() { return tMemError; }

Handle NewHandle(Size byteCount)
{
    if (byteCount < 0) {
        tMemError = paramErr;
        return nullptr;
    }
    auto* master = static_cast<MasterBlock*>(std::malloc(sizeof(MasterBlock)));
    char* data = static_cast<char*>(std::calloc(1, byteCount > 0 ? size_t(byteCount) : 1));
    if (!master || !data) {
        std::free(master);
        std::free(data);
        tMemError = memFullErr;
        return nullptr;
    }
    master->data = data;
    master->size = byteCount;
    tMemError = noErr;
    return &master->data;
}

Handle NewHandleClear(Size byteCount) { return NewHandle(byteCount); }

void DisposeHandle(Handle h)
{
    if (!h)
        return;
    std::free(MasterOf(h)->data);
    std::free(MasterOf(h));
    tMemError = noErr;
}

Size GetHandleSize(Handle h)
{
    if (!h) {
        tMemError = nilHandleErr;
        return 0;
    }
    tMemError = noErr;
    return MasterOf(h)->size;
}

bool SetHandleSize(Handle h, Size newSize)
{
    if (!h || newSize < 0) {
        tMemError = h ? paramErr : nilHandleErr;
        return false;
    }
    MasterBlock* master = MasterOf(h);
    char* grown = static_cast<char*>(std::realloc(master->data, newSize > 0 ? size_t(newSize) : 1));
    if (!grown) {
        tMemError = memFullErr;
        return false;
    }
    if (newSize > master->size)
        std::memset(grown + master->size, 0, size_t(newSize - master->size));
    master->data = grown;
    master->size = newSize;
    tMemError = noErr;
    return true;
}

Ptr NewPtr(Size byteCount)
{
    if (byteCount < 0) {
        tMemError = paramErr;
        return nullptr;
    }
    auto* header = static_cast<PtrHeader*>(std::calloc(1, sizeof(PtrHeader) + size_t(byteCount)));
    if (!header) {
        tMemError = memFullErr;
        return nullptr;
    }
    header->size = byteCount;
    tMemError = noErr;
    return reinterpret_cast<Ptr>(header + 1);
}

Ptr NewPtrClear(Size byteCount) { return NewPtr(byteCount); }

void DisposePtr(Ptr p)
{
    if (p)
        std::free(reinterpret_cast<PtrHeader*>(p) - 1);
}

Size GetPtrSize(Ptr p) { return p ? (reinterpret_cast<PtrHeader*>(p) - 1)->size : 0; }
