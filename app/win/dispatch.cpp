// dispatch.cpp - the table search shared by all procedures.
#include "dispatch.h"

#include "frame.h"

LRESULT ApplyDefaultHandling(DefaultHandling kind, HWND window, UINT message, WPARAM wParam,
                             LPARAM lParam)
{
    switch (kind) {
    case kDefaultWindowProc:
        return DefWindowProcA(window, message, wParam, lParam);
    case kDefaultDlgProc:
        return DefDlgProcA(window, message, wParam, lParam);
    case kDefaultMdiChildProc:
        return DefMDIChildProcA(window, message, wParam, lParam);
    case kDefaultFrameProc:
        return DefFrameProcA(window, MdiClientWindow(), message, wParam, lParam);
    case kDefaultNone:
    default:
        return 0;
    }
}

LRESULT DispatchMessageTable(const MessageTable& table, HWND window, UINT message, WPARAM wParam,
                             LPARAM lParam)
{
    for (int i = 0; i < table.count; ++i) {
        if (table.entries[i].message == message)
            return table.entries[i].handler(window, message, wParam, lParam);
    }
    return ApplyDefaultHandling(table.defaultHandling, window, message, wParam, lParam);
}

LRESULT DispatchCommandTable(const CommandTable& table, HWND window, WPARAM wParam, LPARAM lParam)
{
    const WORD command = LOWORD(wParam);
    for (int i = 0; i < table.count; ++i) {
        if (table.entries[i].command == command) {
            return table.entries[i].handler(window, command, HIWORD(wParam),
                                            reinterpret_cast<HWND>(lParam));
        }
    }
    return ApplyDefaultHandling(table.defaultHandling, window, WM_COMMAND, wParam, lParam);
}
