// The look-ups of windows, controls and their texts that every action uses.
#include "klvdriver.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct FindRequest {
    const char* pattern;
    HWND found;
};

bool WindowMatches(HWND hwnd, const char* pattern)
{
    char buf[512];
    if (std::strncmp(pattern, "dialog:", 7) == 0) {
        GetClassNameA(hwnd, buf, sizeof buf);
        if (std::strcmp(buf, "#32770") != 0)
            return false;
        GetWindowTextA(hwnd, buf, sizeof buf);
        return std::strcmp(buf, pattern + 7) == 0;
    }
    if (std::strncmp(pattern, "class:", 6) == 0) {
        GetClassNameA(hwnd, buf, sizeof buf);
        return std::strcmp(buf, pattern + 6) == 0;
    }
    GetWindowTextA(hwnd, buf, sizeof buf);
    return std::strstr(buf, pattern) != nullptr;
}

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM param)
{
    auto* req = reinterpret_cast<FindRequest*>(param);
    if (IsWindowVisible(hwnd) && WindowMatches(hwnd, req->pattern)) {
        req->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param)
{
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

bool IsNumber(const char* s)
{
    if (!*s)
        return false;
    for (; *s; ++s)
        if (*s < '0' || *s > '9')
            return false;
    return true;
}

// "\\t", "\\r" and "\\n" of a script word as the characters they name.
std::string Unescape(const char* text)
{
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (p[0] == '\\' && (p[1] == 't' || p[1] == 'r' || p[1] == 'n')) {
            out += p[1] == 't' ? '\t' : p[1] == 'r' ? '\r' : '\n';
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

} // namespace

DWORD TimeoutArg(int argc, char** argv, int index, DWORD fallback)
{
    return argc > index ? std::strtoul(argv[index], nullptr, 10) : fallback;
}

HWND FindTopWindow(const char* pattern)
{
    FindRequest req{pattern, nullptr};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&req));
    return req.found;
}

HWND WaitForWindow(const char* pattern, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(pattern)) != nullptr; }, timeoutMs, kPollMs);
    return found;
}

HWND RequireWindow(const char* pattern)
{
    HWND hwnd = WaitForWindow(pattern, 5000);
    if (!hwnd)
        std::fprintf(stderr, "klvdriver: no window \"%s\"\n", pattern);
    return hwnd;
}

std::vector<HWND> Children(HWND parent)
{
    std::vector<HWND> list;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&list));
    return list;
}

std::string WindowText(HWND hwnd)
{
    // WM_GETTEXT works across processes for controls of other programs.
    char buf[4096] = {};
    SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    return buf;
}

HWND FindChild(HWND parent, const char* idOrText)
{
    for (HWND child : Children(parent)) {
        if (IsNumber(idOrText)) {
            if (GetDlgCtrlID(child) == std::atoi(idOrText))
                return child;
            continue;
        }
        std::string text = WindowText(child), plain;
        for (char c : text)
            if (c != '&')
                plain += c;
        if (text == idOrText || plain == idOrText)
            return child;
    }
    std::fprintf(stderr, "klvdriver: no control \"%s\"\n", idOrText);
    return nullptr;
}

HWND FindChildOfClass(HWND parent, const char* className)
{
    for (HWND child : Children(parent)) {
        char cls[128];
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, className) == 0)
            return child;
    }
    std::fprintf(stderr, "klvdriver: no %s control\n", className);
    return nullptr;
}

HWND RequireChild(const char* title, const char* idOrText)
{
    HWND hwnd = RequireWindow(title);
    return hwnd ? FindChild(hwnd, idOrText) : nullptr;
}

HWND RequireChildOfClass(const char* title, const char* className)
{
    HWND hwnd = RequireWindow(title);
    return hwnd ? FindChildOfClass(hwnd, className) : nullptr;
}

LRESULT SendToControl(HWND control, UINT msg, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(control, msg, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

bool TextMatches(const std::string& text, const char* expected)
{
    if (expected[0] == '=')
        return text == Unescape(expected + 1);
    return text.find(Unescape(expected)) != std::string::npos;
}
