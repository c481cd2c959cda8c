// newmeas.h - File > Nuovo: a new measurement from the description to the
// document window, saved automatically when the settings ask for it.
#ifndef NEWMEAS_H
#define NEWMEAS_H

#include <windows.h>

// The frame's handler for command 1001.
LRESULT OnCmdNewMeasurement(HWND frame, WORD command, WORD code, HWND control);

#endif
