// dispatch.h - table dispatch for every window and dialog procedure of the
// measurement program.
//
// A procedure owns a MessageTable (message id -> handler) and, for
// WM_COMMAND, a CommandTable (command id -> handler). Tables are searched in
// order; the first matching entry runs and its result is the procedure's
// result. Unlisted messages get the table's DefaultHandling.
#ifndef DISPATCH_H
#define DISPATCH_H

#include <windows.h>

enum DefaultHandling {
    kDefaultNone = 0,         // return 0 (dialog procedures)
    kDefaultWindowProc = 1,   // DefWindowProcA
    kDefaultDlgProc = 2,      // DefDlgProcA
    kDefaultMdiChildProc = 3, // DefMDIChildProcA (document windows)
    kDefaultFrameProc = 4,    // DefFrameProcA with the MDI client (the frame)
};

typedef LRESULT (*MessageHandler)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

struct MessageEntry {
    UINT message;
    MessageHandler handler;
};

struct MessageTable {
    int count;
    const MessageEntry* entries;
    DefaultHandling defaultHandling;
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
    DefaultHandling defaultHandling;
};

// Builds a table from a fixed array: MessageTable t = MakeMessageTable(kEntries, kDefaultNone);
template <int N>
constexpr MessageTable MakeMessageTable(const MessageEntry (&entries)[N], DefaultHandling kind)
{
    return MessageTable{N, entries, kind};
}
template <int N>
constexpr CommandTable MakeCommandTable(const CommandEntry (&entries)[N], DefaultHandling kind)
{
    return CommandTable{N, entries, kind};
}

// The default handling of one kind. Kind 4 uses the frame's MDI client.
LRESULT ApplyDefaultHandling(DefaultHandling kind, HWND window, UINT message, WPARAM wParam,
                             LPARAM lParam);

// Runs the first entry for message, or the default handling.
LRESULT DispatchMessageTable(const MessageTable& table, HWND window, UINT message, WPARAM wParam,
                             LPARAM lParam);

// For a WM_COMMAND: runs the first entry for LOWORD(wParam) with the split
// wParam, or hands WM_COMMAND with the unchanged wParam/lParam to the
// table's default handling.
LRESULT DispatchCommandTable(const CommandTable& table, HWND window, WPARAM wParam, LPARAM lParam);

#endif
