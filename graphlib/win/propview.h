// The property view "PROP" of a graph window: a read-only tree of the
// window's graphs and coordinates.
#ifndef PROPVIEW_H
#define PROPVIEW_H

#include <windows.h>

void ShowPropertyView(HWND hGraphWnd);

#endif
