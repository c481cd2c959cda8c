// appui.cpp - string loading and message boxes.
#include "appui.h"

#include <cstdarg>

#include "services.h"

const char kAppCaption[] = "Klemva";

char* LoadAppText(int id, char* buf, int size)
{
    if (size <= 0)
        return buf;
    buf[0] = '\0';
    if (LoadStringA(AppInstance(), id, buf, size) <= 0)
        buf[0] = '\0';
    return buf;
}

char* FormatAppText(char* buf, int size, int id, ...)
{
    char format[1024];
    LoadAppText(id, format, sizeof format);
    va_list args;
    va_start(args, id);
    char text[1025]; // wvsprintfA writes at most 1024 characters
    wvsprintfA(text, format, args);
    va_end(args);
    lstrcpynA(buf, text, size);
    return buf;
}

void ShowErrorMessage(HWND owner, const char* caption, int id, ...)
{
    char format[256];
    LoadAppText(id, format, sizeof format);
    va_list args;
    va_start(args, id);
    char text[1025];
    wvsprintfA(text, format, args);
    va_end(args);
    MessageBoxA(owner, text, caption, MB_OK | MB_ICONERROR);
}

char* SystemErrorText(DWORD code, char* buf, int size)
{
    buf[0] = '\0';
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, buf, size, nullptr);
    while (n > 0 && (buf[n - 1] == '\n' || buf[n - 1] == '\r'))
        buf[--n] = '\0';
    return buf;
}

void ShowSystemError(HWND owner, DWORD code)
{
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    char caption[64];
    wsprintfA(caption, "An error (code: %d) occured", static_cast<int>(code));
    MessageBoxA(owner, text ? text : "", caption, MB_OK | MB_ICONINFORMATION);
    if (text)
        LocalFree(text);
}
