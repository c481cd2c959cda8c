/* descrdlgres.h - control ids of the description dialog DESCRDLG. */
#ifndef DESCRDLGRES_H
#define DESCRDLGRES_H

#define IDC_DESCR_TEST 101     /* "&Test..." */
#define IDC_DESCR_MEASTYPE 102 /* list "Methode" */
#define IDC_DESCR_EXAMINER 103 /* list "Prüfer" */
#define IDC_DESCR_REMARKS 104
#define IDC_DESCR_POSITION 107 /* list "Messpunkt" */
#define IDC_DESCR_DOOR 108     /* list "Türe" */
#define IDC_DESCR_VEHICLE 109  /* list "Fahrzeug" */

#endif
