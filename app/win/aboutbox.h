// aboutbox.h - the about box ("&Info...", command 1401): the program's name,
// description, version and maker as the program file's own version resource
// gives them.
#ifndef ABOUTBOX_H
#define ABOUTBOX_H

#include <windows.h>

// Frame command 1401: shows the modal about box owned by the frame.
LRESULT OnCmdAbout(HWND frame, WORD command, WORD code, HWND control);

#endif
