// CEnvironment: the one program-wide object every part of the program reads at run time — the
// start-up settings (flags and numbers from the preferences), the merge-field registry, the
// extension-to-MIME map, the character tables, the HTML entity table, the bundle sounds and
// icons, the recent-items list, the blacklist, the version and user-agent texts and the log.
//
// The application creates it at start-up and stores it in gEnvironment, which is null before
// and after (the destructor clears it when it points here). The maps and tables are filled by
// the constructor and read-only afterwards; the flags and numbers change when the preferences
// window or a menu command changes the setting. The constructor installs the character tables
// as the program's character maps and the destructor removes them.
//
// Thread: constructed and destroyed on the GUI thread; the GUI thread and the cooperative
// threads read and write the members without locks (they switch only at yields). Memory
// exhaustion throws out of the constructor; everything else that is missing (a sound, an icon,
// the entity table, the mapping table) leaves its member null or empty.
#pragma once

#include "CFileItems.h"
#include "HTMLEntityTable.h"
#include "CLogFile.h"
#include "CMap.h"
#include "CString256.h"
#include "CText.h"
#include "CharacterTables.h"
#include "FSSpec.h"
#include "InternetConfigMap.h"
#include "MacTypes.h"
#include "MergeFieldRegistry.h"

#include <QString>
#include <QStringList>

#include <memory>

// An icon of the bundle registered under its type; `path` stays empty while the bundle has no
// such icon file.
struct BundleIcon {
    OSType type = 0;
    QString path;
};

class CEnvironment {
public:
    static constexpr SInt32 kDefaultNetworkTimeout = 15;
    static constexpr SInt32 kDefaultConsecutiveErrors = 3;
    static constexpr SInt32 kRecentItemsCapacity = 10;
    static constexpr int kIconCount = 9;

    using RecentItemsFactory = CFileItems* (*)();

    CEnvironment();
    ~CEnvironment();
    CEnvironment(const CEnvironment&) = delete;
    CEnvironment& operator=(const CEnvironment&) = delete;

    // The recent-items object the constructor makes; the default is a plain
    // CFileItems("Recent Items", 10). The recent-items menu installs its own before start-up.
    static void SetRecentItemsFactory(RecentItemsFactory factory);

    // "User Agent", or "Brevanto (" + version + ")" when it is missing or empty; CR and LF
    // become spaces (it goes into an HTTP header).
    void GetUserAgent(CString256& out) const;
    void SetOption(UInt8 verbose) { verboseLogging = verbose; }

    // The general log "Brevanto.log" in the Logs folder; see CLogFile.
    void OpenLog();
    void LogLine(const char* text);
    void CloseLog();

    void BuildMergeFields();
    void BuildExtensionMap();
    // Gives web access the user agent and the extension-to-MIME map.
    void InstallWebSources();

    // The value function of a field name (null when unknown or when no function is installed).
    MergeFieldProc FindMergeField(const char* name) const;
    // The field name of a code; null when no field has that code.
    const CString256* FindMergeFieldName(unsigned long code) const;
    // The extension map's entry for an extension with its dot (".pdf"); null when absent.
    const ICMapEntry* FindExtension(const char* dottedLowerExtension) const;

    UInt8 simulate = 0;
    UInt8 monitorOn = 0;
    void* addressBookFramework = nullptr;  // no system frameworks here: always null
    void* applicationServicesFramework = nullptr;
    void* carbonFramework = nullptr;
    CString256 documentExtension;
    CString256 untitledName;
    FSSpec sentSound;
    FSSpec notSentSound;
    std::unique_ptr<CHTMLEntityTable> htmlEntityTable;
    BundleIcon icons[kIconCount];
    CMap<CString256, MergeFieldProc> mergeFieldsByName;
    CMap<unsigned long, CString256> mergeFieldNamesByCode;
    CString256 version;
    SInt32 networkTimeout = kDefaultNetworkTimeout;
    SInt32 consecutiveErrors = kDefaultConsecutiveErrors;
    void* dateCache = nullptr;  // the locale services need none
    CCharacterTables characterTables;
    CMap<CString256, ICMapEntry> extensionMap;
    std::unique_ptr<CFileItems> recentItems;
    CLogFile* logFile = nullptr;
    UInt8 verboseLogging = 0;
    UInt8 dateStampLogEntries = 0;
    UInt8 messageEditorsWithSheets = 0;
    QStringList blacklist;

private:
    void FindSounds();
    void FindIcons();
    void ReadEntityTable();
    void ReadSettings();
};

// The program-wide environment; null before start-up and after clean-up.
extern CEnvironment* gEnvironment;

// True when "Display Message Editors With Sheets" exists and is not "false".
bool GetDisplayMessageEditorsWithSheets();
