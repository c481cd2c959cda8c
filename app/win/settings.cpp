// settings.cpp - silent registry access.
#include "settings.h"

#include <cstring>
#include <vector>

bool WriteStringBytes(HKEY key, const char* name, const char* text, DWORD size)
{
    // The system counts a NUL that follows the given bytes into a string
    // value ("a forgotten terminator"); a non-NUL byte after the copy keeps
    // the value at exactly size bytes.
    std::vector<char> bytes(size + 1, '\x01');
    std::memcpy(bytes.data(), text, size);
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                          size) == ERROR_SUCCESS;
}

HKEY OpenVersionSubkey(const char* subkey, bool create)
{
    HKEY version = nullptr;
    REGSAM access = create ? KEY_QUERY_VALUE | KEY_CREATE_SUB_KEY : KEY_QUERY_VALUE;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kVersionKey, 0, access, &version) != ERROR_SUCCESS)
        return nullptr;
    HKEY key = nullptr;
    LONG rc;
    if (create) {
        rc =
            RegCreateKeyExA(version, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    } else {
        rc = RegOpenKeyExA(version, subkey, 0, KEY_ALL_ACCESS, &key);
    }
    RegCloseKey(version);
    return rc == ERROR_SUCCESS ? key : nullptr;
}

DWORD ReadDwordValue(HKEY key, const char* name, DWORD fallback)
{
    DWORD value = 0, type = 0, size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        size != sizeof value)
        return fallback;
    return value;
}

bool ReadStringValue(HKEY key, const char* name, char* buf, DWORD size)
{
    if (size == 0)
        return false;
    char data[1024];
    DWORD type = 0, got = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &got) !=
        ERROR_SUCCESS)
        return false;
    DWORD n = 0;
    while (n < got && n < size - 1 && data[n] != '\0')
        ++n;
    std::memcpy(buf, data, n);
    buf[n] = '\0';
    return true;
}

bool WriteDwordValue(HKEY key, const char* name, DWORD value)
{
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS;
}

DWORD ReadSettingDword(const char* name, DWORD fallback)
{
    HKEY key = OpenSettings();
    if (!key)
        return fallback;
    DWORD value = ReadDwordValue(key, name, fallback);
    RegCloseKey(key);
    return value;
}

bool ReadSettingString(const char* name, char* buf, DWORD size)
{
    HKEY key = OpenSettings();
    if (!key)
        return false;
    bool ok = ReadStringValue(key, name, buf, size);
    RegCloseKey(key);
    return ok;
}

bool WriteSettingDword(const char* name, DWORD value)
{
    HKEY key = OpenSettings();
    if (!key)
        return false;
    bool ok = WriteDwordValue(key, name, value);
    RegCloseKey(key);
    return ok;
}

bool ReadUserString(const char* path, const char* name, char* buf, DWORD size)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    bool ok = ReadStringValue(key, name, buf, size);
    RegCloseKey(key);
    return ok;
}
