// Actions on the registry: reading, checking, writing and clearing values.
#include "klvdriver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HKEY RootKey(const char* name)
{
    if (std::strcmp(name, "HKCR") == 0)
        return HKEY_CLASSES_ROOT;
    return std::strcmp(name, "HKLM") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

struct RegValue {
    DWORD type = 0;
    DWORD size = 0;
    unsigned char data[4096] = {};
};

// One value (name "" or nullptr: the key's default value); false, with the
// reason on stderr when asked, when the key or the value is missing.
bool ReadValue(HKEY root, const char* keyName, const char* valueName, REGSAM view, RegValue& value,
               bool quiet = false)
{
    HKEY key;
    if (RegOpenKeyExA(root, keyName, 0, KEY_READ | view, &key) != ERROR_SUCCESS) {
        if (!quiet)
            std::fprintf(stderr, "klvdriver: no key %s\n", keyName);
        return false;
    }
    value.size = sizeof value.data - 1;
    const LONG rc = RegQueryValueExA(key, valueName, nullptr, &value.type, value.data, &value.size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        if (!quiet)
            std::fprintf(stderr, "klvdriver: no value %s\n", valueName ? valueName : "");
        return false;
    }
    return true;
}

DWORD DwordOf(const RegValue& value)
{
    DWORD v;
    std::memcpy(&v, value.data, sizeof v);
    return v;
}

int CmdReg(int argc, char** argv)
{
    REGSAM view = 0;
    if (argc > 5)
        view = std::strcmp(argv[5], "32") == 0 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    RegValue value;
    if (!ReadValue(RootKey(argv[2]), argv[3], argv[4], view, value))
        return 1;
    if (value.type == REG_DWORD)
        std::printf("%lu\n", DwordOf(value));
    else
        std::printf("%s\n", reinterpret_cast<char*>(value.data));
    return 0;
}

int CmdRegSize(int, char** argv)
{
    RegValue value;
    if (!ReadValue(RootKey(argv[2]), argv[3], *argv[4] ? argv[4] : nullptr, 0, value))
        return 1;
    std::printf("%lu %lu %s\n", value.type, value.size, reinterpret_cast<char*>(value.data));
    return 0;
}

int CmdExpectReg(int, char** argv)
{
    std::string actual = "-";
    RegValue value;
    if (ReadValue(RootKey(argv[2]), argv[3], argv[4], 0, value, true)) {
        if (value.type == REG_DWORD) {
            actual = std::to_string(DwordOf(value));
        } else {
            // The text up to its first NUL, or all stored bytes without one.
            actual.assign(reinterpret_cast<char*>(value.data), value.size);
            actual = actual.substr(0, actual.find('\0'));
        }
    }
    if (actual == argv[5])
        return 0;
    std::fprintf(stderr, "klvdriver: %s\\%s is \"%s\", not \"%s\"\n", argv[3], argv[4],
                 actual.c_str(), argv[5]);
    return 1;
}

int CmdSetReg(int argc, char** argv)
{
    HKEY key;
    if (RegCreateKeyExA(RootKey(argv[2]), argv[3], 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        std::fprintf(stderr, "klvdriver: cannot create key %s\n", argv[3]);
        return 1;
    }
    LONG rc = ERROR_SUCCESS;
    const std::string kind = argv[5];
    const char* data = argc > 6 ? argv[6] : "";
    if (kind == "delete") {
        RegDeleteValueA(key, argv[4]);
    } else if (kind == "dword") {
        DWORD value = std::strtoul(data, nullptr, 0);
        rc = RegSetValueExA(key, argv[4], 0, REG_DWORD, reinterpret_cast<BYTE*>(&value),
                            sizeof value);
    } else {
        rc = RegSetValueExA(key, argv[4], 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                            static_cast<DWORD>(std::strlen(data) + 1));
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? 0 : 1;
}

int CmdClearKey(int, char** argv)
{
    const LONG rc = RegDeleteTreeA(RootKey(argv[2]), argv[3]);
    if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) {
        RegDeleteKeyA(RootKey(argv[2]), argv[3]);
        return 0;
    }
    std::fprintf(stderr, "klvdriver: cannot delete %s\n", argv[3]);
    return 1;
}

const DriverAction kActions[] = {
    {"reg", 3, CmdReg, "HKCU|HKLM KEY VALUE [32|64]: print a DWORD or string value"},
    {"regsize", 3, CmdRegSize,
     "HKCR|HKCU|HKLM KEY VALUE: type, byte length and text (\"\": default value)"},
    {"expect-reg", 4, CmdExpectReg, "HKCU KEY VALUE DATA: the value equals DATA (\"-\": absent)"},
    {"set-reg", 4, CmdSetReg, "HKCU KEY VALUE sz|dword|delete [DATA]: write or delete a value"},
    {"clear-key", 2, CmdClearKey, "HKCU KEY: delete KEY with everything below it"},
};

} // namespace

const DriverActionList kRegistryActions = ActionList(kActions);
