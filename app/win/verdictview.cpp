// verdictview.cpp - the verdict control (see verdictview.h).
#include "verdictview.h"

#include <string>

#include "dispatch.h"
#include "services.h"
#include "verdicttext.h"

const char kVerdictViewClass[] = "KlvVerdict";

namespace {

const COLORREF kPassColour = RGB(0, 128, 0);
const COLORREF kFaultColour = RGB(192, 0, 0);

COLORREF ColourOf(const std::string& part)
{
    switch (ToneOf(part)) {
    case VerdictTone::Pass:
        return kPassColour;
    case VerdictTone::Fault:
        return kFaultColour;
    default:
        return GetSysColor(COLOR_WINDOWTEXT);
    }
}

// Draws one line at y, word-wrapped, and returns the height it took.
int DrawLine(HDC dc, const std::string& line, int y, int width)
{
    RECT box = {0, y, width, y};
    DrawTextA(dc, line.c_str(), static_cast<int>(line.size()), &box,
              DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    box.right = width;
    SetTextColor(dc, ColourOf(line));
    DrawTextA(dc, line.c_str(), static_cast<int>(line.size()), &box, DT_WORDBREAK | DT_NOPREFIX);
    return box.bottom - y;
}

LRESULT OnPaint(HWND view, UINT, WPARAM, LPARAM)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(view, &paint);
    RECT client;
    GetClientRect(view, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    HFONT font = reinterpret_cast<HFONT>(GetWindowLongPtrA(view, GWLP_USERDATA));
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    char text[4096];
    GetWindowTextA(view, text, sizeof text);
    const std::string all = text;
    int y = 0;
    std::size_t start = 0;
    while (start < all.size() && y < client.bottom) {
        std::size_t end = all.find("\r\n", start);
        if (end == std::string::npos)
            end = all.size();
        y += DrawLine(dc, all.substr(start, end - start), y, client.right);
        start = end + 2;
    }
    if (oldFont)
        SelectObject(dc, oldFont);
    EndPaint(view, &paint);
    return 0;
}

LRESULT OnSetText(HWND view, UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = DefWindowProcA(view, message, wParam, lParam);
    InvalidateRect(view, nullptr, TRUE);
    return result;
}

LRESULT OnSetFont(HWND view, UINT, WPARAM wParam, LPARAM lParam)
{
    SetWindowLongPtrA(view, GWLP_USERDATA, static_cast<LONG_PTR>(wParam));
    if (LOWORD(lParam))
        InvalidateRect(view, nullptr, TRUE);
    return 0;
}

LRESULT OnGetFont(HWND view, UINT, WPARAM, LPARAM)
{
    return GetWindowLongPtrA(view, GWLP_USERDATA);
}

LRESULT OnSize(HWND view, UINT, WPARAM, LPARAM)
{
    InvalidateRect(view, nullptr, TRUE);
    return 0;
}

const MessageEntry kVerdictMessages[] = {
    {WM_PAINT, OnPaint},     {WM_SETTEXT, OnSetText}, {WM_SETFONT, OnSetFont},
    {WM_GETFONT, OnGetFont}, {WM_SIZE, OnSize},
};
const MessageTable kVerdictMessageTable = MakeMessageTable(kVerdictMessages, DefWindowProcA);

LRESULT CALLBACK VerdictViewProc(HWND view, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DispatchMessageTable(kVerdictMessageTable, view, message, wParam, lParam);
}

bool RegisterVerdictView()
{
    static bool registered = false;
    if (registered)
        return true;
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = VerdictViewProc;
    windowClass.hInstance = AppInstance();
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = kVerdictViewClass;
    registered = RegisterClassA(&windowClass) != 0;
    return registered;
}

} // namespace

HWND CreateVerdictView(HWND parent, const char* text, int x, int y, int width, int height,
                       HFONT font, int id, bool visible)
{
    if (!RegisterVerdictView())
        return nullptr;
    HWND view = CreateWindowExA(
        0, kVerdictViewClass, text, WS_CHILD | (visible ? WS_VISIBLE : 0), x, y, width, height,
        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), AppInstance(), nullptr);
    if (view)
        SendMessageA(view, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return view;
}
