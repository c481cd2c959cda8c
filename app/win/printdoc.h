// printdoc.h - printing the active document on one page ("&Stampare...",
// command 1006) and choosing the printer ("Stampatore setup...", command
// 1007). Both commands share the printer settings remembered for the run.
#ifndef PRINTDOC_H
#define PRINTDOC_H

#include <windows.h>

// Frame command 1006: the print dialog, then PrintDocument.
LRESULT OnCmdPrint(HWND frame, WORD command, WORD code, HWND control);
// Frame command 1007: the printer setup dialog only.
LRESULT OnCmdPrinterSetup(HWND frame, WORD command, WORD code, HWND control);

// One print job of the active document on printer dc, with the abort dialog
// owned by owner; deletes dc at its end. Returns 1 when the page was handed
// to the spooler, 0 when the job could not start or was cancelled.
int PrintDocument(HWND owner, HDC dc);

// Draws the active document's page into dc (between StartPage and EndPage).
void PrintDocumentPage(HDC dc);

// The abort procedure of every print job: keeps the abort dialog (and the
// other windows) responsive while the spooler works; false cancels the job.
BOOL CALLBACK AbortProc(HDC dc, int code);

#endif
