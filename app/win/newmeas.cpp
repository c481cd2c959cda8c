// newmeas.cpp - the New command: the record of the new series, the
// description dialog (which runs the measurement), the document window built
// from the record and, with AutoSave on, its first save under a name made of
// the UTC date and the day's running number.
#include "newmeas.h"

#include <shlobj.h>

#include "appstrings.h"
#include "appui.h"
#include "autosavename.h"
#include "descrdlg.h"
#include "docfile.h"
#include "docwindow.h"
#include "services.h"
#include "messdescr.h"
#include "settings.h"

namespace {

constexpr DWORD kDirectoryBytes = 80;
constexpr DWORD kLastDateChars = 8; // written without a NUL

struct NewMeasSettings {
    SYSTEMTIME today;
    char directory[MAX_PATH];
    HKEY settingsKey; // Einstellungen; null when it cannot be opened
    DWORD autoSave;
};

// Without a `directory` setting new measurements go to the user's documents
// folder (the current folder if there is none).
void DefaultSaveFolder(char* folder, std::size_t size)
{
    char path[MAX_PATH] = "";
    if (SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK ||
        !path[0])
        GetCurrentDirectoryA(sizeof(path), path);
    lstrcpynA(folder, path, static_cast<int>(size));
}

bool KeyExists(const char* path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// The date, the save folder, AutoSave and the open Einstellungen key. False
// when the product or the 2.0 key is missing: the command then does nothing.
bool OpenNewMeasSettings(NewMeasSettings* s)
{
    GetSystemTime(&s->today);
    if (!KeyExists(kProductKey) || !KeyExists(kVersionKey))
        return false;
    if (!ReadUserString(kProductKey, kDirectoryValue, s->directory, kDirectoryBytes))
        DefaultSaveFolder(s->directory, sizeof(s->directory));
    s->settingsKey = OpenSettings(false);
    s->autoSave = s->settingsKey ? ReadDwordValue(s->settingsKey, kAutoSaveValue, 0) : 0;
    return true;
}

void CloseNewMeasSettings(NewMeasSettings* s)
{
    if (s->settingsKey)
        RegCloseKey(s->settingsKey);
}

// Names the new document after the date and the day's number, advances the
// numbering and writes the file. A failed write reports itself; the
// numbering stays advanced.
void AutoSaveDocument(HWND document, const NewMeasSettings& s)
{
    const SYSTEMTIME& t = s.today;
    char today[kAutoSaveDateSize];
    AutoSaveDateText(today, t.wYear, t.wMonth, t.wDay);
    char lastDate[kAutoSaveDateSize] = "";
    const bool haveLastDate =
        ReadStringValue(s.settingsKey, kLastDateValue, lastDate, sizeof(lastDate));
    const int n = AutoSaveNumber(haveLastDate ? lastDate : nullptr, today,
                                 static_cast<int>(ReadDwordValue(s.settingsKey, kNumberValue, 0)));
    char path[MAX_PATH + 32];
    AutoSaveName(path, sizeof(path), s.directory, t.wYear, t.wMonth, t.wDay, n);
    SetWindowTextA(document, path);
    WriteStringBytes(s.settingsKey, kLastDateValue, today, kLastDateChars);
    WriteDwordValue(s.settingsKey, kNumberValue, n + 1);
    SaveDocument(document);
}

} // namespace

LRESULT OnCmdNewMeasurement(HWND frame, WORD, WORD, HWND)
{
    NewMeasSettings settings{};
    if (!OpenNewMeasSettings(&settings))
        return 0;
    MessDescr* descr = AllocMessDescr();
    if (descr && RunDescriptionDialog(frame, descr)) {
        char title[64];
        FormatAppText(title, sizeof(title), IDS_UNTITLED, UntitledCounter);
        HWND document = CreateDocumentWindow(title, descr);
        if (!document)
            FreeMessDescr(descr);
        else if (settings.autoSave && settings.settingsKey)
            AutoSaveDocument(document, settings);
    } else {
        FreeMessDescr(descr);
    }
    CloseNewMeasSettings(&settings);
    return 0;
}
