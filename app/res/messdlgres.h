/* messdlgres.h - control ids of the measurement dialog MESSDLG. */
#ifndef MESSDLGRES_H
#define MESSDLGRES_H

#define IDC_MESS_GRAPH 100     /* GraphWindow: the live curve */
#define IDC_MESS_VALUE 101     /* current force value */
#define IDC_MESS_REPEAT 102    /* "Ripetere precedente la misurazione" */
#define IDC_MESS_VERDICT 103   /* the closings' verdicts, made only when there is one */
#define IDC_MESS_SENSOR 500    /* sensor line, two text lines */
#define IDC_MESS_LAMP_GREEN 11 /* at the first line of the sensor line */
#define IDC_MESS_LAMP_RED 10   /* at the second line */
#define IDC_MESS_STATUS 900    /* status line */

#endif
