/* Resource identifiers of varnok.dll, shared by varnok.rc and the code. */
#ifndef VARNOKRES_H
#define VARNOKRES_H

/* Debug output window of the serial link, and its text field. */
#define IDD_DEBUGOUT_NAME "DEBUGOUT"
#define IDC_DEBUGOUT_TEXT 200

/* Notes dialog of a graph window, and its text field. */
#define IDD_NOTES_NAME "NOTES"
#define IDC_NOTES_TEXT 100

/* Property view of a graph window: its tree, value field and apply button
 * (both without function). */
#define IDD_PROP_NAME "PROP"
#define IDC_PROP_TREE 101
#define IDC_PROP_VALUE 102
#define IDC_PROP_APPLY 103

/* Image strip of the graph list: 14 pictures of 19 x 16 pixels. */
#define IDB_TREEIMAGE_NAME "TREEIMAGE"

#endif
