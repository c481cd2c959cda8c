// services.cpp - the state the program's windows share.
#include "services.h"

#include "centering.h"
#include "appstrings.h"

int UntitledCounter = 1;

namespace {

HINSTANCE g_instance;
char g_appName[9];
char g_statusText[100];
char g_commandLinePath[kCommandLinePathSize];
HWND g_frame;
HWND g_mdiClient;
HFONT g_normalFont;
HFONT g_boldFont;
HCURSOR g_waitCursor;

constexpr int kFontHeight = 10;

HFONT CreateHelvFont(int weight)
{
    return CreateFontA(kFontHeight, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0,
                       "Helv");
}

} // namespace

void InitAppIdentity(HINSTANCE instance, const char* commandLine)
{
    g_instance = instance;
    LoadStringA(instance, IDS_APP_NAME, g_appName, sizeof g_appName);
    LoadStringA(instance, IDS_STATUS_TEXT, g_statusText, sizeof g_statusText);
    if (commandLine && *commandLine)
        lstrcpynA(g_commandLinePath, commandLine, sizeof g_commandLinePath);
}

HINSTANCE AppInstance()
{
    return g_instance;
}

const char* AppName()
{
    return g_appName;
}

const char* StatusText()
{
    return g_statusText;
}

const char* CommandLineDocumentPath()
{
    return g_commandLinePath;
}

void SetFrameWindow(HWND frame)
{
    g_frame = frame;
}

void SetMdiClientWindow(HWND mdiClient)
{
    g_mdiClient = mdiClient;
}

HWND FrameWindow()
{
    return g_frame;
}

HWND MdiClientWindow()
{
    return g_mdiClient;
}

HWND ActiveDocumentWindow()
{
    if (!g_mdiClient)
        return nullptr;
    return reinterpret_cast<HWND>(SendMessageA(g_mdiClient, WM_MDIGETACTIVE, 0, 0));
}

int OpenDocumentCount()
{
    if (!g_mdiClient)
        return 0;
    int count = 0;
    for (HWND child = GetWindow(g_mdiClient, GW_CHILD); child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (!GetWindow(child, GW_OWNER))
            ++count;
    }
    return count;
}

void CreateSharedObjects()
{
    g_waitCursor = LoadCursorA(nullptr, IDC_WAIT);
    g_normalFont = CreateHelvFont(FW_NORMAL);
    g_boldFont = CreateHelvFont(FW_BOLD);
}

void DeleteSharedObjects()
{
    DeleteObject(g_normalFont);
    DeleteObject(g_boldFont);
    g_normalFont = g_boldFont = nullptr;
}

HFONT NormalFont()
{
    return g_normalFont;
}

HFONT BoldFont()
{
    return g_boldFont;
}

HCURSOR WaitCursor()
{
    return g_waitCursor;
}

void CenterWindowOver(HWND window, HWND reference)
{
    RECT own, ref;
    GetWindowRect(window, &own);
    GetWindowRect(reference, &ref);
    HDC dc = GetDC(window);
    const int screenWidth = GetDeviceCaps(dc, HORZRES);
    const int screenHeight = GetDeviceCaps(dc, VERTRES);
    ReleaseDC(window, dc);
    const ScreenPoint corner =
        CenteredPosition(own.right - own.left, own.bottom - own.top, ref.left, ref.top, ref.right,
                         ref.bottom, screenWidth, screenHeight);
    SetWindowPos(window, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
