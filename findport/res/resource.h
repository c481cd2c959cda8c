// Resource identifiers of FindKLV.exe, shared by the resource script and the code.
#ifndef FINDKLV_RESOURCE_H
#define FINDKLV_RESOURCE_H

#define IDS_WINDOW_TITLE 1
#define IDS_CANCEL 2
#define IDS_ERROR_CAPTION 3
#define IDS_RUNTIME_ERROR 4 // text before the maker's address
#define IDS_REPORT_ADDRESS 5
#define IDS_RUNTIME_DESCRIPTION 6 // before the run-time's description
#define IDS_RUNTIME_LINE 7        // before the line number

// The failure message is the concatenation of these, in order.
#define IDS_FAILURE_FIRST 100
#define IDS_FAILURE_COUNT 16

// Gadget numbers of the progress window.
#define IDC_PROGRESS 1
#define IDC_CANCEL 2

#endif
