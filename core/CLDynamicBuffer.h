// CLDynamicBuffer: the buffer a download or URL fetch receives its bytes into. It adds to the
// toolbox buffer the FSRef of a backing file; the buffer lives in memory only, so there never is
// one and GetFileRef answers false. One thread at a time works on an object.
#pragma once

#include "FSRef.h"
#include "LDynamicBuffer.h"

class CLDynamicBuffer : public LDynamicBuffer {
public:
    CLDynamicBuffer();
    ~CLDynamicBuffer() override;

    // The backing file's FSRef; false when the buffer is held in memory (always, here).
    virtual bool GetFileRef(FSRef& ref) const;

    // Appends a received block (the base's ConcatenateBuffer).
    void Concatenate(const void* bytes, SInt32 count) { ConcatenateBuffer(bytes, count); }
};
