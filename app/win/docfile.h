// docfile.h - the document operations of the File menu: open, save, save
// as, and the question whether changes are to be saved. All but
// SaveDocument act on the active document window; owner owns the dialogs
// and message boxes.
#ifndef DOCFILE_H
#define DOCFILE_H

#include <windows.h>

// The folder the open and save-as dialogs start in (256 characters).
extern char LastDirectory[256];

void OpenDocumentCommand(HWND owner);
// Opens the file at path in a new document window (the command line's
// document, or the one chosen in the open dialog).
void OpenDocumentFile(const char* path, HWND owner);
// Reads the file at path into the active document window, just created empty.
void LoadDocument(const char* path, HWND owner);
void SaveCommand(HWND owner);
// 1 = a file name was chosen (whether the write succeeded or not), 0 = cancelled.
int SaveDocumentAs(HWND owner);
// Writes the document to the path in its title. 1 = written; 0 = it could
// not be written (the old file, if any, is kept and the user was told).
int SaveDocument(HWND document);
// 1 = the active document may go, 0 = it stays (the user cancelled).
int QuerySaveDocument(HWND owner);

#endif
