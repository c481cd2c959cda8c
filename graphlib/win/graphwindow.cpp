// The window class "GraphWindow": creation of its block, graph list, toggle
// button and context menu, the ownership rules on destroy, and its messages.
#include "graphwindow.h"

#include "dispatch.h"
#include "graphstate.h"

#include "globalmem.h"
#include "graphinput.h"
#include "graphlist.h"
#include "graphpaint.h"
#include "propview.h"

#include <windowsx.h>

namespace {

HMENU CreateContextMenu()
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return nullptr;
    AppendMenuA(menu, MF_STRING | MF_CHECKED, kCmdZoom, "Zoom");
    AppendMenuA(menu, MF_STRING, kCmdCursor, "Cursor");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kCmdSettings, "Einstellungen...");
    return menu;
}

bool HasGraphListStyle(HWND hWnd)
{
    return (GetWindowLongPtrA(hWnd, GWL_STYLE) & kGraphStyleGraphList) != 0;
}

LRESULT OnCreate(HWND hWnd, UINT, WPARAM wParam, LPARAM lParam)
{
    GraphData* d = static_cast<GraphData*>(AllocLocked(sizeof(GraphData)));
    if (d) {
        InitGraphDataDefaults(d);
        ForgetGraphData(hWnd);
        SetPropA(hWnd, kPropGraphData, d);
        d->hGraphList = CreateGraphList(hWnd, g_hLibInstance);
    }
    HWND button = CreateWindowA("BUTTON", ">", WS_CHILD | BS_PUSHBUTTON, 0, 0, 20, 20, hWnd,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdToggleButton)),
                                g_hLibInstance, nullptr);
    if (HasGraphListStyle(hWnd)) {
        if (d && d->hGraphList)
            ShowWindow(d->hGraphList, SW_SHOW);
        ShowWindow(button, SW_SHOW);
    }
    SetFocus(hWnd);
    if (d)
        d->hPopupMenu = CreateContextMenu();
    return DefWindowProcA(hWnd, WM_CREATE, wParam, lParam);
}

// The library frees everything it allocated for the window: menu and list
// first, then each graph's buffer and record, then the block.
LRESULT OnDestroy(HWND hWnd, UINT, WPARAM wParam, LPARAM lParam)
{
    GraphData* d = GraphDataOf(hWnd);
    if (d) {
        if (d->hPopupMenu)
            DestroyMenu(d->hPopupMenu);
        DestroyGraphList(d->hGraphList);
        for (int i = 0; i < d->nGraphs && i < GRAPH_MAX_GRAPHS; ++i) {
            GraphRecord* g = d->pGraphs[i];
            if (!g)
                continue;
            FreeLocked(g->pData);
            FreeLocked(g);
        }
        FreeLocked(d);
    }
    HBITMAP image = static_cast<HBITMAP>(RemovePropA(hWnd, kPropBitmap));
    if (image)
        DeleteObject(image);
    RemovePropA(hWnd, kPropGraphData);
    ForgetGraphData(hWnd);
    RemovePropA(hWnd, kPropDirty);
    return DefWindowProcA(hWnd, WM_DESTROY, wParam, lParam);
}

LRESULT OnSize(HWND hWnd, UINT, WPARAM, LPARAM lParam)
{
    int cx = GET_X_LPARAM(lParam);
    int cy = GET_Y_LPARAM(lParam);
    GraphData* d = GraphDataOf(hWnd);
    if (d)
        d->bRedraw = 1;
    HWND button = GetDlgItem(hWnd, kIdToggleButton);
    if (button)
        MoveWindow(button, cx - 31, 9, 20, 20, TRUE);
    if (d && d->hGraphList)
        MoveWindow(d->hGraphList, cx - 170, 29, 160, cy - 75, TRUE);
    return 0;
}

LRESULT OnPaint(HWND hWnd, UINT, WPARAM, LPARAM)
{
    return PaintGraphWindow(hWnd);
}

LRESULT OnGetModify(HWND hWnd, UINT, WPARAM, LPARAM)
{
    return GetDirtyFlag(hWnd);
}

LRESULT OnSetModify(HWND hWnd, UINT, WPARAM wParam, LPARAM)
{
    SetDirtyFlag(hWnd, static_cast<INT_PTR>(wParam));
    return 1;
}

void ToggleGraphList(HWND hWnd)
{
    GraphData* d = GraphDataOf(hWnd);
    LONG_PTR style = GetWindowLongPtrA(hWnd, GWL_STYLE);
    HWND button = GetDlgItem(hWnd, kIdToggleButton);
    bool show = (style & kGraphStyleGraphList) == 0;
    SetWindowLongPtrA(hWnd, GWL_STYLE,
                      show ? (style | kGraphStyleGraphList) : (style & ~kGraphStyleGraphList));
    if (d && d->hGraphList)
        ShowWindow(d->hGraphList, show ? SW_SHOW : SW_HIDE);
    if (button)
        SetWindowTextA(button, show ? ">" : "<");
    InvalidateGraphWindow(hWnd, d);
}

LRESULT OnCmdToggleList(HWND hWnd, WORD, WORD, HWND)
{
    ToggleGraphList(hWnd);
    return 0;
}

LRESULT OnCmdZoom(HWND hWnd, WORD, WORD, HWND)
{
    _SetCursorMode(hWnd, kCursorModeZoom);
    return 0;
}

LRESULT OnCmdCursor(HWND hWnd, WORD, WORD, HWND)
{
    _SetCursorMode(hWnd, kCursorModeCursor);
    return 0;
}

LRESULT OnCmdSettings(HWND hWnd, WORD, WORD, HWND)
{
    ShowPropertyView(hWnd);
    return 0;
}

const CommandEntry kGraphCommands[] = {
    {kIdToggleButton, OnCmdToggleList},
    {kCmdZoom, OnCmdZoom},
    {kCmdCursor, OnCmdCursor},
    {kCmdSettings, OnCmdSettings},
};
// Other commands are answered with 0.
const CommandTable kGraphCommandTable = MakeCommandTable(kGraphCommands, kNoDefault);

LRESULT OnCommand(HWND hWnd, UINT, WPARAM wParam, LPARAM lParam)
{
    return DispatchCommandTable(kGraphCommandTable, hWnd, wParam, lParam);
}

LRESULT OnNotify(HWND hWnd, UINT, WPARAM wParam, LPARAM lParam)
{
    const NMHDR* nm = reinterpret_cast<const NMHDR*>(lParam);
    if (nm && nm->idFrom == kIdGraphList && nm->code == NM_DBLCLK)
        OnGraphListDoubleClick(hWnd);
    return DefWindowProcA(hWnd, WM_NOTIFY, wParam, lParam);
}

LRESULT OnLButtonDown(HWND hWnd, UINT, WPARAM, LPARAM lParam)
{
    OnGraphLButtonDown(hWnd, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    return 0;
}

LRESULT OnMouseMove(HWND hWnd, UINT, WPARAM wParam, LPARAM lParam)
{
    if (OnGraphMouseMove(hWnd, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)))
        return 0;
    return DefWindowProcA(hWnd, WM_MOUSEMOVE, wParam, lParam);
}

LRESULT OnLButtonUp(HWND hWnd, UINT, WPARAM, LPARAM)
{
    return OnGraphLButtonUp(hWnd);
}

LRESULT OnKeyDown(HWND hWnd, UINT, WPARAM wParam, LPARAM)
{
    OnGraphKeyDown(hWnd, wParam);
    return 0;
}

LRESULT OnRButtonUp(HWND hWnd, UINT, WPARAM, LPARAM lParam)
{
    GraphData* d = GraphDataOf(hWnd);
    if (!d || !d->hPopupMenu)
        return 0;
    POINT pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(hWnd, &pt);
    TrackPopupMenu(d->hPopupMenu, TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hWnd, nullptr);
    return 0;
}

const MessageEntry kGraphMessages[] = {
    {WM_CREATE, OnCreate},       {WM_DESTROY, OnDestroy},     {WM_SIZE, OnSize},
    {WM_PAINT, OnPaint},         {EM_GETMODIFY, OnGetModify}, {EM_SETMODIFY, OnSetModify},
    {WM_COMMAND, OnCommand},     {WM_NOTIFY, OnNotify},       {WM_LBUTTONDOWN, OnLButtonDown},
    {WM_MOUSEMOVE, OnMouseMove}, {WM_LBUTTONUP, OnLButtonUp}, {WM_RBUTTONUP, OnRButtonUp},
    {WM_KEYDOWN, OnKeyDown},
};
const MessageTable kGraphMessageTable = MakeMessageTable(kGraphMessages, DefWindowProcA);

} // namespace

extern "C" VARNOK_API LRESULT CALLBACK GraphWndProc(HWND hWnd, UINT uMsg, WPARAM wParam,
                                                    LPARAM lParam)
{
    return DispatchMessageTable(kGraphMessageTable, hWnd, uMsg, wParam, lParam);
}

bool RegisterGraphWindowClass()
{
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS;
    wc.lpfnWndProc = GraphWndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = g_hLibInstance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszClassName = kGraphClassName;
    return RegisterClassA(&wc) != 0;
}

void UnregisterGraphWindowClass()
{
    UnregisterClassA(kGraphClassName, g_hLibInstance);
}
