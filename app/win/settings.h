// settings.h - access to the program's registry settings under
// HKEY_CURRENT_USER (their names: settingnames.h).
//
// Every access is silent: a key or value that cannot be opened or read
// leaves the caller's default, and nothing is ever shown to the user. Keys
// are opened and closed around each use.
#ifndef SETTINGS_H
#define SETTINGS_H

#include <windows.h>

#include "settingnames.h"

// Opens the 2.0 key (query access) and its subkey (full access, created
// when missing if create is set); null when either fails. Close with
// RegCloseKey.
HKEY OpenVersionSubkey(const char* subkey, bool create);

// The Einstellungen key, opened as above.
inline HKEY OpenSettings(bool create = false)
{
    return OpenVersionSubkey(kSettingsKey, create);
}

// A REG_DWORD of an open key; fallback when it cannot be read.
DWORD ReadDwordValue(HKEY key, const char* name, DWORD fallback);
// A REG_SZ of an open key into buf (size bytes with NUL): the text up to
// its first NUL or its stored length. Returns false (buf untouched) when it
// cannot be read.
bool ReadStringValue(HKEY key, const char* name, char* buf, DWORD size);
bool WriteDwordValue(HKEY key, const char* name, DWORD value);
// Writes exactly size bytes of text as a REG_SZ (its NUL and filler only
// when size covers them): text may be read up to size bytes.
bool WriteStringBytes(HKEY key, const char* name, const char* text, DWORD size);

// One value of Einstellungen, opened and closed around the access.
DWORD ReadSettingDword(const char* name, DWORD fallback);
bool ReadSettingString(const char* name, char* buf, DWORD size);
bool WriteSettingDword(const char* name, DWORD value);

// A string value of HKEY_CURRENT_USER\path (e.g. the product key's
// "directory"); false when the key or value is missing.
bool ReadUserString(const char* path, const char* name, char* buf, DWORD size);

#endif
