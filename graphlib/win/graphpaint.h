// Painting of a graph window (its paint message).
#pragma once

#include <windows.h>

LRESULT PaintGraphWindow(HWND hWnd);
