// CFileTypeMaps: the environment's file-type tables as the path helpers consult them: the
// extension-to-MIME map, the Internet Config type-and-creator mapping entries, and the mapping
// of a file name to a creator and type. The environment installs its tables once at start-up;
// until then there are none and every lookup through them answers false.
// Installing and reading are locked, so any thread may look up; the tables themselves must be
// safe to read from several threads.
#pragma once

#include "CString256.h"
#include "MacTypes.h"

#include <memory>
#include <vector>

struct FileTypeMapping {
    OSType type = 0;
    OSType creator = 0;
    CString256 mimeType;
};

class CFileTypeMaps {
public:
    virtual ~CFileTypeMaps() = default;

    // `extension` holds its leading "." and is lower case (".pdf"); true when mapped.
    virtual bool MIMETypeForExtension(const char* extension, CString256& mimeType) const = 0;
    // The mapping entries in their table order.
    virtual std::vector<FileTypeMapping> Mappings() const = 0;
    // The creator and type for a file name; true when the name is mapped.
    virtual bool MapFilename(const char* fileName, OSType& creator, OSType& type) const = 0;

    static void Install(std::shared_ptr<const CFileTypeMaps> maps); // null removes them
    static std::shared_ptr<const CFileTypeMaps> Installed();        // null when none
};
