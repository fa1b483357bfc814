// Preferences access: the program's settings as text values under text keys, in the
// application's preference domain (CFPreferenceDomain), each write synchronised at once.
//
// Keys and values are UTF-8; bytes that are not valid UTF-8 count as Latin-1 characters (they read
// back as the UTF-8 of those characters). A value that is not text (a hand-edited file, or a key
// that another part of the program keeps as an array or dictionary) reads as absent, so the
// caller's default applies. Without the any-user flag everything lives in the current user's
// application domain; with it, reads try the any-user, current-host domain first and writes fall
// back to the application domain when the any-user domain cannot be written.
//
// Any thread may call (the domain store takes its own lock). Failures: a read that cannot find a
// text value answers null; a write answers the store's error and leaves the old file in place.
#pragma once

#include "CString256.h"
#include "MacTypes.h"

#include <QString>

#include <memory>

// The text under key as a new NUL-terminated UTF-8 array the caller owns, or null when the key is
// absent or holds no text. A stored empty text gives "" (one NUL byte), never null.
std::unique_ptr<char[]> GetPreference(const CString256& key, UInt8 anyUser = 0);
std::unique_ptr<char[]> GetPreferenceValue(const CString256& key, UInt8 anyUser = 0);

// Stores value (UTF-8) under key, or removes the key for a null value, and synchronises at once.
// 0, or the error that kept the domain from being written.
OSStatus SetPreference(const char* value, const CString256& key, UInt8 anyUser = 0);
// The same, except that a null value is refused (paramErr) and changes nothing.
OSStatus SetPreferenceValue(const char* value, const CString256& key, UInt8 anyUser = 0);

// Pascal string to NUL-terminated string in a 256-byte buffer; the bytes pass unchanged.
void PStringToCString(ConstStr255Param pascal, char* buffer);
// NUL-terminated string to Pascal string in a 256-byte target: at most 255 bytes, cut on a
// character boundary. A null source gives the empty string.
void CStringToPString(const char* source, StringPtr pascal);

// The main bundle's identifier (CFBundleIdentifier); a null string when it has none.
QString GetBundleIdentifier();
