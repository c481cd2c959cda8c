// optionsdlg.cpp - the options dialog. Settings are written only by OK; a
// list is written when the user leaves it for another list, or by OK, so an
// "&Annulla" after a list switch keeps the lists already stored.
//
// A Port of 32 or more (a port the finder or an installation stored beyond
// the dialog's COM1..COM32) shows no selection and, unless the user picks a
// port, OK leaves it stored as it is rather than writing "no selection".
#include "optionsdlg.h"

#include <commdlg.h>

#include <string>
#include <vector>

#include "choicelists.h"
#include "dispatch.h"
#include "optionsdlgres.h"
#include "settings.h"
#include "services.h"

#include "appstrings.h"
#include "appui.h"

namespace {

constexpr int kPortCount = 32;        // COM1 .. COM32
constexpr int kBitmapPathBytes = 256; // BMP is always written as 256 bytes
constexpr int kListEntryBytes = 80;   // a list entry is written as 80 bytes

// The radio button of each list, in list order.
const int kListButtons[kChoiceListCount] = {IDC_OPT_EXAMINER, IDC_OPT_VEHICLE, IDC_OPT_DOOR,
                                            IDC_OPT_POSITION, IDC_OPT_MEASTYPE};

// The list whose entries the edit box shows; lives while the dialog is open.
int CurrentList = 0;

// The folder the bitmap chooser opens in: the working directory at the
// first opening, for the rest of the run.
char g_bitmapFolder[MAX_PATH] = {};

// The 2.0 key with query access; null when the settings were never made.
HKEY OpenVersionKey()
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kVersionKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

HKEY OpenSubkey(HKEY parent, const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

// One stored list entry, or false when value "i" cannot be read. An entry
// longer than the 100-byte read buffer shows its first 99 characters.
bool ReadListEntry(HKEY list, int index, std::string* entry)
{
    char name[8];
    wsprintfA(name, "%d", index);
    DWORD size = 0;
    const LONG sized = RegQueryValueExA(list, name, nullptr, nullptr, nullptr, &size);
    if (sized != ERROR_SUCCESS && sized != ERROR_MORE_DATA)
        return false;
    std::vector<char> data(size + 1, '\0');
    if (RegQueryValueExA(list, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()),
                         &size) != ERROR_SUCCESS)
        return false;
    std::string text(data.data(), strnlen(data.data(), size));
    if (text.size() > kChoiceEntryReadBytes - 1)
        text.resize(kChoiceEntryReadBytes - 1);
    *entry = text;
    return true;
}

void LoadListIntoEdit(HWND dialog, int list)
{
    HKEY version = OpenVersionKey();
    if (!version)
        return;
    std::vector<std::string> entries;
    if (HKEY key = OpenSubkey(version, kChoiceListKeys[list])) {
        for (int i = 0; i < kChoiceListEntries; ++i) {
            std::string entry;
            if (ReadListEntry(key, i, &entry))
                entries.push_back(entry);
        }
        RegCloseKey(key);
    }
    RegCloseKey(version);
    SetDlgItemTextA(dialog, IDC_OPT_LIST, JoinChoiceListEntries(entries).c_str());
}

// The whole edit text: reading it cut short would cut the line standing at
// the cut and overwrite that stored entry with its beginning.
std::string EditText(HWND dialog)
{
    HWND edit = GetDlgItem(dialog, IDC_OPT_LIST);
    std::vector<char> text(GetWindowTextLengthA(edit) + 1, '\0');
    GetWindowTextA(edit, text.data(), static_cast<int>(text.size()));
    return text.data();
}

void StoreEditIntoList(HWND dialog, int list)
{
    HKEY key = OpenVersionSubkey(kChoiceListKeys[list], true);
    if (!key)
        return;
    const ChoiceListWrites writes = CutChoiceListText(EditText(dialog));
    for (int i = 0; i < kChoiceListEntries; ++i) {
        if (writes[i].empty())
            continue;
        char name[8];
        wsprintfA(name, "%d", i);
        char value[kListEntryBytes] = {};
        lstrcpynA(value, writes[i].c_str(), sizeof value);
        WriteStringBytes(key, name, value, sizeof value);
    }
    RegCloseKey(key);
}

// Ticks or clears a box from a flag setting; an absent flag leaves the box.
void CheckFromSetting(HWND dialog, int id, HKEY settings, const char* name)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExA(settings, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                         &size) == ERROR_SUCCESS)
        CheckDlgButton(dialog, id, value ? BST_CHECKED : BST_UNCHECKED);
}

void LoadSettings(HWND dialog)
{
    HKEY version = OpenVersionKey();
    if (!version)
        return;
    HKEY settings = OpenSubkey(version, kSettingsKey);
    RegCloseKey(version);
    DWORD port = 0;
    if (settings) {
        char path[kBitmapPathBytes] = {};
        if (ReadStringValue(settings, kBitmapValue, path, sizeof path))
            SetDlgItemTextA(dialog, IDC_OPT_BITMAP, path);
        CheckFromSetting(dialog, IDC_OPT_LOGO, settings, kLogoValue);
        CheckFromSetting(dialog, IDC_OPT_AUTOSAVE, settings, kAutoSaveValue);
        port = ReadDwordValue(settings, kPortValue, 0);
        RegCloseKey(settings);
    }
    // CB_SETCURSEL with an index past the last entry clears the selection.
    const WPARAM index = port < kPortCount ? port : static_cast<WPARAM>(-1);
    SendDlgItemMessageA(dialog, IDC_OPT_PORT, CB_SETCURSEL, index, 0);
}

void SaveSettings(HWND dialog)
{
    HKEY settings = OpenSettings(true);
    if (!settings)
        return;
    char path[kBitmapPathBytes] = {};
    GetDlgItemTextA(dialog, IDC_OPT_BITMAP, path, sizeof path);
    WriteStringBytes(settings, kBitmapValue, path, sizeof path);
    WriteDwordValue(settings, kLogoValue, IsDlgButtonChecked(dialog, IDC_OPT_LOGO) ? 1 : 0);
    WriteDwordValue(settings, kAutoSaveValue, IsDlgButtonChecked(dialog, IDC_OPT_AUTOSAVE) ? 1 : 0);
    const LRESULT port = SendDlgItemMessageA(dialog, IDC_OPT_PORT, CB_GETCURSEL, 0, 0);
    if (port != CB_ERR)
        WriteDwordValue(settings, kPortValue, static_cast<DWORD>(port));
    RegCloseKey(settings);
}

void FillPortList(HWND dialog)
{
    for (int number = 1; number <= kPortCount; ++number) {
        char name[8];
        wsprintfA(name, "COM%d", number);
        SendDlgItemMessageA(dialog, IDC_OPT_PORT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
}

LRESULT OnInitDialog(HWND dialog, UINT, WPARAM, LPARAM)
{
    FillPortList(dialog);
    LoadListIntoEdit(dialog, 0);
    LoadSettings(dialog);
    CurrentList = 0;
    CheckDlgButton(dialog, kListButtons[0], BST_CHECKED);
    return TRUE;
}

void SwitchList(HWND dialog, int list)
{
    StoreEditIntoList(dialog, CurrentList);
    CurrentList = list;
    LoadListIntoEdit(dialog, list);
}

// The filter of string 4: its last character separates the parts and every
// occurrence becomes a NUL.
void LoadBitmapFilter(char* filter, int size)
{
    LoadAppText(IDS_BMP_FILTER, filter, size - 1);
    const int length = lstrlenA(filter);
    if (length == 0)
        return;
    const char separator = filter[length - 1];
    for (int i = 0; i < length; ++i)
        if (filter[i] == separator)
            filter[i] = '\0';
    filter[length] = '\0';
}

LRESULT OnCmdChooseBitmap(HWND dialog, WORD, WORD, HWND)
{
    if (!g_bitmapFolder[0])
        GetCurrentDirectoryA(sizeof g_bitmapFolder, g_bitmapFolder);
    char filter[64] = {};
    LoadBitmapFilter(filter, sizeof filter);
    char file[256] = {};
    char title[256] = {};
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dialog;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = sizeof title;
    ofn.lpstrInitialDir = g_bitmapFolder;
    ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (GetOpenFileNameA(&ofn))
        SetDlgItemTextA(dialog, IDC_OPT_BITMAP, file);
    return TRUE;
}

LRESULT OnCmdOk(HWND dialog, WORD, WORD, HWND)
{
    StoreEditIntoList(dialog, CurrentList);
    SaveSettings(dialog);
    EndDialog(dialog, IDOK);
    return TRUE;
}

LRESULT OnCmdCancel(HWND dialog, WORD, WORD, HWND)
{
    EndDialog(dialog, IDCANCEL);
    return TRUE;
}

const CommandEntry kOptionsCommands[] = {
    {IDOK, OnCmdOk},
    {IDCANCEL, OnCmdCancel},
    {IDC_OPT_BITMAP, OnCmdChooseBitmap},
};
const CommandTable kOptionsCommandTable = MakeCommandTable(kOptionsCommands, kNoDefault);

// Radio buttons are matched on the whole wParam, so only a click
// (notification code 0) switches lists.
LRESULT OnCommand(HWND dialog, UINT, WPARAM wParam, LPARAM lParam)
{
    for (int list = 0; list < kChoiceListCount; ++list) {
        if (wParam == static_cast<WPARAM>(kListButtons[list])) {
            SwitchList(dialog, list);
            return TRUE;
        }
    }
    return DispatchCommandTable(kOptionsCommandTable, dialog, wParam, lParam);
}

const MessageEntry kOptionsMessages[] = {
    {WM_COMMAND, OnCommand},
    {WM_INITDIALOG, OnInitDialog},
};
const MessageTable kOptionsMessageTable = MakeMessageTable(kOptionsMessages, kNoDefault);

INT_PTR CALLBACK OptionsDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DispatchMessageTable(kOptionsMessageTable, dialog, message, wParam, lParam);
}

} // namespace

LRESULT OnCmdOptions(HWND frame, WORD, WORD, HWND)
{
    DialogBoxParamA(AppInstance(), "OPTIONSDLG", frame, OptionsDlgProc, 0);
    return 0;
}
