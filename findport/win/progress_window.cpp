#include "progress_window.h"

#include <commctrl.h>

#include <utility>

#include "dispatch.h"
#include "resource.h"
#include "runtime_error.h"
#include "texts.h"

namespace findport {

namespace {

constexpr wchar_t kClassName[] = L"FindKLVProgress";
constexpr int kInnerWidth = 600;
constexpr int kInnerHeight = 100;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION; // no system menu, so no close box
// Above other windows from its first appearance: an installer's window must
// not hide the search.
constexpr DWORD kExStyle = WS_EX_TOPMOST;

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(instance, kClassName, &wc))
        return;
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = procedure;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc))
        throw FINDKLV_FAULT(L"Can't register the window class");
}

LRESULT OnClose(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

// The outer rectangle whose client area is 600 x 100, centred on the screen.
RECT CentredWindowRect()
{
    RECT rect{0, 0, kInnerWidth, kInnerHeight};
    AdjustWindowRectEx(&rect, kStyle, FALSE, kExStyle);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    return RECT{x, y, x + width, y + height};
}

} // namespace

ProgressWindow::~ProgressWindow()
{
    Close();
}

LRESULT ProgressWindow::OnNcCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT ProgressWindow::OnCmdCancel(HWND window, WORD command, WORD code, HWND control)
{
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || code != BN_CLICKED)
        return DefWindowProcW(window, WM_COMMAND, MAKEWPARAM(command, code),
                              reinterpret_cast<LPARAM>(control));
    self->cancelClicked_ = true;
    return 0;
}

LRESULT ProgressWindow::OnCommand(HWND window, UINT, WPARAM wParam, LPARAM lParam)
{
    static const CommandEntry kCommands[] = {{IDC_CANCEL, OnCmdCancel}};
    static const CommandTable kCommandTable = MakeCommandTable(kCommands, DefWindowProcW);
    return DispatchCommandTable(kCommandTable, window, wParam, lParam);
}

LRESULT CALLBACK ProgressWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    static const MessageEntry kMessages[] = {
        {WM_NCCREATE, OnNcCreate},
        {WM_COMMAND, OnCommand},
        {WM_CLOSE, OnClose}, // the window goes when the search ends; Cancel is the way out
    };
    static const MessageTable kMessageTable = MakeMessageTable(kMessages, DefWindowProcW);
    return DispatchMessageTable(kMessageTable, window, message, wParam, lParam);
}

void ProgressWindow::CreateGadgets()
{
    const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    progress_ =
        CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 10, 10, 580,
                        25, window_, reinterpret_cast<HMENU>(IDC_PROGRESS), instance_, nullptr);
    if (!progress_)
        throw FINDKLV_FAULT(L"Can't create the progress bar");
    SendMessageW(progress_, PBM_SETRANGE32, 0, static_cast<LPARAM>(kTimedPhaseMs));
    const std::wstring caption = LoadText(IDS_CANCEL);
    HWND cancel = CreateWindowExW(
        0, L"BUTTON", caption.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 500, 70,
        90, 20, window_, reinterpret_cast<HMENU>(IDC_CANCEL), instance_, nullptr);
    if (!cancel)
        throw FINDKLV_FAULT(L"Can't create the Cancel button");
    SendMessageW(cancel, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void ProgressWindow::Open()
{
    NoteSourceLine(__LINE__);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    RegisterWindowClass(instance_, WindowProc);
    const RECT rect = CentredWindowRect();
    const std::wstring title = LoadText(IDS_WINDOW_TITLE);
    window_ = CreateWindowExW(kExStyle, kClassName, title.c_str(), kStyle, rect.left, rect.top,
                              rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                              instance_, this);
    if (!window_)
        throw FINDKLV_FAULT(L"Can't open the window");
    CreateGadgets();
    ShowWindow(window_, SW_SHOW);
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    UpdateWindow(window_);
}

bool ProgressWindow::WaitForEvent(uint32_t maxMs)
{
    NoteSourceLine(__LINE__);
    MSG msg;
    bool got = PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
    if (!got) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, maxMs, QS_ALLINPUT);
        got = PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
    }
    if (got) {
        if (!window_ || !IsDialogMessageW(window_, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // A click reaches the window procedure while a message is dispatched or
    // while a sent message is delivered during the wait.
    return std::exchange(cancelClicked_, false);
}

void ProgressWindow::SetProgress(uint32_t elapsedMs)
{
    if (progress_)
        SendMessageW(progress_, PBM_SETPOS, elapsedMs, 0);
}

void ProgressWindow::Close()
{
    if (!window_)
        return;
    DestroyWindow(window_);
    window_ = nullptr;
    progress_ = nullptr;
}

bool ProgressWindow::AskSearchAgain()
{
    NoteSourceLine(__LINE__);
    const std::wstring text = FailureMessage();
    const std::wstring caption = LoadText(IDS_ERROR_CAPTION);
    return MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_YESNO) == IDYES;
}

} // namespace findport
