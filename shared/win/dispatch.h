// dispatch.h - table dispatch for every window and dialog procedure of the
// measurement program, the graph library and the port finder.
//
// A procedure owns a MessageTable (message id -> handler) and, for
// WM_COMMAND, a CommandTable (command id -> handler). Tables are searched in
// order; the first matching entry runs and its result is the procedure's
// result. Unlisted messages go to the table's default procedure, or return 0
// (FALSE, as a dialog procedure answers) when it has none.
//
// Header-only and free of any window of its users, so the program and the
// DLL each include it without sharing any other code.
#ifndef SHARED_DISPATCH_H
#define SHARED_DISPATCH_H

#include <windows.h>

// The default processing of a procedure: DefWindowProcA, DefMDIChildProcA,
// a frame's own DefFrameProcA call, or kNoDefault for dialog procedures.
typedef LRESULT(CALLBACK* DefaultProc)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
constexpr DefaultProc kNoDefault = nullptr;

typedef LRESULT (*MessageHandler)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

struct MessageEntry {
    UINT message;
    MessageHandler handler;
};

struct MessageTable {
    int count;
    const MessageEntry* entries;
    DefaultProc defaultProc;
};

// command = low word of wParam, code = high word (notification), control =
// lParam (the control window, or null for menus and accelerators).
typedef LRESULT (*CommandHandler)(HWND window, WORD command, WORD code, HWND control);

struct CommandEntry {
    WORD command;
    CommandHandler handler;
};

struct CommandTable {
    int count;
    const CommandEntry* entries;
    DefaultProc defaultProc;
};

// Builds a table from a fixed array: MessageTable t = MakeMessageTable(kEntries, kNoDefault);
template <int N>
constexpr MessageTable MakeMessageTable(const MessageEntry (&entries)[N], DefaultProc defaultProc)
{
    return MessageTable{N, entries, defaultProc};
}
template <int N>
constexpr CommandTable MakeCommandTable(const CommandEntry (&entries)[N], DefaultProc defaultProc)
{
    return CommandTable{N, entries, defaultProc};
}

inline LRESULT ApplyDefaultProc(DefaultProc defaultProc, HWND window, UINT message, WPARAM wParam,
                                LPARAM lParam)
{
    return defaultProc ? defaultProc(window, message, wParam, lParam) : 0;
}

// Runs the first entry for message, or the default procedure.
inline LRESULT DispatchMessageTable(const MessageTable& table, HWND window, UINT message,
                                    WPARAM wParam, LPARAM lParam)
{
    for (int i = 0; i < table.count; ++i) {
        if (table.entries[i].message == message)
            return table.entries[i].handler(window, message, wParam, lParam);
    }
    return ApplyDefaultProc(table.defaultProc, window, message, wParam, lParam);
}

// For a WM_COMMAND: runs the first entry for LOWORD(wParam) with the split
// wParam, or hands WM_COMMAND with the unchanged wParam/lParam to the
// table's default procedure.
inline LRESULT DispatchCommandTable(const CommandTable& table, HWND window, WPARAM wParam,
                                    LPARAM lParam)
{
    const WORD command = LOWORD(wParam);
    for (int i = 0; i < table.count; ++i) {
        if (table.entries[i].command == command) {
            return table.entries[i].handler(window, command, HIWORD(wParam),
                                            reinterpret_cast<HWND>(lParam));
        }
    }
    return ApplyDefaultProc(table.defaultProc, window, WM_COMMAND, wParam, lParam);
}

#endif
