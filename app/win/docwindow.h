// docwindow.h - the document window ("MdiChild"): one measurement series
// on five pages of a tab control. The window is the document's storage: its
// parts are child controls found by name (properties of the tab control:
// "Title", "Pruefer", ..., "Edit", "Graph1".."Graph4", "Descr1".."Descr4").
#ifndef DOCWINDOW_H
#define DOCWINDOW_H

#include <windows.h>

#include "messdescr.h"

extern const char kDocumentClass[]; // "MdiChild"

LRESULT CALLBACK DocumentWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Asked when a document window is to close, with the window as owner:
// 1 = it may go, 0 = it stays. The file code answers (save first?); the
// window itself knows nothing of files.
typedef int (*DocumentCloseQuery)(HWND owner);
void SetDocumentCloseQuery(DocumentCloseQuery query);

// Creates a maximised document window titled title in the frame's MDI
// client and builds its pages from record. The window takes the record
// over; when no window is made (null), the caller keeps it. A record without
// curves makes a window about to read a file: its graph windows start
// without a graph, so the file's graphs come back with their own scaling.
HWND CreateDocumentWindow(const char* title, MessDescr* record);

// The tab control, or null when it could not be created.
HWND DocumentTabControl(HWND document);
// A named part ("Title", "Edit", "Graph2", ...); null when absent.
HWND DocumentPart(HWND document, const char* name);

// The modify flag of "Edit" is the document's modified flag.
bool DocumentIsModified(HWND document);
void SetDocumentModified(HWND document, bool modified);
// "FilenameSet": the title is the path of a file read or written.
bool DocumentIsNamed(HWND document);
void SetDocumentNamed(HWND document, bool named);

// Reads the logo file at path into a DIB section; sets "DIBInfo" and "Bits"
// on window (the tab control). Null when the file is not a usable bitmap.
HBITMAP LoadLogoBitmap(HWND window, const char* path);

#endif
