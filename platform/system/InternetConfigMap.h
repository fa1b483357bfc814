// InternetConfigMap: the stand-in for Internet Config's file-name mapping table ("Mapping"): the
// extension → MIME type table of the system, read from a file in mime.types format ("type ext
// ext ..." per line, "#" comments). By default the system's /etc/mime.types (Debian's
// media-types package); tests point it at a fixture with SetTablePath.
//
// The table is a list of records in file order, one per (type, extension) pair. A record whose
// line is malformed (no "type/subtype" first field) is kept in the list but cannot be read
// (ReadEntry fails), as a damaged entry of the original table could not. A missing or unreadable
// file gives an empty table. Entries carry file type and creator 0: no file becomes a text file
// by its name alone.
//
// Stands in for: the mapping-table reads only. Does not: helper applications, string or font
// settings, editing. Any thread; the table path is process-wide (set it before reading).
#pragma once

#include "MacTypes.h"

#include <QString>

#include <string>
#include <vector>

struct ICMapEntry {
    SInt16 totalLength = 0;
    SInt16 fixedLength = 0;
    SInt16 version = 0;
    OSType fileType = 0;
    OSType fileCreator = 0;
    OSType postCreator = 0;
    SInt32 flags = 0;
    std::string extension;  // with its leading dot, as the table gives it
    std::string creatorAppName;
    std::string postAppName;
    std::string MIMEType;
    std::string entryName;
};

class InternetConfigMap {
public:
    struct Record {
        std::string extension;
        std::string MIMEType;
        bool readable = true;
    };

    static QString DefaultTablePath();  // /etc/mime.types
    static QString TablePath();
    // Replaces the table file (empty: back to the default).
    static void SetTablePath(const QString& path);

    // The table of the current path; empty when the file is missing or unreadable.
    static std::vector<Record> ReadTable();
    static std::vector<Record> ReadTable(const QString& path);

    // The entry of a record; false when the record cannot be read.
    static bool ReadEntry(const Record& record, ICMapEntry& entry);
};
