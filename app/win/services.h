// services.h - what every window of the measurement program shares: the
// instance and its texts, the frame and MDI client handles, the fonts, the
// wait cursor and the document counters. A leaf: it includes no window, so
// any window may include it.
#ifndef SERVICES_H
#define SERVICES_H

#include <windows.h>

constexpr int kCommandLinePathSize = 260; // at most 259 characters

// Sets the instance, loads strings 1 and 2 and keeps the command-line tail;
// done once, first thing at start-up.
void InitAppIdentity(HINSTANCE instance, const char* commandLine);

HINSTANCE AppInstance();
// String 1, "Klemva": frame class, menu resource, title, message box caption.
const char* AppName();
// String 2: the status bar text.
const char* StatusText();
// The whole command-line tail as passed (quotes kept); empty without one.
const char* CommandLineDocumentPath();

// The frame and its MDI client, set by the frame as it makes them.
void SetFrameWindow(HWND frame);
void SetMdiClientWindow(HWND mdiClient);
HWND FrameWindow();
HWND MdiClientWindow();
// The active document window (the MDI client's active child), or null.
HWND ActiveDocumentWindow();
// The open document windows: the MDI client's children; the titles of
// minimised documents are owned windows and do not count.
int OpenDocumentCount();

// The number of the next "Innominato%d" title; starts at 1 and grows with
// every document window created (opened files included).
extern int UntitledCounter;

// "Helv", height 10, weights 400 and 700, and the system wait cursor; made
// with the frame, shared by every document window, deleted with the frame.
void CreateSharedObjects();
void DeleteSharedObjects();
HFONT NormalFont();
HFONT BoldFont();
// The system wait cursor, for long file and print operations.
HCURSOR WaitCursor();

// Centres window over reference and keeps it on the screen; size and Z
// order stay.
void CenterWindowOver(HWND window, HWND reference);

#endif
