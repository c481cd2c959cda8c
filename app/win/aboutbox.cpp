// aboutbox.cpp - the about box. Controls 100 to 104 carry, as their template
// text, the name of the version string they show, so the dialog template
// alone decides what the box says and in what order.
#include "aboutbox.h"

#include "aboutboxres.h"
#include "dispatch.h"
#include "services.h"

namespace {

constexpr int kVersionNameChars = 256;
const char kVersionStringBlock[] = "\\StringFileInfo\\040904E4\\";

// What the open box made and must delete when it closes (one box at a time:
// it is modal and owned by the frame).
HFONT g_aboutFont = nullptr;
HBITMAP g_aboutEmblem = nullptr;

// Replaces each control's template text by the version string it names; a
// string that is missing or empty leaves the name visible.
void ShowVersionStrings(HWND dialog)
{
    char path[256] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0)
        return;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    void* info = block ? GlobalLock(block) : nullptr;
    if (info && GetFileVersionInfoA(path, 0, size, info)) {
        for (int id = IDC_ABOUT_COMPANY; id <= IDC_ABOUT_NAME; ++id) {
            char query[sizeof kVersionStringBlock + kVersionNameChars] = {};
            lstrcpyA(query, kVersionStringBlock);
            GetDlgItemTextA(dialog, id, query + lstrlenA(query), kVersionNameChars);
            char* value = nullptr;
            UINT length = 0;
            if (VerQueryValueA(info, query, reinterpret_cast<void**>(&value), &length) &&
                length > 0 && value && *value)
                SetDlgItemTextA(dialog, id, value);
        }
    }
    if (info)
        GlobalUnlock(block);
    if (block)
        GlobalFree(block);
}

// 8-point "Arial" for the head lines but the name, and for the OK button.
void SetAboutFont(HWND dialog)
{
    HDC dc = GetDC(dialog);
    const int height = -MulDiv(GetDeviceCaps(dc, LOGPIXELSY), 8, 72);
    ReleaseDC(dialog, dc);
    g_aboutFont = CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    const int fontControls[] = {IDOK, IDC_ABOUT_COMPANY, IDC_ABOUT_DESCRIPTION, IDC_ABOUT_VERSION,
                                IDC_ABOUT_COPYRIGHT};
    for (int id : fontControls)
        SendDlgItemMessageA(dialog, id, WM_SETFONT, reinterpret_cast<WPARAM>(g_aboutFont), 0);
}

LRESULT OnInitDialog(HWND dialog, UINT, WPARAM, LPARAM)
{
    CenterWindowOver(dialog, GetWindow(dialog, GW_OWNER));
    SetAboutFont(dialog);
    ShowVersionStrings(dialog);
    g_aboutEmblem = LoadBitmapA(AppInstance(), MAKEINTRESOURCEA(IDB_ABOUT_EMBLEM));
    SendDlgItemMessageA(dialog, IDC_ABOUT_EMBLEM, STM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(g_aboutEmblem));
    return TRUE;
}

LRESULT OnCmdClose(HWND dialog, WORD, WORD, HWND)
{
    if (g_aboutFont)
        DeleteObject(g_aboutFont);
    if (g_aboutEmblem)
        DeleteObject(g_aboutEmblem);
    g_aboutFont = nullptr;
    g_aboutEmblem = nullptr;
    EndDialog(dialog, 1);
    return TRUE;
}

const CommandEntry kAboutCommands[] = {
    {IDOK, OnCmdClose},
    {IDCANCEL, OnCmdClose},
};
const CommandTable kAboutCommandTable = MakeCommandTable(kAboutCommands, kNoDefault);

LRESULT OnCommand(HWND dialog, UINT, WPARAM wParam, LPARAM lParam)
{
    return DispatchCommandTable(kAboutCommandTable, dialog, wParam, lParam);
}

const MessageEntry kAboutMessages[] = {
    {WM_INITDIALOG, OnInitDialog},
    {WM_COMMAND, OnCommand},
};
const MessageTable kAboutMessageTable = MakeMessageTable(kAboutMessages, kNoDefault);

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DispatchMessageTable(kAboutMessageTable, dialog, message, wParam, lParam);
}

} // namespace

LRESULT OnCmdAbout(HWND frame, WORD, WORD, HWND)
{
    DialogBoxParamA(AppInstance(), "AboutBox", frame, AboutDlgProc, 0);
    return 0;
}
