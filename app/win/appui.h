// appui.h - texts of the string table and the program's message boxes.
#ifndef APPUI_H
#define APPUI_H

#include <windows.h>

// Caption of the program's own message boxes (string 1).
extern const char kAppCaption[]; // "Klemva"

// Loads string id into buf (LoadStringA; empty when the id has no text).
char* LoadAppText(int id, char* buf, int size);

// Loads string id and formats it with wsprintf-style arguments (%s, %d;
// no floating point) into buf, at most size - 1 characters.
char* FormatAppText(char* buf, int size, int id, ...);

// Message box with the error icon: string id (at most 255 characters)
// formatted with the arguments (wvsprintfA). Used for every failure the user
// must know of.
void ShowErrorMessage(HWND owner, const char* caption, int id, ...);

// Message box with the system's text for an error code; caption
// "An error (code: %d) occured", information icon, OK.
void ShowSystemError(HWND owner, DWORD code);

// The system's text for an error code, without the trailing line break;
// empty when the system has none.
char* SystemErrorText(DWORD code, char* buf, int size);

#endif
