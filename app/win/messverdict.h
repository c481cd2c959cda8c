// messverdict.h - the measurement dialog's verdict of each closing, shown as
// soon as the closing is evaluated, in a control of its own (IDC_MESS_VERDICT,
// inset in the upper right corner of the live curve): "Chiusura 1:
// CONFORME", ... by the chosen limit set's Chiusura rules, and "sensore
// saturato" for a closing at the end of the sensor's range even without a
// set. Without a set and without saturation the dialog has no such control.
#ifndef MESSVERDICT_H
#define MESSVERDICT_H

#include <windows.h>

#include "limitset.h"
#include "measrun.h"

class ClosingVerdicts {
public:
    // At the dialog's start: a series is judged by the chosen set (a limit
    // file's problem is reported with the dialog as owner).
    void Prepare(HWND dialog, int measMode);
    // After every block: shows the closings evaluated so far when their
    // number changed (a closing evaluated, or one taken back to repeat it).
    void Update(HWND dialog, const MeasRun& run);
    // Keeps the control above the live curve it stands in.
    void Raise(HWND dialog);

private:
    HWND View(HWND dialog, bool create);

    LimitSet set_;
    bool series_ = false;
    bool judging_ = false;
    int shown_ = 0;
};

#endif
