// limitchoice.h - the limit set the measurements are judged by: the file
// Limiti.ini (in the measurements folder, else beside the program) and the
// set chosen in the limits dialog, kept as the value "Limiti" of the
// settings (empty or missing: no set, and no verdict anywhere).
#ifndef LIMITCHOICE_H
#define LIMITCHOICE_H

#include <windows.h>

#include <string>

#include "limitset.h"

// The file the program reads: Limiti.ini in the measurements folder when it
// is there, else the one beside the program; empty when there is neither.
std::string FindLimitFile();
// Where it is looked for, in that order, for the message that there is none.
std::string MeasurementsLimitFile();
std::string ProgramLimitFile();

// The name of the chosen set; empty for none.
std::string ChosenLimitSetName();
void StoreChosenLimitSetName(const std::string& name);

// The chosen set, read afresh from the file. False when no set is chosen or
// the set cannot be had: a file that cannot be read or has a fault, or a set
// no longer in it, is reported in a message box owned by owner (each
// problem once per run, since every window that judges asks again) and the
// program goes on without a verdict.
bool LoadChosenLimitSet(HWND owner, LimitSet* set);

// Shows the message of a limit file's problem, with the note that the
// measurements are not judged.
void ShowLimitProblem(HWND owner, const std::string& message);

#endif
