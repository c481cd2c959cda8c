// descrdlg.h - the description dialog DESCRDLG ("Nuova misuratione"): the
// inspector describes what is measured, from remembered lists or freely,
// and starts the measurement series or a test from it.
#ifndef DESCRDLG_H
#define DESCRDLG_H

#include <windows.h>

#include "messdescr.h"

// Runs the dialog modally over owner with the record of the new measurement.
// Result: 1 when a series was completed and the description copied into
// descr, 0 when the user cancelled (descr then holds no complete series).
int RunDescriptionDialog(HWND owner, MessDescr* descr);

#endif
