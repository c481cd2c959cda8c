/* printdocres.h - control ids of the print job's abort dialog ABORTDLG. */
#ifndef PRINTDOCRES_H
#define PRINTDOCRES_H

#define IDC_ABORT_TITLE 100 /* the title (path) of the document being printed */

#endif
