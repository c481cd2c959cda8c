// Painting of a graph window (its paint message).
#ifndef GRAPHPAINT_H
#define GRAPHPAINT_H

#include <windows.h>

LRESULT PaintGraphWindow(HWND hWnd);

#endif
