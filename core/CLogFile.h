// CLogFile: the program's general log, "Brevanto.log" in the Logs folder: a UTF-8 text file with
// LF line ends, only ever appended to. Each run adds an opening line ("Brevanto <version> up at
// <date-time>."), its entries, and a closing line ("... down at ...") when the log is closed.
// Entries get the prefix "[<date-time>] " while the date-stamp flag is on; a CR or CR LF inside
// an entry becomes LF.
//
// The version text and the date-stamp flag are the environment's, read at every write. All file
// errors are quiet for the program: a log that failed to open keeps no file and every write
// answers 0 without writing (the result codes are still returned by Open and Close).
// One thread at a time (the GUI thread or a cooperative thread); each entry is written whole.
#pragma once

#include "CString256.h"
#include "CText.h"
#include "MacTypes.h"

#include <string>

class CLogFile {
public:
    static constexpr char kFileName[] = "Brevanto.log";

    CLogFile(const CString256& version, const UInt8& dateStampFlag);
    ~CLogFile();  // closes the file without a closing line
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    // Opens (creating when missing) the file at the POSIX path for appending and writes the
    // opening line; 0 or the error.
    OSErr Open(const char* path);
    // Writes the text as one entry (the caller ends it with a line feed).
    OSErr WriteLine(const CText& text);
    // Writes the closing line and closes the file.
    OSErr Close();
    bool IsOpen() const { return mDescriptor >= 0; }

private:
    OSErr WriteBytes(const std::string& bytes);
    std::string RunLine(const char* event) const;

    const CString256& mVersion;
    const UInt8& mDateStamp;
    int mDescriptor = -1;
};
