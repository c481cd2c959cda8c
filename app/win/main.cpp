// klemva99_it: start-up of the measurement program.
// For now the frame opens as a plain window; the MDI frame, its menus and
// documents are built on top of this entry point.
#include <windows.h>

namespace {

const char kFrameClass[] = "KlemvaFrame";
const char kFrameTitle[] = "Klemva";

LRESULT CALLBACK FrameWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

bool RegisterFrameClass(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FrameWndProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = kFrameClass;
    return RegisterClassA(&wc) != 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCmd)
{
    if (!RegisterFrameClass(instance))
        return 1;
    HWND frame = CreateWindowA(kFrameClass, kFrameTitle, WS_OVERLAPPEDWINDOW,
                               CW_USEDEFAULT, CW_USEDEFAULT, 800, 600,
                               nullptr, nullptr, instance, nullptr);
    if (!frame)
        return 1;
    ShowWindow(frame, showCmd);
    UpdateWindow(frame);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
