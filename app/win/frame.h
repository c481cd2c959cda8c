// frame.h - the frame window: menu, toolbar, status bar, MDI client, the
// frame's commands and the message loop.
#ifndef FRAME_H
#define FRAME_H

#include <windows.h>

LRESULT CALLBACK FrameWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The frame's message loop; returns the quit message's exit code.
int RunMessageLoop();

#endif
