// messdescr.h - MessDescr, the record in which one measurement series travels
// from the new-measurement command through the description and measurement
// dialogs to the document window that shows it.
//
// A full record owns four curve buffers of kMessCurveSamples counts (curves
// of measurements 1..3 and the mean curve); an empty record has none and is
// what a document window is created from before a file is read into it.
// Texts are NUL-terminated single-byte Windows-1252 strings, each as wide as
// its slot of the document (klvdoc.h).
#ifndef MESSDESCR_H
#define MESSDESCR_H

#include <cstdint>

#include "klvdoc.h"

// One second before and five seconds after the trigger, 0.0016 s apart.
constexpr int kMessCurveSamples = 3750;
constexpr int kMessMeasurements = 3; // curves per series
constexpr int kMessSlots = 4;        // value slots: measurements 1..3 and the mean
constexpr int kMessMeanSlot = 3;

struct MessDescr {
    char szTitle[KlvSlotWidth(kKlvTitle)]; // "Misurazione del DD.MM.YYYY" (UTC date)
    char szExaminer[KlvSlotWidth(kKlvPruefer)];
    char szVehicle[KlvSlotWidth(kKlvFahrzeug)];
    char szDoor[KlvSlotWidth(kKlvTuer)];
    char szPosition[KlvSlotWidth(kKlvPosition)];
    char szMeasType[KlvSlotWidth(kKlvMessTyp)];
    char
        szSensorType[KlvSlotWidth(kKlvSensorTyp)]; // at most 8 characters, as the device reports it
    char szSerialNo[KlvSlotWidth(kKlvSerNo)];      // "SN" and at most 4 characters
    char szCalibration[KlvSlotWidth(kKlvKalib)];   // always empty
    char szRemarks[KlvSlotWidth(kKlvEdit)];
    std::int32_t nFullScale; // 300 or 500 (N)
    std::int16_t* pCurve[kMessMeasurements];
    std::int16_t* pMeanCurve;
    double dEffForce[kMessSlots];
    double dClampForce[kMessSlots];
    double dPeakForce[kMessSlots];
    double dKFactor[kMessSlots];
    double dPulseDuration[kMessSlots];
};

// A zero-filled record with four zero-filled curve buffers; null when memory
// runs out (nothing is left allocated then).
MessDescr* AllocMessDescr();

// A zero-filled record without curve buffers (all four pointers null).
MessDescr* AllocEmptyMessDescr();

// Releases the record and, when it has them, its curve buffers. Null is fine.
void FreeMessDescr(MessDescr* descr);

// True when the record carries curve buffers (the first curve pointer is set).
bool MessDescrHasCurves(const MessDescr* descr);

#endif
