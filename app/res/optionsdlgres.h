/* optionsdlgres.h - control ids of the options dialog OPTIONSDLG. */
#ifndef OPTIONSDLGRES_H
#define OPTIONSDLGRES_H

#define IDC_OPT_PORT 101       /* COM1 .. COM32, entry index = Port */
#define IDC_OPT_BITMAP 105     /* "Selezionare bitmap"; caption = chosen path */
#define IDC_OPT_EXAMINER 106   /* list 0, "Prüfer" */
#define IDC_OPT_VEHICLE 107    /* list 1, "Fahrzeug" */
#define IDC_OPT_DOOR 108       /* list 2, "Türe" */
#define IDC_OPT_AUTOSAVE 109   /* AutoSave */
#define IDC_OPT_POSITION 110   /* list 3, "Messpunkt" */
#define IDC_OPT_LIST 111       /* the list being edited, one entry per line */
#define IDC_OPT_MEASTYPE 112   /* list 4, "Methode" */
#define IDC_OPT_LOGO 113       /* Logo */
#define IDC_OPT_LOGO_LABEL 114 /* "da logo" */

#endif
