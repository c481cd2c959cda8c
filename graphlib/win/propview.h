// The property view "PROP" of a graph window: a read-only tree of the
// window's graphs and coordinates.
#pragma once

#include <windows.h>

void ShowPropertyView(HWND hGraphWnd);
