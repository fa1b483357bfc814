// Handles and pointer blocks as the program uses them: a Handle is a pointer to a pointer to a
// resizable block whose size the handle remembers. Locking is meaningless here (blocks never move
// on their own), so HLock and HUnlock do nothing. Any thread may call these.
#pragma once

#include "MacTypes.h"

Handle NewHandle(Size byteCount);         // zero-filled; nullptr when out of memory or negative size
Handle NewHandleClear(Size byteCount);
void DisposeHandle(Handle h);             // nullptr is ignored
Size GetHandleSize(Handle h);             // 0 for nullptr
bool SetHandleSize(Handle h, Size newSize); // keeps the leading bytes; false when it cannot grow
inline void HLock(Handle) {}
inline void HUnlock(Handle) {}
OSErr MemError();                         // result of the last handle or pointer call on this thread

Ptr NewPtr(Size byteCount);
Ptr NewPtrClear(Size byteCount);
void DisposePtr(Ptr p);
Size GetPtrSize(Ptr p);
