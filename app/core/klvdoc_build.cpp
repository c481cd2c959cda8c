// klvdoc_build.cpp - the document of a new measurement (see klvdoc_build.h).
#include "klvdoc_build.h"

#include <cstdio>

#include "appstrings.h"
#include "evaluation.h"

const char kKlvMeasurementGraphTitle[] = "Forza di chiusura (misurazione %d)"; // string 30031
const char kKlvMeanGraphTitle[] = "Valore medio del corso di forza";           // string 30034
const char kKlvMeanGraphName[] = "Valore medio della forza";                   // string 30035

namespace {

constexpr int kTimeLabelStyle = 8; // "Time [sec]" x labels
constexpr std::uint32_t kXDivisions = 6;
constexpr double kCurveStart = -1.0; // the curve begins one second before the trigger
constexpr double kCurveEnd = 5.0;

struct SensorVariant {
    double fullScale;
    std::uint32_t yDivisions;
};

SensorVariant VariantOf(const MessDescr& descr)
{
    return IsSensor500(&descr) ? SensorVariant{500.0, 10} : SensorVariant{300.0, 6};
}

const std::int16_t* CurveOf(const MessDescr& descr, int k)
{
    if (!MessDescrHasCurves(&descr))
        return nullptr;
    return k <= kMessMeasurements ? descr.pCurve[k - 1] : descr.pMeanCurve;
}

} // namespace

GraphWindowImage BuildNewGraphWindow(const MessDescr& descr, int k)
{
    const SensorVariant variant = VariantOf(descr);
    GraphWindowImage window;
    char title[kGraphTitleSize];
    if (k <= kMessMeasurements)
        std::snprintf(title, sizeof title, kKlvMeasurementGraphTitle, k);
    else
        std::snprintf(title, sizeof title, "%s", kKlvMeanGraphTitle);
    SetFixedText(window.szTitle, sizeof window.szTitle, title);

    GraphBlockImage& block = window.block; // creation defaults, then the style
    block.nStyle = kTimeLabelStyle;
    block.nXLines = kXDivisions;
    block.nYLines = variant.yDivisions;
    block.dTimeMin = block.dZoomTimeMin = kCurveStart;
    block.dTimeMax = block.dZoomTimeMax = kCurveEnd;
    // the first graph sets the window's y scaling and is shown in slot 0
    block.nMaxBit = 4095;
    block.nMinBit = 0;
    block.dMaxValue = variant.fullScale;
    block.dMinValue = 0.0;
    block.nShown[0] = 1;
    block.nGraphs = 1;

    GraphImage& graph = window.graphs.emplace_back();
    SetFixedText(graph.szName, sizeof graph.szName,
                 k <= kMessMeasurements ? AppString(IDS_FORCE_GRAPH_NAME) : kKlvMeanGraphName);
    SetFixedText(graph.szUnit, sizeof graph.szUnit, "N");
    graph.dMinValue = 0.0;
    graph.dMaxValue = variant.fullScale;
    graph.nMinBit = 0;
    graph.nMaxBit = 4095;
    graph.dTimeBase = kSampleInterval;
    graph.nSize = kMessCurveSamples;
    graph.samples.assign(kMessCurveSamples, 0);
    if (const std::int16_t* curve = CurveOf(descr, k)) {
        graph.samples.assign(curve, curve + kMessCurveSamples);
        graph.nBuffEnd = kMessCurveSamples;
    }
    return window;
}

MeasurementDocument BuildNewMeasurementDocument(const MessDescr& descr)
{
    MeasurementDocument doc;
    for (int k = 1; k <= kKlvGraphWindows; ++k) {
        doc.graphWindows[k - 1] = BuildNewGraphWindow(descr, k);
        char text[256];
        FormatResult(&descr, k - 1, text, sizeof text);
        doc.texts[kKlvDescr1 + k - 1] = text;
    }
    doc.texts[kKlvPruefer] = FixedText(descr.szExaminer, sizeof descr.szExaminer);
    doc.texts[kKlvFahrzeug] = FixedText(descr.szVehicle, sizeof descr.szVehicle);
    doc.texts[kKlvTuer] = FixedText(descr.szDoor, sizeof descr.szDoor);
    doc.texts[kKlvPosition] = FixedText(descr.szPosition, sizeof descr.szPosition);
    doc.texts[kKlvMessTyp] = FixedText(descr.szMeasType, sizeof descr.szMeasType);
    doc.texts[kKlvSensorTyp] = FixedText(descr.szSensorType, sizeof descr.szSensorType);
    doc.texts[kKlvSerNo] = FixedText(descr.szSerialNo, sizeof descr.szSerialNo);
    doc.texts[kKlvTitle] = FixedText(descr.szTitle, sizeof descr.szTitle);
    doc.texts[kKlvEdit] = FixedText(descr.szRemarks, sizeof descr.szRemarks);
    return doc;
}
