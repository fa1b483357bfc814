// CFile: the toolbox file class made from an FSRef or a POSIX path. A path that names no item
// yet still gives a folder-and-name record (FSSpec) when its folder exists, so the file can then
// be created; otherwise the record stays empty and every fork operation fails with paramErr.
// One thread at a time works on an object.
#pragma once

#include "FSRef.h"
#include "LFile.h"

class CFile : public LFile {
public:
    explicit CFile(const FSRef& item);
    explicit CFile(const char* path);
    ~CFile() override;

    // Points the object at another item (an open fork is closed first).
    void SetFSRef(const FSRef& item);
};
