/* limitsdlgres.h - control ids of the limits dialog LIMITSDLG. */
#ifndef LIMITSDLGRES_H
#define LIMITSDLGRES_H

#define IDC_LIM_FILE 101  /* the limit file's path, or where it is looked for */
#define IDC_LIM_SETS 102  /* drop-down list: "(nessuno)" and the file's sets */
#define IDC_LIM_RULES 103 /* Fonte and rules of the selected set */

#endif
