// klvdoc_build.h - the document of a new measurement, as the document window
// builds it from a finished MessDescr and the program saves it.
#ifndef KLVDOC_BUILD_H
#define KLVDOC_BUILD_H

#include "klvdoc.h"
#include "messdescr.h"

// Window titles and graph names of the four graph windows.
extern const char kKlvMeasurementGraphTitle[]; // "Forza di chiusura (misurazione %d)"
extern const char kKlvMeanGraphTitle[];        // "Valore medio del corso di forza"
extern const char kKlvMeanGraphName[];         // "Valore medio della forza"

// The graph window k (1..4) of a new document: the block a freshly created
// graph window holds after its style is set (time labels, 6 x divisions, y
// divisions and full scale by the sensor variant, -1 s to 5 s) and its one
// graph of 3750 samples is added; filled with the record's curve when the
// record carries curves. Runtime handles and pointers are written as zeros.
GraphWindowImage BuildNewGraphWindow(const MessDescr& descr, int k);

// The whole document: the four graph windows and the text block (value
// texts from FormatResult, description, sensor identity, title, remarks).
MeasurementDocument BuildNewMeasurementDocument(const MessDescr& descr);

#endif
