/* aboutboxres.h - control ids of the about box ABOUTBOX. Controls 100 to
 * 104 carry, as their template text, the name of the version string they
 * show. */
#ifndef ABOUTBOXRES_H
#define ABOUTBOXRES_H

#define IDC_ABOUT_COMPANY 100     /* "CompanyName" */
#define IDC_ABOUT_DESCRIPTION 101 /* "FileDescription" */
#define IDC_ABOUT_VERSION 102     /* "FileVersion" */
#define IDC_ABOUT_COPYRIGHT 103   /* "LegalCopyright" */
#define IDC_ABOUT_NAME 104        /* "InternalName" */
#define IDC_ABOUT_EMBLEM 50       /* shows bitmap resource IDB_ABOUT_EMBLEM */

#define IDB_ABOUT_EMBLEM 1    /* the maker's emblem */
#define IDI_ABOUT_PROGRAM 101 /* the program icon (the frame's icon) */

#endif
