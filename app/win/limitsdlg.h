// limitsdlg.h - the limits dialog ("&Valori limite...", command 11843): the
// sets of the limit file with their rules, and the one the measurements are
// judged by (or none), kept in the settings.
#ifndef LIMITSDLG_H
#define LIMITSDLG_H

#include <windows.h>

// Frame command 11843: shows the modal limits dialog owned by the frame; on
// OK the choice is stored and every open document is judged again.
LRESULT OnCmdLimits(HWND frame, WORD command, WORD code, HWND control);

#endif
