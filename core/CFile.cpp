#include "CFile.h"

#include "FileManager.h"
#include "FileRefUtilities.h"

CFile::CFile(const FSRef& item) { SetFSRef(item); }

CFile::CFile(const char* path)
{
    FSSpec spec;
    const OSErr err = path ? FSMakeFSSpecFromPath(path, &spec) : OSErr(paramErr);
    if (err == noErr || err == fnfErr)
        SetSpecifier(spec);
}

CFile::~CFile() = default;

void CFile::SetFSRef(const FSRef& item)
{
    FSSpec spec;
    GetFSSpecOfRef(&item, &spec);
    SetSpecifier(spec);
}
