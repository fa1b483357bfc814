// CFPreferenceFile: the cached contents of one preference file (an XML property list whose root
// is a dictionary) and the one way it is written.
//
// Invariants: the cache is the file as last read or written; before every lookup and every
// change the file is checked (device, inode, size, modification and change times) and re-read
// when it changed on disk, so keys that another process wrote survive our next write. A change
// is written at once: to a temporary file in the same folder, flushed to disk, renamed over the
// file (a symbolic link stays a link; its target is replaced). On any failure the old file and
// the cache stay as they were, the failure is reported (qWarning) and answered as a result code.
// A file that does not parse is moved aside under a dated name, reported, and the domain starts
// empty. A file that cannot be read at all (permissions) is never overwritten.
//
// Not thread-safe by itself: CFPreferenceDomain serialises every use of it.
#pragma once

#include "CFPropertyList.h"
#include "MacTypes.h"

#include <QString>

#include <sys/types.h>

class CFPreferenceFile {
public:
    explicit CFPreferenceFile(const QString& path);

    // The value under key (null when absent), after re-reading the file if it changed.
    CFPropertyList Value(const QString& key);

    // Sets (or, for a null value, removes) the key and writes the file at once.
    // 0, or the error that kept the file from being read or written.
    OSStatus SetValue(const QString& key, const CFPropertyList& value);

    // Re-reads the file if it changed on disk; 0, or the error that kept it from being read.
    OSStatus Synchronize();

    // The last failure reported for this file, empty when the last operation succeeded.
    QString LastError() const { return mLastError; }

private:
    struct Stamp {
        bool exists = false;
        int error = 0; // errno of the failed stat when it does not exist
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        long long modifiedNs = 0;
        long long changedNs = 0;
        bool operator==(const Stamp&) const = default;
    };

    static Stamp StampOf(const QString& path);
    OSStatus Refresh();
    OSStatus Load(const Stamp& stamp);
    void MoveAside(const QString& reason);
    OSStatus Write(const CFPropertyList::Dictionary& values);
    OSStatus Report(OSStatus status, const QString& message);

    QString mPath;
    CFPropertyList::Dictionary mValues;
    Stamp mStamp;
    bool mLoaded = false;
    OSStatus mLoadStatus = 0; // non-zero: the file exists but cannot be read
    QString mLastError;
};
