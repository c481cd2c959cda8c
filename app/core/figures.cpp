// figures.cpp - the figures of a series for judging (see figures.h).
#include "figures.h"

#include <cstring>

#include "evaluation.h"
#include "klvdoc.h"

namespace {

const char* const kFigureKeys[kFigureCount] = {
    "ForzaEffettiva", "ForzaDiSerraggio", "ForzaDiPunta", "KFattore", "DurataImpulsi", "Energia",
};
const char* const kFigureUnits[kFigureCount] = {"N", "N", "N", "", "s", "J"};

bool CurveSaturated(const std::int16_t* curve)
{
    for (int i = 0; i < kMessCurveSamples; ++i)
        if (curve[i] >= kSaturationCount)
            return true;
    return false;
}

void TakeSlot(const MessDescr& evaluated, int slot, SlotFigures& out)
{
    out.value[kFigureEffective] = evaluated.dEffForce[slot];
    out.value[kFigureClamping] = evaluated.dClampForce[slot];
    out.value[kFigurePeak] = evaluated.dPeakForce[slot];
    out.value[kFigureKFactor] = evaluated.dKFactor[slot];
    out.value[kFigurePulseDuration] = evaluated.dPulseDuration[slot];
    out.value[kFigureEnergy] = SlotEnergy(&evaluated, slot);
    for (bool& defined : out.defined)
        defined = true;
}

// The evaluation gives a closing without a sample at or above the force limit
// a pulse of no samples and 0 for the figures that rest on them.
void MarkMissingPulse(SlotFigures& closing)
{
    if (closing.value[kFigurePulseDuration] > 0.0)
        return;
    closing.defined[kFigureEffective] = false;
    closing.defined[kFigurePulseDuration] = false;
    closing.defined[kFigureKFactor] = false;
}

} // namespace

bool ComputeSeriesFigures(const MessDescr& descr, SeriesFigures& out)
{
    if (!MessDescrHasCurves(&descr))
        return false;
    // A scratch record: the caller's values stay as they are, and without a
    // mean curve buffer the series completion touches no curve.
    MessDescr evaluated = descr;
    evaluated.pMeanCurve = nullptr;
    for (int k = 0; k < kMessMeasurements; ++k)
        EvaluateMeasurement(&evaluated, descr.pCurve[k], k);
    CompleteSeries(&evaluated);

    SlotFigures& mean = out.slot[kMessMeanSlot];
    TakeSlot(evaluated, kMessMeanSlot, mean);
    mean.saturated = false;
    for (int k = 0; k < kMessMeasurements; ++k) {
        SlotFigures& closing = out.slot[k];
        TakeSlot(evaluated, k, closing);
        MarkMissingPulse(closing);
        closing.saturated = CurveSaturated(descr.pCurve[k]);
        for (int f = 0; f < kFigureCount; ++f)
            mean.defined[f] = mean.defined[f] && closing.defined[f];
        mean.saturated = mean.saturated || closing.saturated;
    }
    return true;
}

bool ComputeCurveFigures(const std::int16_t* const curves[kMessMeasurements],
                         const char* sensorType, SeriesFigures& out)
{
    MessDescr descr{};
    std::strncpy(descr.szSensorType, sensorType, sizeof descr.szSensorType - 1);
    descr.nFullScale = IsSensor500(&descr) ? 500 : 300;
    for (int k = 0; k < kMessMeasurements; ++k) {
        if (!curves[k])
            return false;
        // Only read: the record's curve pointers are not const.
        descr.pCurve[k] = const_cast<std::int16_t*>(curves[k]);
    }
    return ComputeSeriesFigures(descr, out);
}

bool ComputeDocumentFigures(const MeasurementDocument& doc, SeriesFigures& out)
{
    const std::int16_t* curves[kMessMeasurements] = {};
    for (int k = 0; k < kMessMeasurements; ++k) {
        const std::vector<GraphImage>& graphs = doc.graphWindows[k].graphs;
        if (graphs.empty() ||
            graphs[0].samples.size() < static_cast<std::size_t>(kMessCurveSamples))
            return false;
        curves[k] = graphs[0].samples.data();
    }
    return ComputeCurveFigures(curves, doc.texts[kKlvSensorTyp].c_str(), out);
}

const char* FigureKey(FigureId figure)
{
    return figure >= 0 && figure < kFigureCount ? kFigureKeys[figure] : "";
}

const char* FigureUnit(FigureId figure)
{
    return figure >= 0 && figure < kFigureCount ? kFigureUnits[figure] : "";
}
