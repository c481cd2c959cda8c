// frame.cpp - the frame window "Klemva" and its commands.
#include "frame.h"

#include <commctrl.h>

#include "aboutbox.h"
#include "appui.h"
#include "dispatch.h"
#include "docfile.h"
#include "docwindow.h"
#include "newmeas.h"
#include "optionsdlg.h"
#include "printdoc.h"
#include "resource.h"
#include "services.h"

namespace {

HWND g_toolbar;
HWND g_statusBar;
HACCEL g_accelerators;
// Tooltip texts are handed to the toolbar by address: the buffer must
// outlive the notification.
char g_tooltipText[64];

constexpr int kToolbarImages = 9;
constexpr int kToolbarImageWidth = 18;
constexpr int kToolbarImageHeight = 17;
constexpr int kWindowMenuPosition = 1; // "&Finestra"
// The Close-all command's answer: every document went, or the user kept one.
constexpr LRESULT kAllDocumentsClosed = 0;
constexpr LRESULT kCloseAllCancelled = 1;

// ---- Creation -----------------------------------------------------------

void CreateToolbar(HWND frame)
{
    TBBUTTON buttons[5] = {};
    const struct {
        int image;
        int command;
        BYTE state;
    } kButtons[4] = {
        {0, IDM_NEW, TBSTATE_ENABLED},
        {1, IDM_OPEN, TBSTATE_ENABLED},
        {2, IDM_SAVE, TBSTATE_INDETERMINATE},
        {6, IDM_PRINT, TBSTATE_INDETERMINATE},
    };
    for (int i = 0; i < 4; ++i) {
        buttons[i].iBitmap = kButtons[i].image;
        buttons[i].idCommand = kButtons[i].command;
        buttons[i].fsState = kButtons[i].state;
        buttons[i].fsStyle = TBSTYLE_BUTTON;
    }
    buttons[4].fsStyle = TBSTYLE_SEP;
    g_toolbar = CreateToolbarEx(frame, WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS, IDC_TOOLBAR,
                                kToolbarImages, AppInstance(), IDB_TOOLBAR, buttons, 5, 0, 0,
                                kToolbarImageWidth, kToolbarImageHeight, sizeof(TBBUTTON));
}

void CreateMdiClient(HWND frame)
{
    CLIENTCREATESTRUCT ccs = {};
    ccs.hWindowMenu = GetSubMenu(GetMenu(frame), kWindowMenuPosition);
    ccs.idFirstChild = IDM_FIRSTCHILD;
    HWND mdiClient = CreateWindowExA(
        0, "mdiclient", nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL, 0, 0, 0, 0,
        frame, reinterpret_cast<HMENU>(IDC_MDICLIENT), AppInstance(), &ccs);
    SetMdiClientWindow(mdiClient);
    ShowWindow(mdiClient, SW_SHOW);
}

void OpenCommandLineDocument(HWND frame)
{
    const char* path = CommandLineDocumentPath();
    if (*path)
        OpenDocumentFile(path, frame);
}

LRESULT OnCreate(HWND frame, UINT, WPARAM, LPARAM)
{
    SetFrameWindow(frame);
    CreateToolbar(frame);
    g_statusBar =
        CreateStatusWindowA(WS_CHILD | WS_VISIBLE | WS_BORDER, StatusText(), frame, IDC_STATUSBAR);
    CreateMdiClient(frame);
    CreateSharedObjects();
    g_accelerators = LoadAcceleratorsA(AppInstance(), AppName());
    OpenCommandLineDocument(frame);
    return 0;
}

LRESULT OnDestroy(HWND, UINT, WPARAM, LPARAM)
{
    DeleteSharedObjects();
    SetFrameWindow(nullptr);
    g_toolbar = nullptr;
    PostQuitMessage(0);
    return 0;
}

// ---- Layout, menus, toolbar ---------------------------------------------

LRESULT OnSize(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    SendMessageA(g_toolbar, message, wParam, lParam);
    SendMessageA(g_statusBar, message, wParam, lParam);
    SendMessageA(g_statusBar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(StatusText()));
    if (wParam == SIZE_MINIMIZED)
        return 0;
    RECT client, toolbar, status;
    GetClientRect(frame, &client);
    GetWindowRect(g_toolbar, &toolbar);
    GetWindowRect(g_statusBar, &status);
    POINT toolbarBottom = {toolbar.left, toolbar.bottom};
    POINT statusTop = {status.left, status.top};
    ScreenToClient(frame, &toolbarBottom);
    ScreenToClient(frame, &statusTop);
    MoveWindow(MdiClientWindow(), 0, toolbarBottom.y, client.right, statusTop.y - toolbarBottom.y,
               TRUE);
    return 0;
}

bool ActiveDocumentModified()
{
    HWND document = ActiveDocumentWindow();
    return OpenDocumentCount() > 0 && document && DocumentIsModified(document);
}

LRESULT OnInitMenu(HWND frame, UINT, WPARAM wParam, LPARAM)
{
    HMENU menu = reinterpret_cast<HMENU>(wParam);
    if (menu != GetMenu(frame))
        return 0;
    const UINT documentState = MF_BYCOMMAND | (OpenDocumentCount() > 0 ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(menu, IDM_CLOSE, documentState);
    EnableMenuItem(menu, IDM_SAVEAS, documentState);
    EnableMenuItem(menu, IDM_PRINT, documentState);
    EnableMenuItem(menu, IDM_SAVE,
                   MF_BYCOMMAND | (ActiveDocumentModified() ? MF_ENABLED : MF_GRAYED));
    return 0;
}

void SetToolbarButtonEnabled(int command, bool enabled)
{
    LRESULT state = SendMessageA(g_toolbar, TB_GETSTATE, command, 0);
    if (state == -1)
        return;
    BYTE next = static_cast<BYTE>(state & TBSTATE_PRESSED);
    next |= enabled ? TBSTATE_ENABLED : TBSTATE_INDETERMINATE;
    if (next != state)
        SendMessageA(g_toolbar, TB_SETSTATE, command, MAKELPARAM(next, 0));
}

void UpdateToolbarButtons()
{
    if (!g_toolbar)
        return;
    SetToolbarButtonEnabled(IDM_SAVE, ActiveDocumentModified());
    SetToolbarButtonEnabled(IDM_PRINT, OpenDocumentCount() > 0);
}

LRESULT OnNotify(HWND, UINT, WPARAM, LPARAM lParam)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->code == TTN_NEEDTEXTA) {
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
        LoadAppText(static_cast<int>(header->idFrom), g_tooltipText, sizeof g_tooltipText);
        info->lpszText = g_tooltipText;
    }
    return 0;
}

// ---- Closing -------------------------------------------------------------

// The document on top of the MDI client's children; the titles of
// minimised documents are owned windows and do not count.
HWND TopDocumentWindow()
{
    for (HWND child = GetWindow(MdiClientWindow(), GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (!GetWindow(child, GW_OWNER))
            return child;
    }
    return nullptr;
}

bool CloseAllDocuments(HWND frame)
{
    for (HWND document = TopDocumentWindow(); document; document = TopDocumentWindow()) {
        if (!QuerySaveDocument(frame))
            return false;
        SendMessageA(MdiClientWindow(), WM_MDIDESTROY, reinterpret_cast<WPARAM>(document), 0);
    }
    return true;
}

LRESULT OnClose(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!CloseAllDocuments(frame))
        return 0;
    return DefWindowProcA(frame, message, wParam, lParam);
}

LRESULT OnQueryEndSession(HWND frame, UINT, WPARAM, LPARAM)
{
    return QuerySaveDocument(frame);
}

// The frame's default processing goes through DefFrameProcA with its MDI
// client (the client's document list commands, 1310 on, among them).
LRESULT CALLBACK FrameDefaultProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefFrameProcA(frame, MdiClientWindow(), message, wParam, lParam);
}

// ---- Commands ------------------------------------------------------------

LRESULT OnCmdOpen(HWND frame, WORD, WORD, HWND)
{
    OpenDocumentCommand(frame);
    return 0;
}

LRESULT OnCmdSave(HWND frame, WORD, WORD, HWND)
{
    SaveCommand(frame);
    return 0;
}

LRESULT OnCmdSaveAs(HWND frame, WORD, WORD, HWND)
{
    SaveDocumentAs(frame);
    return 0;
}

LRESULT OnCmdClose(HWND, WORD, WORD, HWND)
{
    HWND document = ActiveDocumentWindow();
    if (document)
        SendMessageA(document, WM_CLOSE, 0, 0);
    return 0;
}

LRESULT OnCmdExit(HWND frame, WORD, WORD, HWND)
{
    if (SendMessageA(frame, WM_COMMAND, IDM_CLOSEALL, 0) == kAllDocumentsClosed)
        DestroyWindow(frame);
    return 0;
}

LRESULT OnCmdTile(HWND, WORD, WORD, HWND)
{
    SendMessageA(MdiClientWindow(), WM_MDITILE, 0, 0);
    return 0;
}

LRESULT OnCmdCascade(HWND, WORD, WORD, HWND)
{
    SendMessageA(MdiClientWindow(), WM_MDICASCADE, 0, 0);
    return 0;
}

LRESULT OnCmdArrangeIcons(HWND, WORD, WORD, HWND)
{
    SendMessageA(MdiClientWindow(), WM_MDIICONARRANGE, 0, 0);
    return 0;
}

LRESULT OnCmdCloseAll(HWND frame, WORD, WORD, HWND)
{
    return CloseAllDocuments(frame) ? kAllDocumentsClosed : kCloseAllCancelled;
}

const CommandEntry kFrameCommands[] = {
    {IDM_NEW, OnCmdNewMeasurement}, {IDM_OPEN, OnCmdOpen},
    {IDM_SAVE, OnCmdSave},          {IDM_SAVEAS, OnCmdSaveAs},
    {IDM_CLOSE, OnCmdClose},        {IDM_OPTIONS, OnCmdOptions},
    {IDM_PRINT, OnCmdPrint},        {IDM_PRINTSETUP, OnCmdPrinterSetup},
    {IDM_EXIT, OnCmdExit},          {IDM_TILE, OnCmdTile},
    {IDM_CASCADE, OnCmdCascade},    {IDM_ARRANGE, OnCmdArrangeIcons},
    {IDM_CLOSEALL, OnCmdCloseAll},  {IDM_ABOUT, OnCmdAbout},
};
// The MDI client's document list commands (1310 on) reach DefFrameProcA.
const CommandTable kFrameCommandTable = MakeCommandTable(kFrameCommands, FrameDefaultProc);

LRESULT OnCommand(HWND frame, UINT, WPARAM wParam, LPARAM lParam)
{
    return DispatchCommandTable(kFrameCommandTable, frame, wParam, lParam);
}

const MessageEntry kFrameMessages[] = {
    {WM_INITMENU, OnInitMenu}, {WM_COMMAND, OnCommand},
    {WM_CREATE, OnCreate},     {WM_DESTROY, OnDestroy},
    {WM_NOTIFY, OnNotify},     {WM_SIZE, OnSize},
    {WM_CLOSE, OnClose},       {WM_QUERYENDSESSION, OnQueryEndSession},
};
const MessageTable kFrameMessageTable = MakeMessageTable(kFrameMessages, FrameDefaultProc);

} // namespace

LRESULT CALLBACK FrameWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DispatchMessageTable(kFrameMessageTable, window, message, wParam, lParam);
}

int RunMessageLoop()
{
    MSG msg;
    for (;;) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
            UpdateToolbarButtons();
        if (GetMessageA(&msg, nullptr, 0, 0) <= 0)
            break;
        if (MdiClientWindow() && TranslateMDISysAccel(MdiClientWindow(), &msg))
            continue;
        if (FrameWindow() && TranslateAcceleratorA(FrameWindow(), g_accelerators, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
