// startup.h - start-up of the measurement program and its process-wide state.
#ifndef STARTUP_H
#define STARTUP_H

#include <windows.h>

constexpr int kCommandLinePathSize = 260; // at most 259 characters

HINSTANCE AppInstance();
// String 1, "Klemva": frame class, menu resource, title, message box caption.
const char* AppName();
// String 2: the status bar text.
const char* StatusText();
// The whole command-line tail as passed (quotes kept); empty without one.
const char* CommandLineDocumentPath();

// Settings key, hint file, file association, window classes, frame. Returns
// false when start-up fails (the program then ends with exit code 0).
bool InitApplication(HINSTANCE instance, int showCommand);

#endif
