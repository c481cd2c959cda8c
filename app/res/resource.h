/* resource.h - ids of the frame's resources and controls, shared by the
 * resource scripts and the program. Dialogs keep their own control ids in
 * their own header next to their .rc file. Texts of the string table are
 * numbered in app/core/appstrings.h. */
#ifndef KLEMVA_RESOURCE_H
#define KLEMVA_RESOURCE_H

/* Icons and bitmaps */
#define IDI_KLEMVA 101   /* the program and its frame */
#define IDI_DOCUMENT 102 /* document windows ("MdiChild") */
#define IDB_TOOLBAR 700  /* nine button images of 18 x 17 pixels */

/* Frame children */
#define IDC_TOOLBAR 500
#define IDC_STATUSBAR 501
#define IDC_MDICLIENT 3244
#define IDM_FIRSTCHILD 1310 /* the document list of the "&Finestra" menu */

/* Document window: the logo static on the description page */
#define IDC_LOGO 666

/* Menu commands */
#define IDM_NEW 1001
#define IDM_OPEN 1002
#define IDM_SAVE 1003
#define IDM_SAVEAS 1004
#define IDM_CLOSE 1005
#define IDM_PRINT 1006
#define IDM_PRINTSETUP 1007
#define IDM_EXIT 1008
#define IDM_TILE 1301
#define IDM_CASCADE 1302
#define IDM_CLOSEALL 1303
#define IDM_ARRANGE 1304
#define IDM_ABOUT 1401
#define IDM_OPTIONS 11842
#define IDM_LIMITS 11843 /* "&Valori limite...": the limit set of the verdict */

#endif
