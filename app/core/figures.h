// figures.h - the six figures of every closing and of the series mean, as
// numbers for judging them: computed from the curves by the evaluation code,
// so they are the very numbers the value texts show, with what the texts
// cannot say: which figure does not exist and whether the sensor saturated.
#ifndef FIGURES_H
#define FIGURES_H

#include <cstdint>

#include "messdescr.h"

struct MeasurementDocument;

enum FigureId {
    kFigureEffective,     // N
    kFigureClamping,      // N
    kFigurePeak,          // N
    kFigureKFactor,       // ratio
    kFigurePulseDuration, // s
    kFigureEnergy,        // J
    kFigureCount
};

// A stored curve count at or above this is the end of the sensor's range.
// The stored counts are rescaled so that 4095 stands for the nominal full
// scale and are corrected by the zero offset taken at the start request; the
// converter's own end (device count 4095) becomes 4504 minus that offset. The
// offset is not kept in the record, so the curve cannot tell the converter's
// end exactly; what it can tell is a force at or beyond the nominal full
// scale, beyond which the sensor's reading is not calibrated. That covers the
// converter's end for every zero offset below 409 counts (a tenth of the
// range), and it is the top of the curve's graph.
constexpr int kSaturationCount = 4095;

struct SlotFigures {
    double value[kFigureCount];
    // False when the figure does not exist: a closing with no sample at or
    // above 50 N after the trigger has no effective force, no pulse and so no
    // K-factor; the mean has a figure only when all three closings have it.
    bool defined[kFigureCount];
    // A closing with a count at kSaturationCount; the mean when any closing is.
    bool saturated;
};

// Slots 0..2 the closings, kMessMeanSlot the mean.
struct SeriesFigures {
    SlotFigures slot[kMessSlots];
};

// The figures of a record's three curves (the record itself is not changed).
// False when the record carries no curves.
bool ComputeSeriesFigures(const MessDescr& descr, SeriesFigures& out);

// The figures of three curves of kMessCurveSamples counts measured with the
// sensor of that type text (its eighth character '5': the 500 N sensor).
bool ComputeCurveFigures(const std::int16_t* const curves[kMessMeasurements],
                         const char* sensorType, SeriesFigures& out);

// The figures of a document's three measurement curves (the first graph of
// graph windows 1..3), with the full scale of its sensor text as the
// document window shows it. False when a window lacks a graph of
// kMessCurveSamples samples.
bool ComputeDocumentFigures(const MeasurementDocument& doc, SeriesFigures& out);

// The figure's name in limit files and reports: "ForzaEffettiva", ...
const char* FigureKey(FigureId figure);
// Its unit: "N", "s", "J", or "" for the K-factor.
const char* FigureUnit(FigureId figure);

#endif
