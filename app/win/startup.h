// startup.h - start-up of the measurement program.
#ifndef STARTUP_H
#define STARTUP_H

#include <windows.h>

// After InitAppIdentity: settings key, hint file, file association, window
// classes, frame. Returns false when start-up fails (the program then ends
// with exit code 0).
bool InitApplication(HINSTANCE instance, int showCommand);

#endif
