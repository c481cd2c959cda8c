// frame.h - the frame window: menu, toolbar, status bar, MDI client, the
// frame's commands and the message loop; the state every window shares.
#ifndef FRAME_H
#define FRAME_H

#include <windows.h>

#include "dispatch.h"

// Open document windows; raised and lowered by the document window.
extern int OpenDocumentCount;
// The number of the next "Innominato%d" title; starts at 1 and grows with
// every document window created (opened files included).
extern int UntitledCounter;

LRESULT CALLBACK FrameWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

HWND FrameWindow();
HWND MdiClientWindow();
// The active document window (the MDI client's active child), or null.
HWND ActiveDocumentWindow();

// "Helv", height 10, weights 400 and 700; made with the frame, shared by
// every document window, deleted with the frame.
HFONT NormalFont();
HFONT BoldFont();
// The system wait cursor, for long file and print operations.
HCURSOR WaitCursor();

// Centres window over reference and keeps it on the screen; size and Z
// order stay.
void CenterWindowOver(HWND window, HWND reference);

// The frame's message loop; returns the quit message's exit code.
int RunMessageLoop();

#endif
