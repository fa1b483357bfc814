// CInternetConfig: one session with the system's Internet settings, the program's way to open a
// URL in the user's helper application and to read the file-name mapping table (extension →
// MIME type) from which the environment builds its extension map.
//
// Life: construct with the program's signature, Start, work, Stop or destroy (which stops).
// Every operation except Start answers -1 while not started. The mapping iteration runs
// BeginMapIteration, NextMapEntry until false, EndMapIteration; an entry that cannot be read is
// skipped. The table comes from InternetConfigMap (mime.types); URLs go to the system launcher.
// There is no settings store behind the string, font, editing and helper-application calls:
// they answer -1. One thread per object (the GUI thread or a cooperative thread); never throws.
#pragma once

#include "InternetConfigMap.h"
#include "MacTypes.h"

#include <memory>
#include <vector>

class CInternetConfig {
public:
    static constexpr OSStatus kNotStarted = -1;
    static constexpr OSStatus kPrefNotFoundErr = -666;

    explicit CInternetConfig(OSType creator);
    virtual ~CInternetConfig();
    CInternetConfig(const CInternetConfig&) = delete;
    CInternetConfig& operator=(const CInternetConfig&) = delete;

    OSStatus Start();
    void Stop();
    bool IsStarted() const { return mStarted; }

    // Hands the whole text to the system's URL launcher.
    OSStatus LaunchURL(ConstStr255Param url);
    OSStatus LaunchURL(const char* url);

    // The mapping entry for a file name (by its extension, ignoring case); a C-string name is
    // cut to 255 bytes first.
    OSStatus MapFilename(ConstStr255Param name, ICMapEntry& entry);
    OSStatus MapFilename(const char* name, ICMapEntry& entry);

    OSStatus BeginMapIteration();
    bool NextMapEntry(ICMapEntry& entry);
    OSStatus EndMapIteration();

    OSStatus GetStringPref(ConstStr255Param key, Str255 out);
    OSStatus GetFontPref(ConstStr255Param key, void* out);
    OSStatus EditPreferences(ConstStr255Param key);
    OSStatus GetHelperApplication(ConstStr255Param key, void* outSpec, OSType& outCreator);

    OSType Creator() const { return mCreator; }
    bool mAvailable = true;

private:
    bool mStarted = false;
    std::unique_ptr<std::vector<InternetConfigMap::Record>> mMapHandle;
    SInt32 mMapCount = 0;
    SInt32 mMapIndex = 0;
    OSType mCreator;
};
