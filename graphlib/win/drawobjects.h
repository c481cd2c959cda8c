// Drawing objects shared by all graph windows: created when the library is
// loaded, deleted when it is unloaded.
#ifndef DRAWOBJECTS_H
#define DRAWOBJECTS_H

#include <windows.h>

struct GraphDrawObjects {
    HFONT hLabelFont;       // "Arial", height 15: title and labels
    HPEN hFramePen;         // plot frame
    HPEN hGridPen;          // dotted grid lines
    HPEN hSlotPens[4];      // curves of display slots 0 to 3
    HBRUSH hSlotBrushes[4]; // sample markers of display slots 0 to 3
    HPEN hCursorPen;        // dotted measuring cursor
};

extern GraphDrawObjects g_drawObjects;

// The slot colours: blue, green, red, black.
extern const COLORREF kSlotColours[4];

void CreateDrawObjects();
void DeleteDrawObjects();

#endif
