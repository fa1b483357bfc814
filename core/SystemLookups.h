// SystemLookups: answers about the running system and the program's bundle, the user's web
// browser and e-mail program (their desktop entries and icons), launching applications, and
// whether the address book changed since the program last looked.
//
// This system reports itself as version 0x1049, with QuickTime and the Aqua menu layout, so
// every version test takes its newest branch; the version predicates also take a version for
// callers that test one. Helper applications carry no creator code here (0); they are found by
// desktop id and Name (DesktopApps). Frameworks are never loaded (-4960, null bundle).
// Icons come from the icon theme or an absolute path. The address-book stamp is kept in the
// preference "Last Address Book Modification Date".
// GUI thread (icons, launching) or cooperative threads; nothing throws.
#pragma once

#include "CString256.h"
#include "DesktopApps.h"
#include "FSRef.h"
#include "FSSpec.h"
#include "MacTypes.h"

#include <QIcon>
#include <QString>

#include <optional>

constexpr UInt32 kSystemVersion = 0x1049;
constexpr OSType kProgramSignature = 'KWRD';

UInt32 GetSystemVersion();
bool IsSystem102(UInt32 version = GetSystemVersion());
bool IsSystem103(UInt32 version = GetSystemVersion());
bool IsSystem1028OrLater(UInt32 version = GetSystemVersion());
bool IsSystem104OrLater(UInt32 version = GetSystemVersion());
bool HasQuickTime();
bool HasAquaMenus();

// False (out untouched) when the bundle has no identifier.
bool GetBundleIdentifierText(CString256& identifier);
void GetBundleName(CString256& name);
// False (out untouched) when "CFBundleVersion" is missing.
bool GetBundleVersion(CString256& version);
void GetDefaultVersion(CString256& version);
void GetBundleIdentifierAndName(CString256& identifier, CString256& name);

// The helper for a URL scheme: creator 0, and its Name in `name` (unchanged without a helper).
OSType GetICHelper(const char* scheme, Str255 name);
OSType GetHTTPHelper(Str255 name);
OSType GetMailtoHelper(Str255 name);

// True when an application opens `text`: an http:// or https:// URL (any case) by its scheme,
// an absolute path by its file type. `application` (may be null) names its desktop entry.
bool GetApplicationForURL(const QString& text, FSRef* application);

// The e-mail program: by the mailto helper's creator (never found here), then by desktop id
// "<Name>.desktop", then by Name.
std::optional<DesktopEntry> FindMailApplication();

// kLSApplicationNotFoundErr (-10814) when there is no such application.
OSStatus GetWebViewerIcon(QIcon* icon);
OSStatus GetMailApplicationIcon(QIcon* icon);
OSStatus GetApplicationIconByName(const QString& name, QIcon* icon);
// The icon of a theme name or an absolute path; null when it names none.
QIcon IconForEntry(const DesktopEntry& entry);

// Loads the bundle's `fileName`.png (else .svg) and keeps it under (kProgramSignature, type).
// fnfErr when the bundle has neither.
OSStatus RegisterBundleIcon(const QString& fileName, OSType type, QIcon* icon);
QIcon GetRegisteredIcon(OSType creator, OSType type);

// Starts the application of a desktop entry file or an executable. fnfErr when missing.
OSStatus LaunchApplicationSpec(const FSSpec& application);
// Starts the application whose desktop id, then Name, is `name` less ".app" (case ignored);
// nothing when none matches.
void LaunchSystemApp(const char* name);

// Always -4960 with a null bundle: no framework is loaded on this system.
OSStatus LoadSystemFramework(const char* name, void** bundle);

// True when the contacts folder changed since the last call (the first call after
// installation too); with no folder, true only when a stamp had been stored.
bool AddressBookChangedSince();
