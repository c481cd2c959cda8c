// verdictview.h - the control that shows a verdict text (verdicttext.h):
// its lines word-wrapped to the control's width, each in the colour of what
// it says: green "CONFORME", red "NON CONFORME" and "sensore saturato", the
// rest in the window text colour. The text is the window text, so it reads
// like any static's.
#ifndef VERDICTVIEW_H
#define VERDICTVIEW_H

#include <windows.h>

extern const char kVerdictViewClass[]; // "KlvVerdict"

// A visible or hidden child of parent with text, drawn in font; the class is
// registered with the first one.
HWND CreateVerdictView(HWND parent, const char* text, int x, int y, int width, int height,
                       HFONT font, int id, bool visible);

#endif
