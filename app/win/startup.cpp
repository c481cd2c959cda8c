// startup.cpp - the program's entry: settings, file association, window
// classes, the frame, the crash handler, then the frame's message loop.
#include "startup.h"

#include <commctrl.h>
#include <cstdio>
#include <cstring>

#include "appui.h"
#include "docfile.h"
#include "docwindow.h"
#include "frame.h"
#include "hintport.h"
#include "resource.h"
#include "services.h"
#include "settings.h"

namespace {

const char kDocumentExtension[] = ".klv";
const char kDocumentType[] = "Klemva.Document.1";
const char kDefaultIconKey[] = "Klemva.Document.1\\DefaultIcon";
const char kOpenCommandKey[] = "Klemva.Document.1\\shell\\open\\command";

void EnsureSettingsKey()
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
}

// The port finder leaves the port it found in the working directory; it
// seeds "Port" once, and never replaces a port the user has chosen.
void SeedPortFromHintFile()
{
    HKEY settings = OpenSettings();
    if (!settings)
        return;
    DWORD port = 0, type = 0, size = sizeof port;
    bool present = RegQueryValueExA(settings, kPortValue, nullptr, &type,
                                    reinterpret_cast<BYTE*>(&port), &size) == ERROR_SUCCESS;
    if (!present) {
        FILE* hint = std::fopen(kHintFileName, "r");
        if (hint) {
            char text[64];
            std::size_t n = std::fread(text, 1, sizeof text, hint);
            std::fclose(hint);
            int index;
            if (ParseHintPort(text, n, &index))
                WriteDwordValue(settings, kPortValue, static_cast<DWORD>(index));
        }
    }
    RegCloseKey(settings);
}

void SetClassesRootDefault(const char* path, const char* text, DWORD size)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    WriteStringBytes(key, nullptr, text, size);
    RegCloseKey(key);
}

// The folder of the program file from the 2.0 key; when the installation
// left none, the folder this program runs from, so the association still
// points at a program.
void ProgramFolder(char* folder, DWORD size)
{
    if (ReadUserString(kVersionKey, kDirectoryValue, folder, size))
        return;
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    char* slash = std::strrchr(path, '\\');
    if (slash)
        *slash = '\0';
    lstrcpynA(folder, path, size);
}

void WriteFileAssociation()
{
    char folder[256] = {};
    ProgramFolder(folder, sizeof folder);
    SetClassesRootDefault(kDocumentExtension, kDocumentType, sizeof kDocumentType);
    char text[300];
    wsprintfA(text, "%s\\KLEMVA.EXE,1", folder);
    SetClassesRootDefault(kDefaultIconKey, text, lstrlenA(text));
    wsprintfA(text, "%s\\KLEMVA.EXE %%1", folder);
    SetClassesRootDefault(kOpenCommandKey, text, lstrlenA(text));
}

bool RegisterWindowClass(const WNDCLASSEXA& wcx)
{
    if (RegisterClassExA(&wcx))
        return true;
    WNDCLASSA wc = {};
    wc.style = wcx.style;
    wc.lpfnWndProc = wcx.lpfnWndProc;
    wc.hInstance = wcx.hInstance;
    wc.hIcon = wcx.hIcon;
    wc.hCursor = wcx.hCursor;
    wc.hbrBackground = wcx.hbrBackground;
    wc.lpszMenuName = wcx.lpszMenuName;
    wc.lpszClassName = wcx.lpszClassName;
    return RegisterClassA(&wc) != 0;
}

WNDCLASSEXA ClassTemplate(HINSTANCE instance, int icon)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(icon));
    wc.hIconSm = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(icon), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    return wc;
}

LONG WINAPI UnhandledExceptionFilterProc(EXCEPTION_POINTERS* info)
{
    ShowSystemError(nullptr, info->ExceptionRecord->ExceptionCode);
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

bool InitApplication(HINSTANCE instance, int showCommand)
{
    EnsureSettingsKey();
    SeedPortFromHintFile();
    WriteFileAssociation();
    InitCommonControls();

    WNDCLASSEXA frame = ClassTemplate(instance, IDI_KLEMVA);
    frame.style = CS_HREDRAW | CS_VREDRAW;
    frame.lpfnWndProc = FrameWndProc;
    frame.lpszMenuName = AppName();
    frame.lpszClassName = AppName();
    if (!RegisterWindowClass(frame))
        return false;
    WNDCLASSEXA document = ClassTemplate(instance, IDI_DOCUMENT);
    document.lpfnWndProc = DocumentWndProc;
    document.lpszClassName = kDocumentClass;
    if (!RegisterWindowClass(document))
        return false;
    SetDocumentCloseQuery(QuerySaveDocument);

    HWND window =
        CreateWindowExA(0, AppName(), AppName(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!window) {
        ShowSystemError(nullptr, GetLastError());
        return false;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    SetUnhandledExceptionFilter(UnhandledExceptionFilterProc);
    return true;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int showCommand)
{
    InitAppIdentity(instance, commandLine);
    if (!InitApplication(instance, showCommand))
        return 0;
    return RunMessageLoop();
}
