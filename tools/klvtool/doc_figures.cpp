// doc_figures.cpp - figures of a document as JSON (see doc_figures.h).
#include "doc_figures.h"

#include <cstring>

#include "evaluation.h"
#include "json_text.h"

namespace {

const char* const kFigureJsonKeys[kFigureCount] = {"effective", "clamping",      "peak",
                                                   "kFactor",   "pulseDuration", "energy"};

std::string SlotJson(const MeasurementDocument& doc, const SeriesFigures& figures, int slot)
{
    const SlotFigures& s = figures.slot[slot];
    std::string out = "{";
    for (int f = 0; f < kFigureCount; ++f)
        out += std::string(f ? ", \"" : "\"") + kFigureJsonKeys[f] +
               "\": " + (s.defined[f] ? JsonNumber(s.value[f]) : "null");
    out += std::string(", \"saturated\": ") + (s.saturated ? "true" : "false");
    out += std::string(", \"textsAgree\": ") +
           (ValueTextAgrees(doc, figures, slot) ? "true" : "false") + "}";
    return out;
}

} // namespace

const char* FigureJsonKey(int figure)
{
    return figure >= 0 && figure < kFigureCount ? kFigureJsonKeys[figure] : "";
}

bool ValueTextAgrees(const MeasurementDocument& doc, const SeriesFigures& figures, int slot)
{
    // A record holding only what FormatResult reads: the slot's five values
    // and the sensor text that chooses the energy constant.
    MessDescr descr{};
    std::strncpy(descr.szSensorType, doc.texts[kKlvSensorTyp].c_str(),
                 sizeof descr.szSensorType - 1);
    const SlotFigures& s = figures.slot[slot];
    descr.dEffForce[slot] = s.value[kFigureEffective];
    descr.dClampForce[slot] = s.value[kFigureClamping];
    descr.dPeakForce[slot] = s.value[kFigurePeak];
    descr.dKFactor[slot] = s.value[kFigureKFactor];
    descr.dPulseDuration[slot] = s.value[kFigurePulseDuration];
    char text[256];
    FormatResult(&descr, slot, text, sizeof text);
    return doc.texts[kKlvDescr1 + slot] == text;
}

std::string FiguresJsonMember(const MeasurementDocument& doc)
{
    SeriesFigures figures;
    if (!ComputeDocumentFigures(doc, figures))
        return "\"figures\": null";
    std::string out = "\"figures\": {\n    \"measurements\": [\n";
    for (int k = 0; k < kMessMeasurements; ++k)
        out += "      " + SlotJson(doc, figures, k) + (k + 1 < kMessMeasurements ? ",\n" : "\n");
    out += "    ],\n    \"mean\": " + SlotJson(doc, figures, kMessMeanSlot) + "\n  }";
    return out;
}
