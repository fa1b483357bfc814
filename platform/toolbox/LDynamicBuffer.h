// LDynamicBuffer: a growable byte buffer that data is appended to as it arrives (a download,
// an HTTP body). It lives in memory only: there is no backing file, so GetBufferFile answers
// false. It also carries the file type and creator a download announces, for whoever saves it.
// One thread at a time works on an object. Appends that cannot get memory throw std::bad_alloc.
#pragma once

#include "FSSpec.h"
#include "MacTypes.h"

#include <QByteArray>

class LDynamicBuffer {
public:
    LDynamicBuffer();
    virtual ~LDynamicBuffer();
    LDynamicBuffer(const LDynamicBuffer&) = delete;
    LDynamicBuffer& operator=(const LDynamicBuffer&) = delete;

    // Appends `count` bytes; a negative count or null bytes append nothing.
    virtual void ConcatenateBuffer(const void* bytes, SInt32 count);
    virtual void ConcatenateBuffer(const LDynamicBuffer& other);
    virtual void ResetBuffer();

    SInt32 GetBufferLength() const { return SInt32(mBytes.size()); }
    const char* GetBufferBytes() const { return mBytes.constData(); }
    const QByteArray& GetBufferData() const { return mBytes; }
    bool IsBufferInMemory() const { return true; }

    // The backing file's folder-and-name record; false: the buffer is held in memory.
    virtual bool GetBufferFile(FSSpec& spec) const;

    OSType GetFileType() const { return mFileType; }
    OSType GetFileCreator() const { return mFileCreator; }
    void SetFileType(OSType type) { mFileType = type; }
    void SetFileCreator(OSType creator) { mFileCreator = creator; }

private:
    QByteArray mBytes;
    OSType mFileType = 0;
    OSType mFileCreator = 0;
};
