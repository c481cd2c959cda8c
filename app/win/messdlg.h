// messdlg.h - the measurement dialog MESSDLG: one measurement series or a
// test against the device, with the live curve, the force value, the sensor
// line with its two lamps and the status line.
#ifndef MESSDLG_H
#define MESSDLG_H

#include <windows.h>

#include "messdescr.h"

// Runs the dialog modally over owner. measMode is kMeasModeSeries (2) or
// kMeasModeTest (1) of measrun.h; the series is written into descr. Result:
// true when a complete series now stands in descr, false after a test, an
// error or the user's end request.
bool RunMeasurementDialog(HWND owner, int measMode, MessDescr* descr);

#endif
