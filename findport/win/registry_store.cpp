#include "registry_store.h"

#include <windows.h>

#include <string>

#include "runtime_error.h"

namespace findport {

namespace {

constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\VARNOK\\Klemva\\2.0\\Einstellungen";
constexpr wchar_t kPortValue[] = L"Port";
constexpr wchar_t kHintFile[] = L"COM_Port_hint.txt";

void CreateSettingsKey()
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0,
                        KEY_SET_VALUE | KEY_CREATE_SUB_KEY, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        RegCloseKey(key);
    }
}

// The measurement program is a 32-bit program: write through its view.
void WritePortValue(int32_t index)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &key) !=
        ERROR_SUCCESS) {
        return;
    }
    const DWORD value = static_cast<DWORD>(index);
    RegSetValueExW(key, kPortValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
    RegCloseKey(key);
}

void WriteHintFile(int32_t index)
{
    HANDLE file = CreateFileW(kHintFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    // Digits and plain English: the same bytes in every ANSI code page.
    const std::string text = HintFileText(index);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

} // namespace

void RegistryPortStore::StorePort(int32_t index)
{
    NoteSourceLine(__LINE__);
    // Each step on its own: a locked registry must not cost the hint file.
    CreateSettingsKey();
    WritePortValue(index);
    WriteHintFile(index);
}

} // namespace findport
